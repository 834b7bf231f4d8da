#include "PasswordVerifier.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
#include <array>

QByteArray PasswordVerifier::digest(const QString& password, const QByteArray& salt, int rounds)
{
    const QByteArray secret = password.toUtf8();
    const Memo::Key key{secret, salt, rounds};
    if (const std::optional<QByteArray> known = memo().find(key))
        return *known;
    // One hash object reset each round and its result read in place: a round allocates nothing.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    hash.addData(secret);
    std::array<char, 32> state{};
    auto keep = [&state](QByteArrayView result) { std::copy(result.begin(), result.end(), state.begin()); };
    keep(hash.resultView());
    for (int i = 1; i < rounds; ++i) {
        hash.reset();
        hash.addData(QByteArrayView(state.data(), qsizetype(state.size())));
        hash.addData(salt);
        hash.addData(secret);
        keep(hash.resultView());
    }
    const QByteArray result = QByteArray(state.data(), qsizetype(state.size())).toHex();
    memo().keep(key, result);
    return result;
}

PasswordVerifier::Memo& PasswordVerifier::memo()
{
    static Memo theMemo;
    return theMemo;
}

std::optional<QByteArray> PasswordVerifier::Memo::find(const Key& key) const
{
    const std::lock_guard lock(m_lock);
    for (const auto& [k, digest] : m_known) {
        if (k.secret == key.secret && k.salt == key.salt && k.rounds == key.rounds)
            return digest;
    }
    return std::nullopt;
}

void PasswordVerifier::Memo::keep(const Key& key, const QByteArray& digest)
{
    const std::lock_guard lock(m_lock);
    if (m_known.size() >= kKept)
        m_known.erase(m_known.begin());
    m_known.emplace_back(key, digest);
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
