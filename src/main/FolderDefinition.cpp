#include "FolderDefinition.h"

#include "CatalogueFile.h"
#include "TDM.h"

#include <algorithm>

namespace {

GridColumn col(const char* field, const char* title, int width, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter,
               QColor background = QColor())
{
    GridColumn c;
    c.field = QLatin1String(field);
    c.title = QLatin1String(title);
    c.width = width;
    c.alignment = align;
    c.background = background;
    return c;
}

// A title sorts its column where the catalogue keeps an index for that sort once the folder
// is large: one list serves both, so a sortable column never goes without its index.
void markSortable(FolderDefinition& folder)
{
    const auto& all = CatalogueFile::sortIndexes();
    const auto table = std::find_if(all.begin(), all.end(), [&folder](const CatalogueFile::SortIndexes& t) {
        return folder.tableName == QLatin1String(t.table);
    });
    if (table == all.end())
        return;
    for (GridColumn& c : folder.columns) {
        const QString sorted = FolderDefinition::sortColumn(c.field);
        c.titleButton = std::any_of(table->columns.begin(), table->columns.end(),
                                    [&sorted](const char* column) { return sorted == QLatin1String(column); });
    }
}

constexpr Qt::Alignment kCentred = Qt::AlignCenter;

std::vector<GridColumn> ascendingFirst(std::vector<GridColumn> columns)
{
    columns.front().marker = GridColumn::Marker::Ascending;
    return columns;
}

std::vector<FolderDefinition> build()
{
    std::vector<FolderDefinition> f(FolderDefinition::kCount);

    f[0].caption = QStringLiteral("Movies");
    f[0].panelName = QStringLiteral("PanelMov");
    f[0].gridName = QStringLiteral("gridMov");
    f[0].tableName = QStringLiteral("Movies");
    f[0].searchField = QStringLiteral("Title");
    f[0].columns = ascendingFirst({col("Title", "Title", 140), col("Category", "Category", 90),
                                   col("Media_type", "Media", 45, kCentred, QColor(209, 231, 226)),
                                   col("M_no", "Media No.", 65), col("Year", "Year", 35, kCentred)});
    f[0].details = {{"Title:", "Title", {}},
                    {"Category:", "Category", {}},
                    {"Year:", "Year", {}},
                    {"Time:", "Tot_time", {}},
                    {"Date aquired:", "Date_aq", {}}};
    f[0].lower = FolderDefinition::Lower::Cast;
    f[0].gridShare = 65;
    f[0].detailsShare = 40;
    f[0].listShare = 55;

    f[1].caption = QStringLiteral("Music");
    f[1].panelName = QStringLiteral("PanelMusic");
    f[1].gridName = QStringLiteral("gridMusic");
    f[1].tableName = QStringLiteral("Music");
    f[1].searchField = QStringLiteral("Artist");
    f[1].columns
        = ascendingFirst({col("Artist", "Artist", 100), col("Title", "Title", 120), col("Category", "Category", 80),
                          col("Media_type", "Media", 45, kCentred, QColor(223, 209, 200)), col("Year", "Year", 35)});
    f[1].details = {{"Title:", "Title", {}}, {"Artist:", "Artist", {}}, {"Category:", "Category", {}},
                    {"Year:", "Year", {}},   {"Time:", "Tot_time", {}}, {"Date aquired:", "Date_aq", {}}};
    f[1].lower = FolderDefinition::Lower::Songs;
    f[1].gridShare = 65;
    f[1].detailsShare = 28;
    f[1].listShare = 52;

    f[2].caption = QStringLiteral("Books");
    f[2].panelName = QStringLiteral("PanelBook");
    f[2].gridName = QStringLiteral("gridBooks");
    f[2].tableName = QStringLiteral("Books");
    f[2].searchField = QStringLiteral("Title");
    f[2].columns
        = ascendingFirst({col("Title", "Title", 100), col("Author", "Author", 100), col("Category", "Category", 80),
                          col("Year", "Year", 35), col("Publishers", "Publishers", 80)});
    f[2].details = {{"Title:", "Title", {}}, {"Author:", "Author", {}},        {"Category:", "Category", {}},
                    {"Year:", "Year", {}},   {"Publisher:", "Publishers", {}}, {"Date aquired:", "Date_aq", {}}};
    f[2].gridShare = 65;
    f[2].detailsShare = 28;

    f[3].caption = QStringLiteral("Programs");
    f[3].panelName = QStringLiteral("PanelProg");
    f[3].gridName = QStringLiteral("gridProg");
    f[3].tableName = QStringLiteral("Programs");
    f[3].searchField = QStringLiteral("Name");
    f[3].columns = ascendingFirst(
        {col("Name", "Name", 150), col("Version", "Version", 45), col("Category", "Category", 80),
         col("Media_type", "Media", 45, kCentred, QColor(204, 215, 221)), col("M_no", "Media No.", 65)});
    f[3].details = {{"Name:", "Name", {}},        {"Version:", "Version", {}}, {"Category:", "Category", {}},
                    {"Year:", "Year", {}},        {"Author:", "Author", {}},   {"Size:", "Size", {}},
                    {"Media:", "Media_type", {}}, {"Media No.", "M_no", {}},   {"Date aquired:", "Date_aq", {}}};
    f[3].gridShare = 65;
    f[3].detailsShare = 39;

    f[4].caption = QStringLiteral("Address Book");
    f[4].panelName = QStringLiteral("PanelAdress");
    f[4].gridName = QStringLiteral("gridAddBook");
    f[4].tableName = QStringLiteral("AddressBook");
    f[4].searchField = QStringLiteral("LF_Name");
    f[4].columns = ascendingFirst({col("LF_Name", "Name", 160), col("Category", "Category", 100)});
    f[4].gridShare = 45;
    f[4].detailsShare = 58;

    for (int i = 0; i < FolderDefinition::kCount; ++i) {
        f[size_t(i)].index = i;
        markSortable(f[size_t(i)]);
    }
    return f;
}

} // namespace

const std::vector<FolderDefinition>& FolderDefinition::all()
{
    static const std::vector<FolderDefinition> folders = build();
    return folders;
}

QString FolderDefinition::sortColumn(const QString& field)
{
    // The name column of the address book shows a name made of two; it sorts and searches
    // by the stored last name.
    return field == QLatin1String("LF_Name") ? QStringLiteral("L_Name") : field;
}

TDataSource& FolderDefinition::source(TDM& dm, int index)
{
    TDataSource* sources[kCount] = {&dm.dsMovies, &dm.dsMusic, &dm.dsBooks, &dm.dsProg, &dm.dsAddBook};
    return *sources[qBound(0, index, kCount - 1)];
}

TDAOQuery& FolderDefinition::query(TDM& dm, int index)
{
    TDAOQuery* queries[kCount] = {&dm.qrMovies, &dm.qrMusic, &dm.qrBooks, &dm.qrProg, &dm.qrAddBook};
    return *queries[qBound(0, index, kCount - 1)];
}

TDAOTable& FolderDefinition::categories(TDM& dm, int index)
{
    TDAOTable* tables[kCount] = {&dm.tbC_Movies, &dm.tbC_Music, &dm.tbC_Books, &dm.tbC_Programs, &dm.tbC_AddBook};
    return *tables[qBound(0, index, kCount - 1)];
}
