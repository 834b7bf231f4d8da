#pragma once

#include <QByteArray>
#include <QString>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// The catalogue keeps a salted, stretched digest of its password, never the password itself.
// This is an access check only: the file's contents are not encrypted. Stretching takes tens of
// milliseconds on purpose; a digest once worked out in this run is remembered, so that it can be
// worked out ahead on another thread (see CatalogueFile::checkAhead) while the window goes on.
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

    static QByteArray digest(const QString& password, const QByteArray& salt, int rounds);

private:
    // The digests worked out in this run, shared by every thread.
    class Memo
    {
    public:
        struct Key
        {
            QByteArray secret;
            QByteArray salt;
            int rounds = 0;
        };
        std::optional<QByteArray> find(const Key& key) const;
        void keep(const Key& key, const QByteArray& digest);

    private:
        static constexpr size_t kKept = 8;
        mutable std::mutex m_lock;
        std::vector<std::pair<Key, QByteArray>> m_known;
    };
    static Memo& memo();
};
