#pragma once

#include <QByteArray>
#include <QString>

// The catalogue keeps a salted, stretched digest of its password, never the password itself.
// This is an access check only: the file's contents are not encrypted.
class PasswordVerifier
{
public:
    struct Record
    {
        QByteArray salt;   // hex
        QByteArray digest; // hex
        int rounds = 0;
    };

    static Record make(const QString& password, int rounds = kDefaultRounds);
    static bool matches(const QString& password, const Record& record);

    static constexpr int kDefaultRounds = 20000;
    static constexpr int kMaxRounds = 1000000;

private:
    static QByteArray digest(const QString& password, const QByteArray& salt, int rounds);
};
