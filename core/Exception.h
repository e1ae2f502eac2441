#pragma once

#include <QString>
#include <exception>
#include <string>

// The one base of every failure the program raises. It carries the message that the
// application object shows to the user when nobody handles it.
// The message is for the user; the detail, when there is one, is the technical account (full
// paths, the underlying error) that the message box offers under "Show Details...".
class Exception : public std::exception
{
public:
    explicit Exception(QString message, QString detail = {})
        : FMessage(std::move(message))
        , FDetail(std::move(detail))
        , FUtf8(
              (FDetail.isEmpty() ? FMessage : FMessage + QLatin1Char('\n') + FDetail).toStdString())
    { }

    const QString &Message() const noexcept { return FMessage; }
    const QString &Detail() const noexcept { return FDetail; }
    // The message and the detail, for a log or a terminal.
    const char *what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    QString FDetail;
    std::string FUtf8;
};

// A list index outside the list, with the toolkit's wording.
class EListError : public Exception
{
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(qsizetype index)
    {
        return EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }
};
