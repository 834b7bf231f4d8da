#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Every error of the store: the text is the message the program shows, unchanged.
class EDatabaseError : public std::exception
{
public:
    explicit EDatabaseError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {
    }

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
