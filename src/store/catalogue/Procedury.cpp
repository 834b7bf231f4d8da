#include "Procedury.h"

#include "LookupMemo.h"
#include "TDAODataset.h"
#include "TDAOTable.h"
#include "TStrings.h"

namespace Procedury {

void ReopenDataSet(TDAODataset& dataSet)
{
    // Switching the filter off on an open dataset leaves edit state; closing first spares
    // running the statement twice.
    if (dataSet.Active() && dataSet.Filtered())
        dataSet.CheckBrowseMode();
    dataSet.Close();
    dataSet.setFiltered(false);
    dataSet.Open();
}

void PostRecord(TDAODataset& dataSet)
{
    dataSet.Edit();
    dataSet.Post();
}

void FillComboFromTable(TDAOTable& table, TStrings& list)
{
    ReopenDataSet(table);
    list.Clear();
    if (table.IsEmpty())
        return;
    const TField& name = table.FieldByName(QStringLiteral("Name"));
    for (table.First(); !table.Eof(); table.Next())
        list.Add(name.AsString());
}

void AddToLookupIfMissing(TDAODataset& dataSet, TDAOTable& table, const QString& fieldName)
{
    const QString text = dataSet.FieldByName(fieldName).AsString();
    if (text.isEmpty())
        return;
    // Look for the text as the list would store it: a category wider than the list's Name
    // is found again by its cut form instead of being added once more at every post.
    TField& name = table.FieldByName(QStringLiteral("Name"));
    const QString stored = TField::cutText(text, name.Size());
    // A name typed in other letter case is the listed one: the item takes the list's
    // spelling, so that "GRACE SMITH" and "Grace Smith" never stand side by side.
    const auto takeSpelling = [&](const QString& listed) {
        if (listed != stored && listed.toCaseFolded() == stored.toCaseFolded())
            dataSet.FieldByName(fieldName).SetAsString(listed);
    };
    LookupMemo* memo = LookupMemo::active();
    if (memo) {
        if (const QString* listed = memo->listed(table, stored)) {
            takeSpelling(*listed);
            return;
        }
    }
    if (table.Locate(QStringLiteral("Name"), {stored}, 0)) {
        const QString listed = name.AsString();
        if (memo)
            memo->remember(table, stored, listed);
        takeSpelling(listed);
        return;
    }
    table.Insert();
    name.SetAsString(stored);
    table.Post();
    if (memo)
        memo->remember(table, stored, name.AsString());
}

} // namespace Procedury
