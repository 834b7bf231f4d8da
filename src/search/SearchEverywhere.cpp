#include "SearchEverywhere.h"

#include "CatalogueSearch.h"
#include "ErrorGuard.h"
#include "ProgressWindow.h"
#include "SearchIndex.h"
#include "SearchResultsPopup.h"
#include "SearchRunner.h"
#include "SearchUpkeep.h"
#include "TDM.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <atomic>

SearchEverywhere::SearchEverywhere(Context context)
    : QObject(context.window)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("SearchEverywhere"));
    openIndex();

    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("edSearchEverywhere"));
    m_field->setAccessibleName(QStringLiteral("Search everywhere"));
    m_field->setPlaceholderText(QStringLiteral("Search everywhere"));
    m_field->setClearButtonEnabled(true);
    m_field->setFixedWidth(180);
    m_field->installEventFilter(this);
    // Beside the folder's own Search box.
    QToolBar* bar = m_context.toolbar;
    QAction* after = nullptr;
    const QList<QAction*> actions = bar->actions();
    for (qsizetype i = 0; i + 1 < actions.size(); ++i) {
        if (bar->widgetForAction(actions[i]) == m_context.besides)
            after = actions[i + 1];
    }
    bar->insertWidget(after, m_field);

    m_action = new QAction(QStringLiteral("Search everywhere…"), this);
    m_action->setObjectName(QStringLiteral("miSearchEverywhere"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    m_action->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_action, &QAction::triggered, this, [this] { focusField(); });
    m_context.window->addAction(m_action);
    if (m_context.editMenu) {
        m_context.editMenu->addSeparator();
        m_context.editMenu->addAction(m_action);
    }

    m_popup = new SearchResultsPopup(m_context.window);
    connect(m_popup, &SearchResultsPopup::activated, this,
            [this](int folder, qint64 id) { ErrorGuard::run([&] { goTo(folder, id); }, m_context.window); });
    connect(m_popup, &SearchResultsPopup::escaped, this, [this] { leave(); });

    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kTypingPause);
    connect(m_pause, &QTimer::timeout, this, [this] { ErrorGuard::run([&] { searchNow(); }, m_context.window); });
    connect(m_field, &QLineEdit::textChanged, m_pause, qOverload<>(&QTimer::start));
    connect(m_field, &QLineEdit::textChanged, this, [this] { m_goWhenFound = false; });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (now == m_field && old && old != m_popup->list())
            m_cameFrom = old;
    });
}

SearchEverywhere::~SearchEverywhere()
{
    m_runner.reset();
    m_upkeep.reset();
    if (m_index)
        m_index->close();
}

void SearchEverywhere::catalogueClosing()
{
    m_popup->hide();
    m_runner.reset();
    m_upkeep.reset();
    if (m_index)
        m_index->close();
    m_index.reset();
}

void SearchEverywhere::catalogueOpened()
{
    openIndex();
}

void SearchEverywhere::openIndex()
{
    TDAODatabase& db = m_context.dm->dbKOLT;
    if (!db.Connected())
        return;
    m_index = std::make_unique<SearchIndex>(db, !db.ReadOnly());
    // A first build at a million items takes a while: say what happens and how far it is, and
    // keep the program answering. The storing stays on this thread, the event loop running
    // between batches (the words are folded on threads of their own): the window's lists read
    // the same connection, and it cannot be shared with another thread while they may paint.
    ProgressWindow progress(QStringLiteral("Preparing the catalogue for searching everywhere"),
                            QStringLiteral("Finish later: searches read the folders themselves (more slowly) until "
                                           "the index is built at the next opening."),
                            m_context.window && m_context.window->isVisible() ? m_context.window : nullptr);
    std::atomic_bool later{false};
    m_index->prepare(
        [&progress, &later](int percent) {
            if (!progress.keepUp(percent))
                later = true;
        },
        &later);
    m_upkeep = std::make_unique<SearchUpkeep>(*m_context.dm, *m_index);
    m_runner = std::make_unique<SearchRunner>(
        db.DatabaseName(), [this](const SearchResults& results, bool counted) { delivered(results, counted); },
        [this](std::exception_ptr error) {
            m_goWhenFound = false;
            ErrorGuard::run([&] { std::rethrow_exception(error); }, m_context.window);
        });
}

