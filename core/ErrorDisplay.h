#pragma once

#include <exception>
#include <functional>

// Where a failure goes that cannot be thrown to a caller, such as one met while painting: the
// application shows it in its message box. Libraries below the application reach the display
// through here without depending on it. Without a display the failure is written to the log.
using TErrorDisplay = std::function<void(const std::exception &)>;

// Installs the display and returns the one it replaces.
TErrorDisplay SetErrorDisplay(TErrorDisplay display);
void ShowError(const std::exception &error);
