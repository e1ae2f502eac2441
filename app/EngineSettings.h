#pragma once

#include <QString>

class TxAppRegistry;

// The engine's settings the program reads from the settings store at start-up and hands down
// to the database layer, which knows nothing of the store.
namespace EngineSettings {

inline const QString Section = QStringLiteral("Engine_Settings");
// The memory a query may take, in megabytes; 0 or absent: a quarter of the physical memory,
// at most 4 GB.
inline const QString MemoryBudgetValue = QStringLiteral("MemoryBudgetMB");

// Reads the settings (the defaults without a store, or for a value that cannot be read) and
// gives them to the engine.
void Apply(TxAppRegistry *registry);

} // namespace EngineSettings