void SearchEverywhere::focusField()
{
    if (m_context.toolbar->isHidden() && m_context.showToolbar)
        m_context.showToolbar();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (!m_field->text().trimmed().isEmpty())
        searchNow();
}

void SearchEverywhere::searchNow()
{
    m_pause->stop();
    const SearchQuery query = SearchQuery::parse(m_field->text());
    if (query.isEmpty()) {
        if (m_runner)
            m_runner->stop();
        m_popup->hide();
        return;
    }
    TDAODatabase& db = m_context.dm->dbKOLT;
    if (!db.Connected())
        db.Open(); // raises the reason it cannot be opened, as every dataset does
    if (!m_runner)
        openIndex();
    m_pageShown = false;
    m_runner->start(query, m_index ? m_index->currentAt() : -1);
}

bool SearchEverywhere::isSearching() const
{
    return m_pause->isActive() || (m_runner && m_runner->isSearching());
}

void SearchEverywhere::delivered(const SearchResults& results, bool counted)
{
    if (results.indexWentWrong && m_index)
        m_index->markStale();
    if (m_pageShown) {
        m_popup->updateCounts(results, note(results, counted));
        return;
    }
    m_pageShown = true;
    placePopup();
    m_popup->show(results, note(results, counted));
    if (!m_popup->list()->currentItem())
        m_popup->step(1);
    if (!m_goWhenFound)
        return;
    m_goWhenFound = false;
    int folder = 0;
    qint64 id = 0;
    if (m_popup->currentHit(folder, id))
        ErrorGuard::run([&] { goTo(folder, id); }, m_context.window);
}

QString SearchEverywhere::note(const SearchResults& results, bool counted)
{
    QString text;
    if (results.total() == 0)
        text = QStringLiteral("Nothing found.");
    else if (!results.counted())
        text = counted ? QStringLiteral("More than %1 found.").arg(results.total())
                       : QStringLiteral("More than %1 found; counting…").arg(results.total());
    else
        text = QStringLiteral("%1 found.").arg(results.total());
    if (!results.fromIndex)
        text += QStringLiteral(" (Read from the folders themselves: the search index is not up to date.)");
    return text;
}

void SearchEverywhere::placePopup()
{
    const QPoint below = m_field->mapToGlobal(QPoint(0, m_field->height()));
    QRect area = m_popup->geometry();
    area.moveTopLeft(below);
    if (const QScreen* screen = m_field->screen()) {
        const QRect available = screen->availableGeometry();
        if (area.right() > available.right())
            area.moveRight(available.right());
    }
    m_popup->setGeometry(area);
}

void SearchEverywhere::leave()
{
    m_popup->hide();
    // Some window systems hand the activation to the results when they show.
    m_context.window->activateWindow();
    if (m_cameFrom)
        m_cameFrom->setFocus(Qt::OtherFocusReason);
    else if (QWidget* home = m_context.home ? m_context.home() : nullptr)
        home->setFocus(Qt::OtherFocusReason);
}

void SearchEverywhere::activateCurrent()
{
    if (m_pause->isActive())
        searchNow();
    if (m_runner && m_runner->isSearching()) {
        m_goWhenFound = true;
        return;
    }
    int folder = 0;
    qint64 id = 0;
    if (m_popup->isVisible() && m_popup->currentHit(folder, id))
        goTo(folder, id);
}

void SearchEverywhere::goTo(int folder, qint64 id)
{
    m_popup->hide();
    m_context.window->activateWindow();
    m_context.showItem(folder, id);
}

bool SearchEverywhere::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
        leave();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ErrorGuard::run([&] { activateCurrent(); }, m_context.window);
        return true;
    case Qt::Key_Down:
        m_popup->step(1);
        return true;
    case Qt::Key_Up:
        m_popup->step(-1);
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
