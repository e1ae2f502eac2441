// Feeds arbitrary text to the formula calculator. The first input byte picks the decimal
// separator, StrictVars, an OnFunction handler and whether the text is an expression or the
// lines of a Variables write. Any outcome but a value or an Exception is a finding.
#include "calc/xCalc.h"
#include "core/TFormatSettings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    FormatSettings().DecimalSeparator = (mode & 1) ? QChar(u',') : QChar(u'.');
    TxFoCal calc;
    calc.SetStrictVars(mode & 2);
    if (mode & 4) {
        calc.SetOnFunction([](const QString &name, double &v) {
            v += name.size();
            return name.size() % 2 == 0;
        });
    }
    try {
        if (mode & 8) {
            calc.SetVariables(text.split(QLatin1Char('\n')));
            (void)calc.Variables();
        } else {
            (void)calc.Evaluate(text);
        }
    } catch (const Exception &) { }
    calc.SetExpression(text);
    return 0;
}
