#pragma once

#include <QString>
#include <stdexcept>

// The program's error: a message text that reaches the user in the error box when no handler
// takes care of it.
class TypovexError : public std::runtime_error
{
public:
    explicit TypovexError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
