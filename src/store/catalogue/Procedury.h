#pragma once

#include <QString>

class TDAODataset;
class TDAOTable;
class TStrings;

// The small routines the data module and every window share. They keep nothing between calls
// and catch nothing: an error ends the routine and reaches the caller.
namespace Procedury {

// Re-reads a dataset, unfiltered, positioned on its first record.
void ReopenDataSet(TDAODataset& dataSet);
// Finishes the record being entered or changed: edit state if needed, then post.
void PostRecord(TDAODataset& dataSet);
// Reloads a list with the Name of every row of a lookup table, in the table's order.
void FillComboFromTable(TDAOTable& table, TStrings& list);
// Adds the named field's text of the record being posted to a lookup table when missing.
void AddToLookupIfMissing(TDAODataset& dataSet, TDAOTable& table, const QString& fieldName);

} // namespace Procedury
