#pragma once

#include <QByteArray>
#include <QString>

class TResultTable;

// The result as a CSV document (RFC 4180) in UTF-8: a row of captions, then one row per record,
// lines ended by CR LF, a field quoted when it holds a comma, a quote or a line break. It starts
// with a byte-order mark, by which spreadsheets know the text is UTF-8 and keep the Cyrillic.
QByteArray ResultCsv(const TResultTable &table);

// Writes ResultCsv to the file whole or not at all (WriteWholeFile); raises Exception when the
// file cannot be written.
void ExportResultCsv(const TResultTable &table, const QString &fileName);
