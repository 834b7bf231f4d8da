#include "TDBGrid.h"

#include "DrawnSize.h"
#include "ErrorGuard.h"
#include "MessageService.h"
#include "SortMarkerHeader.h"
#include "TDAODataset.h"
#include "TDataSource.h"

#include <QHeaderView>
#include <QKeyEvent>

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new DataGridModel(this))
{
    m_header = new SortMarkerHeader(*m_model, this);
    setModel(m_model);
    setHorizontalHeader(m_header);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setFrameShape(QFrame::StyledPanel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setAccessibleName(QStringLiteral("Column titles"));
    verticalHeader()->setAccessibleName(QStringLiteral("Record indicator"));

    // The selection stays as visible when the grid is not focused.
    QPalette pal = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    connect(m_model, &DataGridModel::currentRowChanged, this, &TDBGrid::followDataset);
    // The box waits for the event loop: it must not open inside the dataset's move that
    // reached the row.
    connect(
        m_model, &DataGridModel::unreadableRowReached, this,
        [this](const QString& message) { MessageService::showError(message, this); }, Qt::QueuedConnection);
    connect(m_header, &SortMarkerHeader::titleClicked, this, &TDBGrid::titleClicked);
    setOptions(m_options);
}

void TDBGrid::setOptions(const Options& options)
{
    m_options = options;
    horizontalHeader()->setVisible(options.titles);
    verticalHeader()->setVisible(options.indicator);
    verticalHeader()->setFixedWidth(options.indicator ? 14 : 0);
    setSelectionBehavior(options.rowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    const int height
        = options.rowHeight > 0 ? qMax(options.rowHeight, fontMetrics().height() + 1) : fontMetrics().height() + 5;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
    setHorizontalScrollBarPolicy(options.fitWidth ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    fitColumns();
}

void TDBGrid::setDataSource(TDataSource* source)
{
    m_model->setDataSource(source);
}

int TDBGrid::scaled(int width) const
{
    return DrawnSize::width(fontMetrics(), width);
}

void TDBGrid::setColumns(std::vector<GridColumn> columns)
{
    m_model->setColumns(std::move(columns));
    for (int i = 0; i < int(m_model->columns().size()); ++i) {
        setColumnWidth(i, scaled(m_model->columns()[size_t(i)].width));
        m_model->setHeaderData(i, Qt::Horizontal, m_model->columns()[size_t(i)].title);
    }
    fitColumns();
}

void TDBGrid::refreshTitles()
{
    m_header->viewport()->update();
}

void TDBGrid::fitColumns()
{
    if (!m_options.fitWidth || m_model->columns().empty())
        return;
    int total = 0;
    for (const GridColumn& c : m_model->columns())
        total += c.width;
    const int available = viewport()->width();
    if (total <= 0 || available <= 0)
        return;
    int used = 0;
    const int n = int(m_model->columns().size());
    for (int i = 0; i < n; ++i) {
        const int w = i == n - 1 ? available - used : available * m_model->columns()[size_t(i)].width / total;
        setColumnWidth(i, w);
        used += w;
    }
}

void TDBGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void TDBGrid::followDataset(int row)
{
    m_following = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
    } else {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target)
            selectionModel()->setCurrentIndex(
                target, QItemSelectionModel::ClearAndSelect
                            | (m_options.rowSelect ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
        scrollTo(target);
    }
    m_following = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid())
        return;
    TDAODataset* ds = dataSource() ? dataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active() || ds->CurrentRow() == current.row())
        return;
    if (!ErrorGuard::run([&] { ds->MoveTo(current.row()); }, this))
        followDataset(ds->Active() ? ds->CurrentRow() : -1);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    if (m_options.deleteKey && event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        event->accept();
        TDAODataset* ds = dataSource() ? dataSource()->DataSet() : nullptr;
        if (!ds || ds->IsEmpty())
            return;
        ErrorGuard::run(
            [&] {
                if (MessageService::confirm(QStringLiteral("Delete record?"), this))
                    ds->Delete();
            },
            this);
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::keyReleaseEvent(QKeyEvent* event)
{
    QTableView::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Control && !event->isAutoRepeat())
        Q_EMIT controlReleased();
}
