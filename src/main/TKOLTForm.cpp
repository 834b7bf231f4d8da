#include "TKOLTForm.h"

#include "CatalogueReports.h"
#include "DetailsForm.h"
#include "ErrorGuard.h"
#include "ExchangeCommands.h"
#include "FolderBar.h"
#include "FolderDefinition.h"
#include "FolderPanel.h"
#include "HeldNotifications.h"
#include "HelpViewer.h"
#include "LoansDesk.h"
#include "MainCommands.h"
#include "MessageService.h"
#include "PictureRules.h"
#include "ProceduryWindows.h"
#include "SafetyNet.h"
#include "SearchEverywhere.h"
#include "SearchIndex.h"
#include "ShownReport.h"
#include "StatisticsWindow.h"
#include "TAboutForm.h"
#include "TAddressBookForm.h"
#include "TBookForm.h"
#include "TDAOQuery.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TItemAllForm.h"
#include "TMovieForm.h"
#include "TMusicForm.h"
#include "TProgForm.h"
#include "TRep_PrevForm.h"
#include "TSongForm.h"
#include "TT_AddBookForm.h"
#include "TT_BooksForm.h"
#include "TT_MoviesForm.h"
#include "TT_MusicForm.h"
#include "TT_ProgForm.h"
#include "TextFold.h"
#include "TitleBand.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSessionManager>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TKOLTForm* KOLTForm = nullptr;

namespace {

QPixmap dockTile()
{
    return QIcon(QStringLiteral(":/main/dock-tile.svg")).pixmap(QSize(64, 64));
}

} // namespace

TKOLTForm::TKOLTForm(const QString& programFolder, TDM& dm, QWidget* parent)
    : QMainWindow(parent)
    , m_dm(dm)
    , m_programFolder(programFolder)
    , m_reports(std::make_unique<CatalogueReports>(dm))
{
    KOLTForm = this;
    setObjectName(QStringLiteral("KOLTForm"));
    setWindowTitle(QStringLiteral("Tarvena"));
    setWindowIcon(QIcon(QStringLiteral(":/app/kolt.svg")));
    m_commands = new MainCommands(*this);
    buildDockStrip();
    buildMainArea();
    buildStatusBar();
    addAction(m_commands->H_Help); // F1 works with the menu bar hidden too
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TKOLTForm::commitData);
    // A list a saved change could not read again keeps its rows until the file lets it.
    auto* reread = new QTimer(this);
    reread->setInterval(2000);
    connect(reread, &QTimer::timeout, this, [this] { rereadStaleLists(); });
    reread->start();
    // A folder sorted beside the program meets its errors outside any command.
    for (int f = 0; f < int(FolderDefinition::all().size()); ++f)
        folderQuery(f).OnOrderError = [this](TDAODataset&, const std::exception& e) { ErrorGuard::report(e, this); };
    guarded([this] { FormCreate(); });
    m_safety
        = new SafetyNet(m_dm, this, [this](const std::function<void()>& whileClosed) { reopenCatalogue(whileClosed); });
    // After the trash: its rules keep an item's picture before the picture's own rule removes it.
    m_pictures = std::make_unique<PictureRules>(dm);
    guarded([this] { attachLoans(); });
    guarded([this] { buildSearchEverywhere(); });
    // Last: what the opening itself wrote (an index built) is not a change worth a backup.
    m_safety->startUp();
    // Items put back from the trash are written past the folder queries: the index is told.
    m_safety->setRestored([this](int folder, qint64 id) {
        if (m_searchEverywhere && m_searchEverywhere->index())
            m_searchEverywhere->index()->refresh(folder, id);
    });
}

void TKOLTForm::reopenCatalogue(const std::function<void()>& whileClosed)
{
    if (m_searchEverywhere)
        m_searchEverywhere->catalogueClosing();
    m_dm.DataModuleDestroy();
    whileClosed();
    guarded([this] {
        m_dm.DataModuleCreate();
        SelectFolder(m_currentFolder, m_title->text());
    });
    if (m_searchEverywhere)
        guarded([this] { m_searchEverywhere->catalogueOpened(); });
    if (m_loans)
        m_loans->book().catalogueReplaced();
}

