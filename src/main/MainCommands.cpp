#include "MainCommands.h"

#include "ErrorGuard.h"
#include "FolderDefinition.h"
#include "TKOLTForm.h"

#include <QAction>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

MainCommands::MainCommands(TKOLTForm& window)
    : QObject(&window)
    , m_window(window)
{
    tbAdd = command(QStringLiteral("Add"), QStringLiteral("Add"), QStringLiteral("add"), &TKOLTForm::tbAddClick);
    tbEdit = command(QStringLiteral("Edit"), QStringLiteral("Edit"), QStringLiteral("edit"), &TKOLTForm::tbEditClick);
    tbDelete = command(QStringLiteral("Delete"), QStringLiteral("Delete"), QStringLiteral("delete"),
                       &TKOLTForm::tbDeleteClick);
    tbPrint
        = command(QStringLiteral("Print"), QStringLiteral("Print"), QStringLiteral("print"), &TKOLTForm::tbPrintClick);
    tbTools
        = command(QStringLiteral("Tools"), QStringLiteral("Tools"), QStringLiteral("tools"), &TKOLTForm::tbToolsClick);
    tbHelp = command(QStringLiteral("Help"), QStringLiteral("Help"), QStringLiteral("help"), &TKOLTForm::tbHelpClick);
    tbExit = command(QStringLiteral("Exit"), QStringLiteral("Exit"), QStringLiteral("exit"), &TKOLTForm::tbExitClick);

    Print1 = command(QStringLiteral("Print..."), QStringLiteral("Print"), QStringLiteral("print"),
                     &TKOLTForm::tbPrintClick);
    Exit1 = command(QStringLiteral("Exit"), QStringLiteral("Exit"), QStringLiteral("exit"), &TKOLTForm::tbExitClick);
    H_Help = command(QStringLiteral("Help "), QStringLiteral("Help"), QStringLiteral("help"), &TKOLTForm::tbHelpClick);
    H_Help->setShortcut(Qt::Key_F1);
    H_Help->setShortcutContext(Qt::ApplicationShortcut);
    H_About = command(QStringLiteral("About..."), QString(), QString(), &TKOLTForm::H_AboutClick);
    miStatistics = command(QStringLiteral("Statistics…"), QString(), QString(), &TKOLTForm::miStatisticsClick);
    miImport = command(QStringLiteral("Import…"), QString(), QString(), &TKOLTForm::miImportClick);
    miExport = command(QStringLiteral("Export…"), QString(), QString(), &TKOLTForm::miExportClick);
    miRestore = command(QStringLiteral("Restore from backup…"), QString(), QString(), &TKOLTForm::miRestoreClick);
    miTrash = command(QStringLiteral("Trash…"), QString(), QString(), &TKOLTForm::miTrashClick);
    miCheck = command(QStringLiteral("Check catalogue"), QString(), QString(), &TKOLTForm::miCheckClick);
    miOptions = command(QStringLiteral("Options…"), QString(), QString(), &TKOLTForm::miOptionsClick);
    miLend = command(QStringLiteral("Lend…"), QString(), QString(), &TKOLTForm::miLendClick);
    miReturn = command(QStringLiteral("Return"), QString(), QString(), &TKOLTForm::miReturnClick);
    miLoans = command(QStringLiteral("Loans…"), QString(), QString(), &TKOLTForm::miLoansClick);

    toolbarClose = command(QStringLiteral("Close toolbar"), QStringLiteral("Close the toolbar"), QString(),
                           &TKOLTForm::ToolbarClose);
    toolbarClose->setIcon(QIcon(QStringLiteral(":/main/icons/delete.svg")));
    toolbarClose->setVisible(false);

    miV_Panel = toggle(QStringLiteral("Panel Folders"), &TKOLTForm::miV_PanelClick);
    miV_Toolbar = toggle(QStringLiteral("Toolbar"), &TKOLTForm::miV_ToolbarClick);

    for (const FolderDefinition& f : FolderDefinition::all()) {
        const int tag = f.index;
        miFolders[size_t(tag)] = new QAction(f.caption, this);
        miFolders[size_t(tag)]->setData(tag);
        connect(miFolders[size_t(tag)], &QAction::triggered, this,
                [this, tag] { ErrorGuard::run([&] { m_window.miF_MoviesClick(miFolders[size_t(tag)]); }, &m_window); });
        miTools[size_t(tag)] = new QAction(f.caption, this);
        miTools[size_t(tag)]->setData(tag);
        connect(miTools[size_t(tag)], &QAction::triggered, this,
                [this, tag] { ErrorGuard::run([&] { m_window.T_MoviesClick(miTools[size_t(tag)]); }, &m_window); });
    }

    cbCategories = new QComboBox;
    cbCategories->setObjectName(QStringLiteral("cbCategories"));
    cbCategories->setEditable(false);
    cbCategories->setFixedWidth(121);
    // The box has a width of its own: measuring thousands of names to size it would only
    // keep the window waiting at every folder switch.
    cbCategories->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbCategories->setAccessibleName(QStringLiteral("Category"));
    cbCategories->setMaxVisibleItems(20);
    // Only a pick by the user filters; filling the box selects without saying so.
    connect(cbCategories, &QComboBox::activated, this,
            [this] { ErrorGuard::run([&] { m_window.cbCategoriesChange(); }, &m_window); });

    edSearch = new QLineEdit;
    edSearch->setObjectName(QStringLiteral("edSearch"));
    edSearch->setFixedWidth(121);
    edSearch->setAccessibleName(QStringLiteral("Search"));
    connect(edSearch, &QLineEdit::returnPressed, this,
            [this] { ErrorGuard::run([&] { m_window.edSearchKeyPress(); }, &m_window); });

    tbFind = new QToolButton;
    tbFind->setObjectName(QStringLiteral("tbFind"));
    tbFind->setIcon(QIcon(QStringLiteral(":/main/icons/find.svg")));
    tbFind->setToolTip(QStringLiteral("Find"));
    tbFind->setAccessibleName(QStringLiteral("Find"));
    tbFind->setAutoRaise(true);
    connect(tbFind, &QToolButton::clicked, this,
            [this] { ErrorGuard::run([&] { m_window.tbFindClick(); }, &m_window); });

    buildPopup();
}

