#include "LookupMemo.h"

#include "TextFold.h"

namespace {
LookupMemo* g_active = nullptr; // the rules run on the GUI thread only
}

LookupMemo::LookupMemo()
    : m_outer(g_active)
{
    g_active = this;
}

LookupMemo::~LookupMemo()
{
    g_active = m_outer;
}

LookupMemo* LookupMemo::active()
{
    return g_active;
}

QString LookupMemo::keyOf(const QString& name)
{
    // The list finds a name with "Name = ?" under the catalogue's collation: names with the
    // same equality key are the same entry.
    const std::u32string folded = TextFold::equalityKey(name);
    return QString::fromUcs4(folded.data(), qsizetype(folded.size()));
}

const QString* LookupMemo::listed(const TDAOTable& table, const QString& name) const
{
    const auto names = m_names.constFind(&table);
    if (names == m_names.cend())
        return nullptr;
    const auto it = names->constFind(keyOf(name));
    return it == names->cend() ? nullptr : &*it;
}

void LookupMemo::remember(const TDAOTable& table, const QString& name, const QString& listed)
{
    m_names[&table].insert(keyOf(name), listed);
}
