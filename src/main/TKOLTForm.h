#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

class CatalogueReports;
namespace ExchangeCommands {
struct Context;
}
class LoansDesk;
class FolderBar;
class FolderPanel;
class MainCommands;
class PictureRules;
class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QSessionManager;
class QSplitter;
class QStackedWidget;
class QToolBar;
class SafetyNet;
class SearchEverywhere;
class TDAOQuery;
class TDAOTable;
class TDBGrid;
class TDM;
class TitleBand;

// The main window: one of the five collections at a time, in a grid with its details, with
// the folder bar, menus, toolbar and status bar around it.
class TKOLTForm : public QMainWindow
{
    Q_OBJECT

public:
    // `programFolder` holds the help file KOLT.HLP; `dm` is the data module.
    TKOLTForm(const QString& programFolder, TDM& dm, QWidget* parent = nullptr);
    ~TKOLTForm() override;

    // Asks " Do you want exit? "; true when the window may close.
    bool FormCloseQuery();
    // Shows the window in front, restoring it when minimised (a later copy asked for it).
    void bringToFront();

    // Switches the window to a folder: title band, query reopened, panel in front, search box
    // emptied, category box reloaded.
    void SelectFolder(int index, const QString& title);

    // Opens the lookup lists dialog of a folder, modally.
    void OpenLookupEditor(int folder);

    // Command handlers.
    void abcButtonList1Click(int index, const QString& caption);
    void miF_MoviesClick(QAction* item);
    void T_MoviesClick(QAction* item);
    void miV_PanelClick();
    void miV_ToolbarClick();
    void ToolbarClose();
    void tbAddClick();
    void tbEditClick();
    void tbDeleteClick();
    void tbToolsClick();
    void tbPrintClick();
    void tbExitClick();
    void tbHelpClick();
    void H_AboutClick();
    void tbFindClick();
    void edSearchKeyPress();
    void cbCategoriesChange();
    void gridMovTitleBtnClick(TDBGrid* grid, int column, Qt::KeyboardModifiers modifiers);
    void gridMovSortMarkingChanged(TDBGrid* grid);
    void sbDodCastClick();
    void sbDelCastClick();
    void sbDodSongsClick();
    void sbDelSongsClick();
    void miStatisticsClick();
    void miImportClick();
    void miExportClick();
    void miRestoreClick();
    void miTrashClick();
    void miCheckClick();
    void miOptionsClick();
    void miLendClick();
    void miReturnClick();
    void miLoansClick();
    // Once the window is up: the notice of overdue loans.
    void StartupNotices();
    // Shows a folder filtered to one category, as a pick in the category box would.
    void FilterToCategory(int folder, const QString& category);
    // Opens the editor of the folder shown on its query's current record, modally.
    void OpenItemEditor();
    // Shows one item (by its key) current in its folder, clearing the folder's category filter
    // when the item is not in it; the grid takes the focus.
    void ShowItem(int folder, qint64 id);
    SearchEverywhere* searchEverywhere() const { return m_searchEverywhere; }

    // What the handlers and the shared routines work on.
    int CurrentFolder() const { return m_currentFolder; }
    const QString& SearchField(int folder) const { return m_searchField.at(size_t(folder)); }
    const QString& HelpFile() const { return m_helpFile; }
    TDM& dataModule() const { return m_dm; }
    FolderPanel* panel(int folder) const { return m_panels.at(size_t(folder)); }
    TDBGrid* grid(int folder) const;
    TDAOQuery& folderQuery(int folder) const;
    TDAOTable& categoryTable(int folder) const;
    TitleBand* titleBand() const { return m_title; }
    QComboBox* categoryBox() const;
    QLineEdit* searchBox() const;
    FolderBar* folderBar() const { return m_folderBar; }
    QToolBar* toolbar() const { return m_toolbar; }
    MainCommands* commands() const { return m_commands; }
    LoansDesk* loans() const { return m_loans.get(); }
    QStackedWidget* panelStack() const { return m_stack; }
    SafetyNet* safetyNet() const { return m_safety; }

    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void rereadStaleLists();
    // What Import… and Export… work on: the folder shown, its grid, the safety copy.
    ExchangeCommands::Context exchangeContext();
    // Closes the catalogue, runs `whileClosed` and opens it again, showing the folder shown.
    void reopenCatalogue(const std::function<void()>& whileClosed);
    void buildSearchEverywhere();
    void FormCreate();
    void attachLoans();
    void buildDockStrip();
    void buildMainArea();
    void buildStatusBar();
    void wireGrid(TDBGrid* grid);
    void commitData(QSessionManager& manager);
    bool guarded(const std::function<void()>& handler);

    TDM& m_dm;
    QString m_programFolder;
    QString m_helpFile;
    MainCommands* m_commands = nullptr;
    QToolBar* m_toolbar = nullptr;
    QSplitter* m_mainSplitter = nullptr;
    FolderBar* m_folderBar = nullptr;
    TitleBand* m_title = nullptr;
    QStackedWidget* m_stack = nullptr;
    std::array<FolderPanel*, 5> m_panels{};
    int m_currentFolder = 0;
    std::array<QString, 5> m_searchField;
    bool m_closeApproved = false;
    // The list report of each folder, printed by tbPrintClick.
    std::unique_ptr<CatalogueReports> m_reports;
    SafetyNet* m_safety = nullptr;
    // Gone before the panels, whose grids and Details panes it marks.
    std::unique_ptr<LoansDesk> m_loans;
    // Keeps each item's picture with it while the window works on the catalogue.
    std::unique_ptr<PictureRules> m_pictures;
    SearchEverywhere* m_searchEverywhere = nullptr;
};

extern TKOLTForm* KOLTForm;