QAction* MainCommands::command(const QString& text, const QString& hint, const QString& icon,
                               void (TKOLTForm::*handler)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(text.trimmed());
    // Hints show as tool tips: the status bar keeps its one panel.
    if (!hint.isEmpty())
        action->setToolTip(hint);
    if (!icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/main/icons/%1.svg").arg(icon)));
    connect(action, &QAction::triggered, this,
            [this, handler] { ErrorGuard::run([&] { (m_window.*handler)(); }, &m_window); });
    return action;
}

QAction* MainCommands::toggle(const QString& text, void (TKOLTForm::*handler)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(text);
    action->setCheckable(true);
    action->setChecked(true);
    // The handler inverts the check mark itself (as when called from code); undo the
    // inversion Qt made on the click first.
    connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
        action->setChecked(!checked);
        ErrorGuard::run([&] { (m_window.*handler)(); }, &m_window);
    });
    return action;
}

QAction* MainCommands::popupEntry(QAction* command, const QString& text)
{
    // An entry of its own: assistive tools know an action by one parent menu, and the pop-up
    // must not be read as part of the Edit menu. It runs the command and follows whether the
    // command can run.
    auto* entry = new QAction(command->icon(), text, PopupMenu1);
    entry->setEnabled(command->isEnabled());
    connect(entry, &QAction::triggered, command, &QAction::trigger);
    connect(command, &QAction::changed, entry, [entry, command] { entry->setEnabled(command->isEnabled()); });
    return entry;
}

void MainCommands::buildPopup()
{
    PopupMenu1 = new QMenu(&m_window);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(popupEntry(tbAdd, QStringLiteral("Add")));
    PopupMenu1->addAction(popupEntry(tbEdit, QStringLiteral("Edit")));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(popupEntry(tbDelete, QStringLiteral("Delete")));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(popupEntry(miLend, QStringLiteral("Lend…")));
    PopupMenu1->addAction(popupEntry(miReturn, QStringLiteral("Return")));
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(popupEntry(tbTools, QStringLiteral("Tools...")));
}

void MainCommands::fillMenuBar(QMenuBar* bar)
{
    bar->setAccessibleName(QStringLiteral("Menu Bar"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(Print1);
    file->addSeparator();
    file->addAction(miImport);
    file->addAction(miExport);
    file->addSeparator();
    file->addAction(miRestore);
    file->addSeparator();
    file->addAction(Exit1);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(tbAdd);
    edit->addAction(tbEdit);
    edit->addSeparator();
    edit->addAction(tbDelete);
    edit->addAction(miTrash);
    edit->addSeparator();
    edit->addAction(miLend);
    edit->addAction(miReturn);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addAction(miV_Panel);
    view->addAction(miV_Toolbar);

    QMenu* folders = bar->addMenu(QStringLiteral("F&olders"));
    for (QAction* a : miFolders)
        folders->addAction(a);

    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    for (QAction* a : miTools)
        tools->addAction(a);
    tools->addSeparator();
    tools->addAction(miStatistics);
    tools->addAction(miLoans);
    tools->addAction(miCheck);
    tools->addSeparator();
    tools->addAction(miOptions);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(H_Help);
    help->addSeparator();
    help->addAction(H_About);
}

void MainCommands::fillToolbar(QToolBar* bar)
{
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addAction(tbAdd);
    bar->addAction(tbEdit);
    bar->addSeparator();
    bar->addAction(tbDelete);
    bar->addSeparator();
    bar->addAction(tbPrint);
    bar->addSeparator();
    bar->addWidget(new QLabel(QStringLiteral(" Category:  ")));
    bar->addWidget(cbCategories);
    bar->addSeparator();
    bar->addWidget(new QLabel(QStringLiteral(" Search:  ")));
    bar->addWidget(edSearch);
    bar->addWidget(tbFind);
    bar->addSeparator();
    bar->addAction(tbTools);
    bar->addSeparator();
    bar->addAction(tbHelp);
    bar->addAction(tbExit);
    bar->addAction(toolbarClose);
    // Buttons are named by their hints, for assistive tools and automated checks.
    for (QAction* action : bar->actions()) {
        if (QWidget* button = bar->widgetForAction(action);
            button && !action->isSeparator() && button->accessibleName().isEmpty())
            button->setAccessibleName(action->toolTip());
    }
    if (auto* more = bar->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More commands"));
}
