#pragma once

#include <QObject>
#include <array>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class TKOLTForm;

// The main window's commands: the menu bar, the toolbar and the pop-up menu of the folder
// grids, every item wired to its handler on the window.
class MainCommands : public QObject
{
public:
    explicit MainCommands(TKOLTForm& window);

    void fillMenuBar(QMenuBar* bar);
    void fillToolbar(QToolBar* bar);

    // Toolbar and Edit menu.
    QAction* tbAdd = nullptr;
    QAction* tbEdit = nullptr;
    QAction* tbDelete = nullptr;
    QAction* tbPrint = nullptr;
    QAction* tbTools = nullptr;
    QAction* tbHelp = nullptr;
    QAction* tbExit = nullptr;
    QToolButton* tbFind = nullptr;
    QComboBox* cbCategories = nullptr;
    QLineEdit* edSearch = nullptr;

    // Menu items of their own.
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* miV_Panel = nullptr;
    QAction* miV_Toolbar = nullptr;
    std::array<QAction*, 5> miFolders{};
    std::array<QAction*, 5> miTools{};
    QAction* miStatistics = nullptr;
    // Bringing a collection in from a file and taking a folder out: File > Import…, Export….
    QAction* miImport = nullptr;
    QAction* miExport = nullptr;
    // The safety net: backups, the trash, the check of the file and their options.
    QAction* miRestore = nullptr;
    QAction* miTrash = nullptr;
    QAction* miCheck = nullptr;
    QAction* miOptions = nullptr;
    // Loans: Edit > Lend… and Return (also on the pop-up menu), Tools > Loans….
    QAction* miLend = nullptr;
    QAction* miReturn = nullptr;
    QAction* miLoans = nullptr;
    QAction* H_Help = nullptr;
    QAction* H_About = nullptr;
    // The close button of the floating toolbar.
    QAction* toolbarClose = nullptr;

    QMenu* PopupMenu1 = nullptr;

private:
    QAction* command(const QString& text, const QString& hint, const QString& icon, void (TKOLTForm::*handler)());
    QAction* toggle(const QString& text, void (TKOLTForm::*handler)());
    void buildPopup();
    QAction* popupEntry(QAction* command, const QString& text);

    TKOLTForm& m_window;
};
