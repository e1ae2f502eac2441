#pragma once

#include <QString>
#include <exception>
#include <string>

// The one base of every failure the program raises. It carries the message that the
// application object shows to the user when nobody handles it.
class Exception : public std::exception
{
public:
    explicit Exception(QString message)
        : FMessage(std::move(message))
        , FUtf8(FMessage.toStdString())
    { }

    const QString &Message() const noexcept { return FMessage; }
    const char *what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
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
