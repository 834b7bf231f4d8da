#pragma once

#include "CatalogueExporter.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;
class TDAODataset;
class TDM;

// The File menu's Import… and Export…, over what the main window gives them.
namespace ExchangeCommands {

struct Context
{
    TDM* dm = nullptr;
    QWidget* window = nullptr;
    int folder = 0;
    // The folder's items as shown (filter and sort) and the columns of its grid.
    TDAODataset* shown = nullptr;
    std::vector<CatalogueExporter::Column> gridColumns;
    // A copy of the catalogue before the import writes; false when none could be made.
    std::function<bool()> backUp;
    // Shows a folder whole (its category filter cleared), after an import.
    std::function<void(int folder)> showFolder;
};

// Asks for a file (or takes `path`), shows the import dialog and runs the import the user
// confirms, with a progress window and the summary at its end.
void importFile(const Context& context, QString path = QString());

enum class Format { Csv, Html, Tellico };
// Writes the folder (every item, or what is shown) to `path`; the file is replaced only when
// it has been written whole.
void exportTo(const Context& context, Format format, bool onlyShown, const QString& path);
// Asks what and where, then exports.
void exportFolder(const Context& context);

// A Description memo as plain text, and as an HTML fragment with its formatting.
QString memoPlainText(const QString& memo);
QString memoHtml(const QString& memo);

} // namespace ExchangeCommands
