#include "DetailLists.h"

#include "DetailText.h"
#include "TDAODatabase.h"

#include <QStringList>

DetailLists::DetailLists(TDAODatabase& db, ExchangeFolder::Details details)
    : m_db(db)
    , m_details(details)
{
}

void DetailLists::prepare()
{
    if (m_batch.isValid())
        return;
    QStringList marks;
    for (int i = 1; i <= kBatch; ++i)
        marks << QStringLiteral("?%1").arg(i);
    // The rows of one item come as its detail query orders them ("order by Name", "order by
    // Track"), the rows that sort equal in the same order as there: along the P_Id index.
    const QString sql = m_details == ExchangeFolder::Details::Cast
                            ? QStringLiteral("SELECT P_Id, Name FROM Mv_Cast WHERE P_Id IN (%1) ORDER BY P_Id, Name")
                            : QStringLiteral("SELECT P_Id, Track, Title, Time FROM Mu_Songs WHERE P_Id IN (%1) "
                                             "ORDER BY P_Id, Track");
    m_batch = SqliteStatement(m_db.handle(), sql.arg(marks.join(u',')), true);
}

void DetailLists::read(const std::vector<qint64>& items)
{
    m_texts.clear();
    if (m_details == ExchangeFolder::Details::None || items.empty())
        return;
    prepare();
    m_batch.reset();
    const int count = std::min<int>(int(items.size()), kBatch);
    for (int i = 0; i < kBatch; ++i) {
        if (i < count)
            m_batch.bindInt64(i + 1, items[size_t(i)]);
        else
            m_batch.bindNull(i + 1); // matches nothing
    }
    m_texts.reserve(count);
    for (int i = 0; i < count; ++i)
        m_texts.insert(items[size_t(i)], QString());
    qint64 current = 0;
    QStringList names;
    std::vector<SongEntry> songs;
    auto flush = [&] {
        if (m_details == ExchangeFolder::Details::Cast && !names.isEmpty())
            m_texts.insert(current, DetailText::castText(names));
        else if (m_details == ExchangeFolder::Details::Songs && !songs.empty())
            m_texts.insert(current, DetailText::songsText(songs));
        names.clear();
        songs.clear();
    };
    while (m_batch.step()) {
        const qint64 item = m_batch.columnInt64(0);
        if (item != current) {
            flush();
            current = item;
        }
        // Read as the detail query's fields give them: the stored value as text, the track
        // as a number.
        if (m_details == ExchangeFolder::Details::Cast)
            names << m_batch.column(1).toString();
        else
            songs.push_back({m_batch.column(1).toInt(), m_batch.column(2).toString(), m_batch.column(3).toString()});
    }
    flush();
    m_batch.reset();
}

const QString* DetailLists::find(qint64 item) const
{
    const auto it = m_texts.constFind(item);
    return it == m_texts.cend() ? nullptr : &*it;
}
