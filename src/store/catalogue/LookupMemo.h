#pragma once

#include <QHash>
#include <QString>

class TDAOTable;

// The names of the lookup lists as a long run of posts found or added them (an import), so that
// a name is looked for in its list once per run instead of at every post. Only for a run that is
// undone as a whole when any post fails: a name added by an undone post would otherwise be
// taken for listed. While a memo lives, the record rules use it; memos nest.
class LookupMemo
{
public:
    LookupMemo();
    ~LookupMemo();
    LookupMemo(const LookupMemo&) = delete;
    LookupMemo& operator=(const LookupMemo&) = delete;

    // The memo the rules use now; nullptr when there is none.
    static LookupMemo* active();

    // How `table` lists `name` (equal as the catalogue compares text), when the run has seen it.
    const QString* listed(const TDAOTable& table, const QString& name) const;
    void remember(const TDAOTable& table, const QString& name, const QString& listed);

private:
    static QString keyOf(const QString& name);

    LookupMemo* m_outer;
    QHash<const TDAOTable*, QHash<QString, QString>> m_names;
};
