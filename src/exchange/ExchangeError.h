#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// An import or export that cannot go on: the text is the message the program shows.
class ExchangeError : public std::exception
{
public:
    explicit ExchangeError(QString message)
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

// The user stopped the import; nothing of it was kept.
class ImportCancelled : public ExchangeError
{
public:
    ImportCancelled()
        : ExchangeError(QStringLiteral("The import was cancelled; the catalogue is unchanged"))
    {
    }
};
