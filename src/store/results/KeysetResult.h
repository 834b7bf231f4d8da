#pragma once

#include "ChangeLog.h"
#include "KeyPrefetch.h"
#include "KeyWalk.h"
#include "ResultSet.h"

#include <QHash>
#include <memory>

class EEngineError;
class KeyWalk;
class SqliteConnection;
class SqliteStatement;

// A result over one table that keeps only the keys of its rows, in result order, and reads
// the rows themselves in small batches when they are asked for. Rows inserted through it are
// appended, deleted rows leave it, and only running the query again changes the order. A row
// that cannot be read (a damaged page) stands alone as unreadable; its neighbours still come.
//
// The keys of a large whole table may come along an index as they are needed (a walk): the
// count is the table's at opening and a window of keys is read at a time. The result holds the
// rows the table had when it was opened, for every write through the layer first reads the rest
// of the walk. Where the walk has not been yet, rows another program adds or removes meanwhile
// are not shown: the count stays, and a row gone shows as deleted. The walk of a large table is
// also read to its end beside the program (KeyPrefetch); those keys are taken over when nothing
// was written since the opening, so that a position far down or the first write waits for no
// reading at all.
class KeysetResult : public ResultSet
{
public:
    // The statements that read rows by their keys: a whole batch, and the few around one row.
    struct FetchSql
    {
        QString batch;
        QString few;
    };

    KeysetResult(SqliteConnection& db, std::vector<ResultColumn> columns, QString table, QString keyColumn,
                 std::vector<qint64> keys, FetchSql fetchSql = {});
    ~KeysetResult() override;

    static FetchSql fetchStatements(const std::vector<ResultColumn>& columns, const QString& table,
                                    const QString& keyColumn);

    // Runs `stmt` to its end, keeping every key and the whole first rows (a screenful).
    void readFrom(SqliteStatement& stmt, int keyColumnIndex);
    // The statement that reads a walk's keys whole beside the program, when that is cheaper
    // than following the walk there; empty: the walk is followed.
    struct Beside
    {
        QString sql;
        std::vector<QVariant> binds;
    };
    // Takes the keys from `walk`, the table having `total` rows as of `opened`, and reads the
    // first `firstWindow` of them now.
    void follow(std::unique_ptr<KeyWalk> walk, KeyWalk::Extent extent, const ChangeLog::Mark& opened,
                size_t firstWindow = kWindow, Beside beside = {});

    // Shows the keys it was made with (the same rows in another order, or none) while the
    // order of `beside` is read on a connection and thread of its own: for a large table that
    // no index serves, whose sort would hold the window for seconds. `opened`: when the reading
    // was asked for. `everyRow`: the keys held are every row of the result, in some order.
    void prepareOrder(Beside beside, const ChangeLog::Mark& opened, bool everyRow);
    bool orderPending() const { return m_preparing != nullptr; }
    bool preparedOrderReady() const { return m_preparing && m_preparing->ready(); }
    // Takes the order read beside the program in when no row of the table changed since it was
    // asked for, and answers true. Otherwise it is asked for again (false), or, with `wait` or
    // after it failed again and again, read here and now (true).
    bool takePreparedOrder(bool wait);
    // Whether the keys held are those of every row the result stands for, in whatever order.
    bool holdsEveryRow() const;
    // Readings beside that may fail before the order is read here instead.
    static constexpr int kPreparingAttempts = 3;

    int count() const override { return m_total; }
    const RowData& row(int index) override;
    bool updatable() const override { return true; }
    QString tableName() const override { return m_table; }
    QString keyColumn() const override { return m_keyColumn; }
    qint64 key(int index) const override;
    int indexOfKey(qint64 key) const override;
    int firstIndexOf(const std::vector<qint64>& keys) const override;
    void appendKey(qint64 key) override;
    void removeAt(int index) override;
    void invalidate() override;
    void invalidateKey(qint64 key) override;
    void loadAll() override;
    // True when every key is read and they are the table's keys at one moment, so that the
    // next run can take them over.
    bool lendable() const;
    // Hands the keys over (to be brought up to date for the next run); the result is done.
    std::vector<qint64> takeKeys();
    // A copy of the keys, for a new run while this result still shows its rows.
    std::vector<qint64> copyKeys() const { return m_keys; }