void TKOLTForm::attachLoans()
{
    m_loans = std::make_unique<LoansDesk>(m_dm, this);
    for (FolderPanel* panel : m_panels) {
        const int folder = panel->definition().index;
        m_loans->attachGrid(folder, panel->grid()->gridModel());
        if (DetailsForm* form = panel->detailsForm())
            form->addRow(m_loans->makeNote(folder, *panel->grid()->dataSource(), form));
    }
}

void TKOLTForm::buildSearchEverywhere()
{
    SearchEverywhere::Context context;
    context.window = this;
    context.dm = &m_dm;
    context.toolbar = m_toolbar;
    context.besides = m_commands->tbFind;
    for (QAction* menu : menuBar()->actions()) {
        if (menu->menu() && menu->text() == QLatin1String("&Edit"))
            context.editMenu = menu->menu();
    }
    context.showToolbar = [this] { miV_ToolbarClick(); };
    context.showItem = [this](int folder, qint64 id) { ShowItem(folder, id); };
    context.home = [this]() -> QWidget* { return grid(m_currentFolder); };
    m_searchEverywhere = new SearchEverywhere(std::move(context));
}

void TKOLTForm::ShowItem(int folder, qint64 id)
{
    if (folder != m_currentFolder)
        SelectFolder(folder, FolderDefinition::all()[size_t(folder)].caption);
    TDAOQuery& query = folderQuery(folder);
    if (!query.Locate(QStringLiteral("Id"), {id}, 0) && categoryBox()->currentIndex() != 0) {
        // Not among the items of the category chosen: the whole folder is shown.
        categoryBox()->setCurrentIndex(0);
        cbCategoriesChange();
        query.Locate(QStringLiteral("Id"), {id}, 0);
    }
    grid(folder)->setFocus(Qt::OtherFocusReason);
}

void TKOLTForm::rereadStaleLists()
{
    if (!m_dm.HasStaleLists())
        return;
    try {
        m_dm.RereadStaleLists();
    } catch (const std::exception&) {
        // Still refused: the user was told when the change was saved; try again later.
    }
}

TKOLTForm::~TKOLTForm()
{
    if (KOLTForm == this)
        KOLTForm = nullptr;
}

bool TKOLTForm::guarded(const std::function<void()>& handler)
{
    return ErrorGuard::run(handler, this);
}

void TKOLTForm::buildDockStrip()
{
    const QPixmap tile = dockTile();
    QPalette stripPalette = palette();
    if (!tile.isNull()) {
        // The tile paints the strip; the colour stays for what the style derives from it
        // (separators, frames).
        QBrush brush(tile);
        brush.setColor(stripPalette.color(QPalette::Window));
        stripPalette.setBrush(QPalette::Window, brush);
    }

    m_commands->fillMenuBar(menuBar());
    menuBar()->setAutoFillBackground(true);
    menuBar()->setPalette(stripPalette);

    // The toolbar can be dragged off the strip to float; floating, it shows a close button.
    m_toolbar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolbar->setAccessibleName(QStringLiteral("Toolbar"));
    m_toolbar->setMovable(true);
    m_toolbar->setFloatable(true);
    m_toolbar->setAllowedAreas(Qt::TopToolBarArea);
    m_toolbar->setAutoFillBackground(true);
    m_toolbar->setPalette(stripPalette);
    m_commands->fillToolbar(m_toolbar);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    connect(m_toolbar, &QToolBar::topLevelChanged, m_commands->toolbarClose, &QAction::setVisible);
}

