#include "LoansWindow.h"

#include "ErrorGuard.h"
#include "LoansBook.h"
#include "LoansModel.h"
#include "LoansReport.h"
#include "ReturnDialog.h"
#include "TRep_PrevForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

LoansWindow::LoansWindow(LoansBook& book, LoansReport& report, std::function<QDate()> today, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_book(book)
    , m_report(report)
    , m_today(std::move(today))
{
    setObjectName(QStringLiteral("LoansForm"));
    setWindowTitle(QStringLiteral("Loans"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 420);

    m_out = new LoansModel(LoansModel::Kind::Out, this);
    m_past = new LoansModel(LoansModel::Kind::Past, this);
    gridOut = makeGrid(m_out, m_outProxy);
    gridOut->setObjectName(QStringLiteral("gridOut"));
    gridOut->setAccessibleName(QStringLiteral("On loan"));
    gridPast = makeGrid(m_past, m_pastProxy);
    gridPast->setObjectName(QStringLiteral("gridPast"));
    gridPast->setAccessibleName(QStringLiteral("History"));
    tabs = new QTabWidget(this);
    tabs->addTab(gridOut, QStringLiteral("On loan"));
    tabs->addTab(gridPast, QStringLiteral("History"));

    lbSummary = new QLabel(this);
    lbSummary->setObjectName(QStringLiteral("lbSummary"));
    btReturn = new QPushButton(QStringLiteral("&Return…"), this);
    btReturn->setObjectName(QStringLiteral("btReturn"));
    btPrint = new QPushButton(QStringLiteral("&Print…"), this);
    btPrint->setObjectName(QStringLiteral("btPrint"));
    btClose = new QPushButton(QStringLiteral("Close"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    for (QPushButton* b : {btReturn, btPrint, btClose})
        b->setAutoDefault(false);
    connect(btReturn, &QPushButton::clicked, this, [this] { guarded([this] { btReturnClick(); }); });
    connect(btPrint, &QPushButton::clicked, this, [this] { guarded([this] { btPrintClick(); }); });
    connect(btClose, &QPushButton::clicked, this, &QDialog::close);
    connect(gridOut, &QTableView::doubleClicked, this, [this] { guarded([this] { btReturnClick(); }); });
    connect(tabs, &QTabWidget::currentChanged, this, [this] { updateButtons(); });
    connect(gridOut->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateButtons(); });
    connect(&book, &LoansBook::changed, this, [this] { guarded([this] { reload(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lbSummary, 1);
    buttons->addWidget(btReturn);
    buttons->addWidget(btPrint);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);

    reload();
}

bool LoansWindow::guarded(const std::function<void()>& handler)
{
    return ErrorGuard::run(handler, this);
}

QTableView* LoansWindow::makeGrid(LoansModel* model, QSortFilterProxyModel*& proxy)
{
    proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setSortRole(Qt::UserRole);
    auto* grid = new QTableView(this);
    grid->setModel(proxy);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setSortingEnabled(true);
    return grid;
}

void LoansWindow::reload()
{
    const QDate today = m_today();
    m_out->setLoans(m_book.openLoans(), today);
    m_past->setLoans(m_book.pastLoans(), today);
    for (QTableView* grid : {gridOut, gridPast}) {
        grid->resizeColumnsToContents();
        // Long titles and notes do not push the other columns out of sight.
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            grid->setColumnWidth(c, std::min(grid->columnWidth(c), 260));
    }
    const int out = m_out->rowCount();
    const int overdue = m_out->overdueCount();
    QString summary = out == 1 ? QStringLiteral("1 item on loan") : QStringLiteral("%1 items on loan").arg(out);
    if (overdue > 0)
        summary += QStringLiteral(", %1 overdue").arg(overdue);
    lbSummary->setText(summary);
    updateButtons();
}

void LoansWindow::updateButtons()
{
    const bool outShown = tabs->currentWidget() == gridOut;
    btReturn->setEnabled(outShown && gridOut->selectionModel()->hasSelection());
    btPrint->setEnabled(m_book.hasTables());
}

void LoansWindow::btReturnClick()
{
    const QModelIndexList rows = gridOut->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const Loan loan = m_out->loan(m_outProxy->mapToSource(rows.front()).row());
    ReturnDialog::giveBack(this, m_book, loan, m_today());
}

void LoansWindow::btPrintClick()
{
    TRep_PrevForm::showReport(m_report.definition(m_today()), this);
}
