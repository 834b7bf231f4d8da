#pragma once

#include "Procedury.h"

class QComboBox;
class TDAODataset;
class TDAOTable;

// The shared routines that ask the user or fill a dialog's lists.
namespace Procedury {

// Asks "Delete item?" and deletes the current record on Yes; an empty dataset asks nothing.
void ConfirmDelete(TDAODataset& dataSet);

// Reloads a drop-down box's list with the Name of every row of a lookup table, in the table's
// order. The box's text and the field it is bound to stay as they are.
void FillComboFromTable(TDAOTable& table, QComboBox& box);

} // namespace Procedury
