#pragma once

#include "Procedury.h"

class TDAODataset;

// The shared routines that talk to the user or to the main window.
namespace Procedury {

// Asks "Delete item?" and deletes the current record on Yes; an empty dataset asks nothing.
void ConfirmDelete(TDAODataset& dataSet);

} // namespace Procedury