void TKOLTForm::buildMainArea()
{
    auto* main = new QWidget(this);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(4, 4, 4, 4);

    m_mainSplitter = new QSplitter(Qt::Horizontal, main);
    m_mainSplitter->setHandleWidth(4);
    m_mainSplitter->setChildrenCollapsible(false);
    m_folderBar = new FolderBar(m_mainSplitter);
    m_folderBar->setMinimumWidth(60);
    connect(m_folderBar, &FolderBar::buttonClicked, this,
            [this](int index, const QString& caption) { guarded([&] { abcButtonList1Click(index, caption); }); });

    auto* content = new QWidget(m_mainSplitter);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(4);
    m_title = new TitleBand(content);
    m_stack = new QStackedWidget(content);
    contentLayout->addWidget(m_title);
    contentLayout->addWidget(m_stack, 1);

    for (const FolderDefinition& f : FolderDefinition::all()) {
        auto* panel = new FolderPanel(f, m_dm, m_stack);
        m_stack->addWidget(panel);
        m_panels[size_t(f.index)] = panel;
        wireGrid(panel->grid());
    }
    FolderPanel* movies = m_panels[0];
    FolderPanel* music = m_panels[1];
    connect(movies->addDetailButton(), &QToolButton::clicked, this, [this] { guarded([this] { sbDodCastClick(); }); });
    connect(movies->deleteDetailButton(), &QToolButton::clicked, this,
            [this] { guarded([this] { sbDelCastClick(); }); });
    connect(music->addDetailButton(), &QToolButton::clicked, this, [this] { guarded([this] { sbDodSongsClick(); }); });
    connect(music->deleteDetailButton(), &QToolButton::clicked, this,
            [this] { guarded([this] { sbDelSongsClick(); }); });

    m_mainSplitter->addWidget(m_folderBar);
    m_mainSplitter->addWidget(content);
    m_mainSplitter->setStretchFactor(1, 1);
    m_mainSplitter->setSizes({100, 900});
    mainLayout->addWidget(m_mainSplitter);
    setCentralWidget(main);
}

void TKOLTForm::wireGrid(TDBGrid* grid)
{
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { m_commands->PopupMenu1->popup(grid->viewport()->mapToGlobal(at)); });
    connect(grid, &TDBGrid::titleClicked, this, [this, grid](int column, Qt::KeyboardModifiers modifiers) {
        guarded([&] { gridMovTitleBtnClick(grid, column, modifiers); });
    });
    connect(grid, &TDBGrid::controlReleased, this, [this, grid] {
        if (grid->property("sortPending").toBool()) {
            grid->setProperty("sortPending", false);
            guarded([&] { gridMovSortMarkingChanged(grid); });
        }
    });
}

void TKOLTForm::buildStatusBar()
{
    auto* panel = new QLabel(QStringLiteral("F1 - Help"), this);
    panel->setFixedWidth(60);
    panel->setAccessibleName(QStringLiteral("F1 - Help"));
    statusBar()->addWidget(panel);
}

void TKOLTForm::FormCreate()
{
    m_helpFile = QDir(m_programFolder).filePath(QStringLiteral("KOLT.HLP"));
    m_currentFolder = 0;
    Procedury::ShowPanel(m_panels[0]);
    m_title->setText(FolderDefinition::all()[0].caption);
    for (const FolderDefinition& f : FolderDefinition::all())
        m_searchField[size_t(f.index)] = f.searchField;
    Procedury::FillCategoryCombo();
    Procedury::ApplySortOrder(QStringLiteral("Title"), QStringLiteral("ASC"));
    Procedury::ReopenDataSet(m_dm.qrMv_Cast);
}

TDBGrid* TKOLTForm::grid(int folder) const
{
    return m_panels.at(size_t(folder))->grid();
}

TDAOQuery& TKOLTForm::folderQuery(int folder) const
{
    // The folder's query is the dataset behind its grid.
    return static_cast<TDAOQuery&>(*grid(folder)->dataSource()->DataSet());
}

TDAOTable& TKOLTForm::categoryTable(int folder) const
{
    return FolderDefinition::categories(m_dm, folder);
}

QComboBox* TKOLTForm::categoryBox() const
{
    return m_commands->cbCategories;
}

QLineEdit* TKOLTForm::searchBox() const
{
    return m_commands->edSearch;
}

