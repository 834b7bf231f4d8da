#include "ResultSet.h"

int ResultSet::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int ResultSet::firstIndexOf(const std::vector<qint64>& keys) const
{
    int best = -1;
    for (const qint64 k : keys) {
        const int i = indexOfKey(k);
        if (i >= 0 && (best < 0 || i < best))
            best = i;
    }
    return best;
}
