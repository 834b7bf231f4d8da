#pragma once

#include "ProceduryDialogs.h"

#include <QString>

class QWidget;
class TDAOQuery;

// The shared routines that talk to the user or work on the main window.
namespace Procedury {

// Brings a folder panel in front of the others and paints it at once. It hides nothing.
void ShowPanel(QWidget* panel);

// Reloads the toolbar's category box for the folder shown: "All categories", then the
// folder's category list in the order the table gives it. Selecting the first entry here is
// not a choice of the user's and filters nothing.
void FillCategoryCombo();

// Rebuilds the shown folder's query as "select * from <table> order by <field> <direction>",
// with the category box's filter, and opens it; the bound views repaint once.
void ApplySortOrder(const QString& field, const QString& direction);

// Sets (or clears, for "All categories") the query's filter from the category box.
void SetCategoryFilter(TDAOQuery& query);
// "Category = '<name>'", with a quote inside the name doubled so that the name stays one text.
QString CategoryFilter(const QString& category);

} // namespace Procedury