void TKOLTForm::SelectFolder(int index, const QString& title)
{
    m_currentFolder = index;
    m_title->setText(title);
    Procedury::ReopenDataSet(folderQuery(index));
    if (TDBGrid* list = m_panels[size_t(index)]->detailList())
        Procedury::ReopenDataSet(*list->dataSource()->DataSet());
    Procedury::ShowPanel(m_panels[size_t(index)]);
    m_commands->miLend->setEnabled(index < 4);
    m_commands->miReturn->setEnabled(index < 4);
    searchBox()->clear();
    Procedury::FillCategoryCombo();
}

void TKOLTForm::abcButtonList1Click(int index, const QString& caption)
{
    if (index < 0)
        return;
    SelectFolder(index, caption);
}

void TKOLTForm::miF_MoviesClick(QAction* item)
{
    SelectFolder(item->data().toInt(), item->text());
}

void TKOLTForm::miV_PanelClick()
{
    QAction* item = m_commands->miV_Panel;
    item->setChecked(!item->isChecked());
    m_folderBar->setVisible(item->isChecked());
    if (item->isChecked())
        m_mainSplitter->setSizes({qMax(m_folderBar->sizeHint().width(), 100), m_mainSplitter->width()});
}

void TKOLTForm::miV_ToolbarClick()
{
    QAction* item = m_commands->miV_Toolbar;
    item->setChecked(!item->isChecked());
    m_toolbar->setVisible(m_toolbar->isHidden());
}

void TKOLTForm::ToolbarClose()
{
    m_toolbar->hide();
    m_commands->miV_Toolbar->setChecked(false);
}

void TKOLTForm::gridMovTitleBtnClick(TDBGrid* grid, int column, Qt::KeyboardModifiers modifiers)
{
    DataGridModel* model = grid->gridModel();
    const GridColumn& clicked = model->columns().at(size_t(column));
    m_searchField[size_t(m_currentFolder)] = clicked.field;

    using Marker = GridColumn::Marker;
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    Marker next = Marker::Ascending;
    if (clicked.marker == Marker::Ascending)
        next = Marker::Descending;
    else if (clicked.marker == Marker::Descending)
        next = ctrl ? Marker::None : Marker::Ascending;
    if (!ctrl || next != Marker::None) {
        for (int i = 0; i < int(model->columns().size()); ++i)
            model->column(i).marker = Marker::None;
    }
    model->column(column).marker = next;
    grid->refreshTitles();

    // After a Ctrl-click the grid reacts when Ctrl is let go; a plain click reacts at once and
    // settles any reaction still waiting.
    grid->setProperty("sortPending", ctrl);
    if (!ctrl)
        gridMovSortMarkingChanged(grid);
}

void TKOLTForm::gridMovSortMarkingChanged(TDBGrid* grid)
{
    const DataGridModel* model = grid->gridModel();
    TDAODataset* query = grid->dataSource()->DataSet();
    for (const GridColumn& c : model->columns()) {
        if (c.marker == GridColumn::Marker::None)
            continue;
        // With one item or none (or a closed query) the order is left as it is.
        if (!query || query->RecordCount() <= 1)
            continue;
        Procedury::ApplySortOrder(c.field, c.marker == GridColumn::Marker::Ascending ? QStringLiteral("ASC")
                                                                                     : QStringLiteral("DESC"));
    }
}

void TKOLTForm::cbCategoriesChange()
{
    TDAOQuery& query = folderQuery(m_currentFolder);
    const HeldNotifications held(query);
    query.Close();
    Procedury::SetCategoryFilter(query);
    query.Open();
}

void TKOLTForm::tbFindClick()
{
    const QString field = m_searchField[size_t(m_currentFolder)];
    if (field.isEmpty())
        return;
    TDAOQuery& query = folderQuery(m_currentFolder);
    if (query.IsEmpty())
        return;
    query.Locate(FolderDefinition::sortColumn(field), {searchBox()->text()}, loPartialKey);
}

