#include "PasswordVerifier.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

QByteArray PasswordVerifier::digest(const QString& password, const QByteArray& salt, int rounds)
{
    const QByteArray secret = password.toUtf8();
    QByteArray state = QCryptographicHash::hash(QByteArray(salt + secret), QCryptographicHash::Sha256);
    for (int i = 1; i < rounds; ++i)
        state = QCryptographicHash::hash(QByteArray(state + salt + secret), QCryptographicHash::Sha256);
    return state.toHex();
}

PasswordVerifier::Record PasswordVerifier::make(const QString& password, int rounds)
{
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), int(salt.size() / 4));
    Record record;
    record.salt = salt.toHex();
    record.rounds = rounds;
    record.digest = digest(password, salt, rounds);
    return record;
}

bool PasswordVerifier::matches(const QString& password, const Record& record)
{
    if (record.rounds < 1 || record.rounds > kMaxRounds || record.digest.isEmpty())
        return false;
    const QByteArray expected = digest(password, QByteArray::fromHex(record.salt), record.rounds);
    // Constant-time comparison: the difference must not show in how long the check takes.
    if (expected.size() != record.digest.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < expected.size(); ++i)
        diff |= uchar(expected[i] ^ record.digest.toLower()[i]);
    return diff == 0;
}
