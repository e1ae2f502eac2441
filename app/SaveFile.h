#pragma once

#include <QString>
#include <functional>

class QIODevice;
class QWidget;

// What the window asks when it is about to write a file.
struct TSaveFileRequest
{
    QString Caption;
    // A file name without folder or suffix, made of what was looked up; the dialog is given it
    // as a full path in the last folder, with the suffix.
    QString SuggestedName;
    QString Filter; // "Описание (*.csv)"
    QString Suffix; // without the dot; added when the user types none
};

// Asks for the full name of the file to write; an empty answer means the user cancelled.
// It starts as the platform's save dialog and is replaceable, so that tests can answer it.
using TAskSaveFileName = std::function<QString(QWidget *parent, const TSaveFileRequest &request)>;
TAskSaveFileName &AskSaveFileName();
void ResetAskSaveFileName();

// Asks through AskSaveFileName() in the folder of the last answer (the user's documents at
// first) and gives the answer the request's suffix when it has none.
QString SaveFileName(QWidget *parent, const TSaveFileRequest &request);

// Writes a file through a temporary file beside it that takes its place only once write has
// finished: a failure leaves whatever was there before and no half-written file. Raises
// Exception, naming the file and the reason, when the file cannot be written.
void WriteWholeFile(const QString &fileName, const std::function<void(QIODevice &)> &write);