void TKOLTForm::edSearchKeyPress()
{
    tbFindClick();
}

void TKOLTForm::tbAddClick()
{
    // A failed insert opens no editor.
    folderQuery(m_currentFolder).Insert();
    OpenItemEditor();
}

void TKOLTForm::tbEditClick()
{
    // A folder whose rows wait for their order shows none meanwhile, which is no empty folder.
    folderQuery(m_currentFolder).waitForOrder();
    if (folderQuery(m_currentFolder).IsEmpty())
        return;
    OpenItemEditor();
}

void TKOLTForm::tbDeleteClick()
{
    // An item or person with something on loan gets a question that says so instead.
    if (m_loans && m_loans->askedBeforeDelete(m_currentFolder))
        return;
    Procedury::ConfirmDelete(folderQuery(m_currentFolder));
}

void TKOLTForm::OpenItemEditor()
{
    KoltDialog* editor = nullptr;
    switch (m_currentFolder) {
    case 0:
        editor = new TMovieForm(this, m_dm);
        break;
    case 1:
        editor = new TMusicForm(this, m_dm);
        break;
    case 2:
        editor = new TBookForm(this, m_dm);
        break;
    case 3:
        editor = new TProgForm(this, m_dm);
        break;
    case 4:
        editor = new TAddressBookForm(this, m_dm);
        break;
    default:
        return;
    }
    editor->showModal();
}

void TKOLTForm::OpenLookupEditor(int folder)
{
    KoltDialog* dialog = nullptr;
    switch (folder) {
    case 0:
        dialog = new TT_MoviesForm(this, m_dm);
        break;
    case 1:
        dialog = new TT_MusicForm(this, m_dm);
        break;
    case 2:
        dialog = new TT_BooksForm(this, m_dm);
        break;
    case 3:
        dialog = new TT_ProgForm(this, m_dm);
        break;
    case 4:
        dialog = new TT_AddBookForm(this, m_dm);
        break;
    default:
        return;
    }
    // The category box is not reloaded: it shows the lists as they were when the folder was
    // chosen.
    dialog->showModal();
}

void TKOLTForm::tbToolsClick()
{
    OpenLookupEditor(m_currentFolder);
}

void TKOLTForm::T_MoviesClick(QAction* item)
{
    // Any folder's lists, whichever folder is shown.
    OpenLookupEditor(item->data().toInt());
}

void TKOLTForm::sbDodCastClick()
{
    // The cast list's add button: a cast member for the movie current in the grid.
    if (m_dm.qrMovies.IsEmpty())
        return;
    TItemAllForm::addCast(this, m_dm);
}

void TKOLTForm::sbDelCastClick()
{
    // The cast list's delete button.
    Procedury::ConfirmDelete(m_dm.qrMv_Cast);
}

void TKOLTForm::sbDodSongsClick()
{
    // The songs' add button: a new song for the album shown, in the song editor.
    if (m_dm.qrMusic.IsEmpty())
        return;
    TSongForm::addSong(this, m_dm);
}

void TKOLTForm::sbDelSongsClick()
{
    // The songs' delete button.
    Procedury::ConfirmDelete(m_dm.qrMu_Songs);
}

void TKOLTForm::tbPrintClick()
{
    const ReportDefinition& whole = m_reports->byFolder(m_currentFolder);
    // The report lists the rows in the order asked for, not in the one shown meanwhile.
    folderQuery(m_currentFolder).waitForOrder();
    TRep_PrevForm::showReport(whole, this, std::make_unique<ShownReport>(whole, folderQuery(m_currentFolder)));
}

QMenu* TKOLTForm::createPopupMenu()
{
    // The toolbar is shown and hidden through View > Toolbar only, so that its check mark
    // always tells the truth.
    return nullptr;
}

bool TKOLTForm::FormCloseQuery()
{
    return MessageService::ask(QStringLiteral(" Do you want exit? "), this);
}

