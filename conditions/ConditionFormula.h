#pragma once

#include <QDate>
#include <QString>

class TDataSet;
class TxFoCal;

// Loads the calculator with the variables a condition formula may use: "dd", "mm", "yy" and
// "yyyy" for today (yy is the four-digit year too), and every numeric, date or time field of
// the dataset under its field name with the active record's value. Everything the calculator
// held before goes, PI and E included.
void BindFormulaVariables(TDataSet *dataSet, TxFoCal &calculator, const QDate &today);
void BindFormulaVariables(TDataSet *dataSet, TxFoCal &calculator);

// Evaluates a condition formula over the active record. Never raises: any error, a missing
// calculator included, is a failure.
bool EvaluateFormula(TDataSet *dataSet, TxFoCal *calculator, const QString &text, double &value);

// Formulas are stored with field names and shown with the fields' captions. Each field whose
// caption differs from its name (ignoring case) has every occurrence replaced, ignoring case
// and word boundaries, left to right, in field order.
QString LabelsToFieldNames(const TDataSet *dataSet, const QString &text);
QString FieldNamesToLabels(const TDataSet *dataSet, const QString &text);

// Whether evaluating the text cannot depend on variables or functions: it holds nothing but
// digits, separators, operators, parentheses and blanks.
bool IsConstantFormula(const QString &text);