    static constexpr int kBatch = 256;
    // A row asked for on its own (after a post, a locate) brings only a few neighbours.
    static constexpr int kSmallBatch = 8;
    // Keys a walk reads at the least: at opening that is every key of a small table.
    static constexpr size_t kWindow = 4096;
    // Keys the first window of a filtered walk reads: a screenful and the rows read ahead of it.
    static constexpr size_t kFilteredWindow = 640;
    // Keys still to come after the first window from which they are also read beside the program.
    static constexpr size_t kPrefetchFrom = 16384;

private:
    // Rows are cached in slots chosen by their position: no hashing on the way to a row, and
    // a bounded memory whatever the size of the result. A slot is valid only while its
    // position still holds the same key and nothing was invalidated since it was filled. A
    // small result (a detail list, run again at every move of its master) has few slots:
    // they grow with the positions remembered, up to kSlots.
    struct Slot
    {
        int index = -1;
        qint64 key = 0;
        quint32 generation = 0;
        RowData row;
    };
    static constexpr int kSlots = 1024;

    // Only for a position that has a slot (see makeRoomFor()).
    Slot& slotFor(int index) { return m_slots[size_t(index) & (m_slots.size() - 1)]; }
    void makeRoomFor(int index);
    const RowData* cached(int index);
    void remember(int index, RowData row);
    void fetchAround(int index, int batch, bool backwards);
    // Reads the rows at these positions with one statement. A failure ends the read; the rows
    // that came before it are kept.
    void fetch(const std::vector<int>& positions);
    void rememberUnreadable(int index, const EEngineError& error);
    void convert(std::vector<QVariant>& values) const;
    // Makes sure the keys of the first `n` positions are read.
    void readKeys(size_t n) const;
    // The walk's reading after somebody else changed the table: every key not read yet, as
    // the table is now, without those shown already.
    void readRestAfterChange() const;
    void dropLaterRows(size_t from) const;
    void invalidatePositions() const;
    // Takes the keys read beside the program, waiting for them, when they are the table's keys
    // as the result opened with; true when they were taken.
    bool adoptPrefetched() const;
    void startPreparing(const ChangeLog::Mark& from);
    void readOrderHere();
    void takeOrder(std::vector<qint64> keys);

    SqliteConnection& m_db;
    QString m_table;
    QString m_keyColumn;
    FetchSql m_fetchSql;
    int m_keyIndex = -1; // the key among the columns, -1 when it is not one of them
    // The keys read so far, in result order. Keys are read on demand even through const
    // access: they are what the result is, only read late.
    mutable std::vector<qint64> m_keys;
    mutable std::unique_ptr<KeyWalk> m_walk;         // while keys are still to come
    mutable std::unique_ptr<KeyPrefetch> m_prefetch; // while the walk is also read beside
    std::unique_ptr<KeyPrefetch> m_preparing;        // while the order is read beside
    Beside m_prepared;                               // what reads it
    ChangeLog::Mark m_preparedFrom;                  // when its reading was asked for
    bool m_everyRow = false;                         // the keys shown meanwhile are every row
    int m_failedPreparations = 0;
    int m_total = 0;
    qint64 m_lastKey = 0;           // the highest key when the walk began: higher ones came later
    size_t m_firstWindow = kWindow; // keys a walk reads at the least
    ChangeLog::Mark m_opened;
    mutable bool m_exact = true;
    mutable QHash<qint64, int> m_positions; // built on first use
    mutable bool m_positionsValid = false;
    mutable int m_scansSincePositions = 0;
    static constexpr int kScansBeforePositions = 4;
    std::vector<Slot> m_slots; // a power of two of them, kSlots at the most
    quint32 m_generation = 1;  // invalidate() starts a new one: every slot filled before is stale
    int m_lastIndex = -1;
    RowData m_missing;
};