void TKOLTForm::closeEvent(QCloseEvent* event)
{
    bool allowed = m_closeApproved;
    if (!allowed)
        guarded([&] { allowed = FormCloseQuery(); });
    if (allowed) {
        // The copy is made while the window still shows, with its progress; it never stops the close.
        if (m_safety && !m_closeApproved)
            m_safety->backUpIfChanged();
        event->accept();
    } else
        event->ignore();
}

void TKOLTForm::commitData(QSessionManager& manager)
{
    // Logging off asks the same question; No refuses the log-off.
    if (!manager.allowsInteraction())
        return;
    const bool allowed = FormCloseQuery();
    manager.release();
    if (allowed)
        m_closeApproved = true;
    else
        manager.cancel();
}

void TKOLTForm::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TKOLTForm::tbExitClick()
{
    close();
}

void TKOLTForm::tbHelpClick()
{
    HelpViewer::showContents(m_helpFile);
}

void TKOLTForm::H_AboutClick()
{
    auto* about = new TAboutForm(this);
    about->exec();
}

void TKOLTForm::miStatisticsClick()
{
    StatisticsWindow::Context context;
    context.cataloguePath = m_dm.dbKOLT.DatabaseName();
    context.folder = m_currentFolder;
    context.shownFolder = m_currentFolder;
    if (categoryBox()->currentIndex() > 0)
        context.shownCategory = categoryBox()->currentText();
    context.filterTo = [this](int folder, const QString& category) {
        ErrorGuard::run([&] { FilterToCategory(folder, category); }, this);
    };
    auto* window = new StatisticsWindow(std::move(context), this);
    window->show();
}

ExchangeCommands::Context TKOLTForm::exchangeContext()
{
    ExchangeCommands::Context context;
    context.dm = &m_dm;
    context.window = this;
    context.folder = m_currentFolder;
    // What is shown is exported as the user asked for it: in its order, all of its rows.
    folderQuery(m_currentFolder).waitForOrder();
    context.shown = &folderQuery(m_currentFolder);
    for (const GridColumn& c : FolderDefinition::all()[size_t(m_currentFolder)].columns)
        context.gridColumns.push_back({c.field, c.title.isEmpty() ? c.field : c.title});
    context.backUp = [this] { return !m_safety || m_safety->backUpBeforeBigChange(); };
    context.showFolder = [this](int folder) { SelectFolder(folder, FolderDefinition::all()[size_t(folder)].caption); };
    return context;
}

void TKOLTForm::miImportClick()
{
    ExchangeCommands::importFile(exchangeContext());
}

void TKOLTForm::miExportClick()
{
    ExchangeCommands::exportFolder(exchangeContext());
}

void TKOLTForm::miRestoreClick()
{
    m_safety->restoreFromBackup();
}

void TKOLTForm::miTrashClick()
{
    m_safety->showTrash();
}

void TKOLTForm::miCheckClick()
{
    m_safety->checkCatalogue();
}

void TKOLTForm::miOptionsClick()
{
    m_safety->showOptions();
}

void TKOLTForm::miLendClick()
{
    if (m_loans)
        m_loans->lend(m_currentFolder);
}

void TKOLTForm::miReturnClick()
{
    if (m_loans)
        m_loans->giveBack(m_currentFolder);
}

void TKOLTForm::miLoansClick()
{
    if (m_loans)
        m_loans->showLoans();
}

void TKOLTForm::StartupNotices()
{
    if (m_loans)
        guarded([this] { m_loans->remindOverdue(); });
}

void TKOLTForm::FilterToCategory(int folder, const QString& category)
{
    if (folder != m_currentFolder)
        SelectFolder(folder, FolderDefinition::all()[size_t(folder)].caption);
    QComboBox* box = categoryBox();
    int found = -1;
    for (int i = 1; i < box->count() && found < 0; ++i)
        if (TextFold::equals(box->itemText(i), category))
            found = i;
    // An item's category that its folder's list lacks is still one to filter by.
    if (found < 0) {
        box->addItem(category);
        found = box->count() - 1;
    }
    {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(found);
    }
    cbCategoriesChange();
}
