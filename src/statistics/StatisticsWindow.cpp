#include "StatisticsWindow.h"

#include "ChartPanel.h"
#include "ErrorGuard.h"
#include "MessageService.h"
#include "StatisticsFolder.h"
#include "StatisticsWorker.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kColumns = 2;

} // namespace

StatisticsWindow::StatisticsWindow(Context context, QWidget* parent)
    : QDialog(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("StatisticsWindow"));
    setWindowTitle(QStringLiteral("Statistics"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    m_folderBox = new QComboBox(this);
    m_folderBox->setAccessibleName(QStringLiteral("Folder"));
    for (const StatisticsFolder& f : StatisticsFolder::all())
        m_folderBox->addItem(f.caption, f.index);
    m_onlyShown = new QCheckBox(QStringLiteral("Only the items shown"), this);
    m_asTable = new QCheckBox(QStringLiteral("Show as table"), this);
    auto* saveAs = new QPushButton(QStringLiteral("Save as…"), this);
    auto* print = new QPushButton(QStringLiteral("Print"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* b : {saveAs, print, close})
        b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), this);
    folderLabel->setBuddy(m_folderBox);
    top->addWidget(folderLabel);
    top->addWidget(m_folderBox);
    top->addSpacing(12);
    top->addWidget(m_onlyShown);
    top->addWidget(m_asTable);
    top->addStretch();
    top->addWidget(saveAs);
    top->addWidget(print);
    top->addWidget(close);

    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("totals"));
    m_totals->setWordWrap(true);
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_totals->setFocusPolicy(Qt::StrongFocus); // reachable by Tab, so that a screen reader reads it

    m_chartArea = new QWidget;
    m_grid = new QGridLayout(m_chartArea);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_chartArea);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_totals);
    layout->addWidget(scroll, 1);
    resize(1100, 800);

    m_folderBox->setCurrentIndex(qBound(0, m_context.folder, StatisticsFolder::kCount - 1));
    connect(m_folderBox, &QComboBox::currentIndexChanged, this, [this] { recount(); });
    connect(m_onlyShown, &QCheckBox::toggled, this, [this] { recount(); });
    connect(m_asTable, &QCheckBox::toggled, this, [this](bool table) {
        for (auto& [id, panel] : m_panels)
            panel->showTable(table);
    });
    connect(saveAs, &QPushButton::clicked, this, [this] { ErrorGuard::run([this] { saveAsClick(); }, this); });
    connect(print, &QPushButton::clicked, this, [this] { ErrorGuard::run([this] { printClick(); }, this); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    recount();
}

StatisticsWindow::~StatisticsWindow() = default;

int StatisticsWindow::folder() const
{
    return m_folderBox->currentData().toInt();
}

void StatisticsWindow::setFolder(int folder)
{
    m_folderBox->setCurrentIndex(folder);
}

void StatisticsWindow::setOnlyShown(bool only)
{
    m_onlyShown->setChecked(only);
}

void StatisticsWindow::setShowTable(bool table)
{
    m_asTable->setChecked(table);
}

bool StatisticsWindow::isCounting() const
{
    return m_worker && m_worker->isRunning();
}

ChartPanel* StatisticsWindow::panel(const QString& id) const
{
    const auto found = m_panels.find(id);
    return found == m_panels.end() ? nullptr : found->second;
}

QString StatisticsWindow::totalsText() const
{
    return m_totals->text();
}

void StatisticsWindow::recount()
{
    m_worker.reset();
    for (auto& [id, panel] : m_panels)
        delete panel;
    m_panels.clear();

    const int f = folder();
    // The main window's filter holds for the folder it shows; another folder is counted whole.
    std::optional<QString> category;
    if (m_onlyShown->isChecked() && f == m_context.shownFolder)
        category = m_context.shownCategory;

    m_order = StatisticsWorker::chartIds(f);
    int place = 0;
    for (const QString& id : m_order) {
        auto* p = new ChartPanel(id, QString(), m_chartArea);
        p->showTable(m_asTable->isChecked());
        connect(p, &ChartPanel::categoryClicked, this, &StatisticsWindow::onCategoryClicked);
        m_panels[id] = p;
        m_grid->addWidget(p, place / kColumns, place % kColumns);
        ++place;
    }
    m_totals->setText(QStringLiteral("Counting…"));
    m_totals->setAccessibleName(m_totals->text());

    m_worker = std::make_unique<StatisticsWorker>(m_context.cataloguePath, f, category);
    connect(m_worker.get(), &StatisticsWorker::totalsReady, this, &StatisticsWindow::onTotals);
    connect(m_worker.get(), &StatisticsWorker::chartReady, this, &StatisticsWindow::onChart);
    connect(m_worker.get(), &StatisticsWorker::failed, this, &StatisticsWindow::onFailed);
    connect(m_worker.get(), &StatisticsWorker::finished, this, &StatisticsWindow::countingFinished);
    m_worker->start();
}

void StatisticsWindow::onTotals(const StatisticsTotals& totals)
{
    QString text = totals.text();
    if (m_onlyShown->isChecked() && folder() == m_context.shownFolder && m_context.shownCategory)
        text = QStringLiteral("Category %1: ").arg(*m_context.shownCategory) + text;
    m_totals->setText(text);
    m_totals->setAccessibleName(text);
}

void StatisticsWindow::onChart(const StatisticsChart& chart)
{
    if (ChartPanel* p = panel(chart.id))
        p->setValues(chart);
}

void StatisticsWindow::onFailed(const QString& message)
{
    m_totals->setText(QStringLiteral("The statistics could not be counted."));
    MessageService::showError(message, this);
}

void StatisticsWindow::onCategoryClicked(const QString& category)
{
    const int f = folder();
    close();
    if (m_context.filterTo)
        m_context.filterTo(f, category);
}

void StatisticsWindow::closeEvent(QCloseEvent* event)
{
    // Nothing counts on for a window that is gone.
    m_worker.reset();
    QDialog::closeEvent(event);
}

std::vector<ChartPanel*> StatisticsWindow::orderedPanels() const
{
    std::vector<ChartPanel*> out;
    for (const QString& id : m_order)
        if (ChartPanel* p = panel(id); p && p->isReady())
            out.push_back(p);
    return out;
}

void StatisticsWindow::paintCharts(QPainter& painter, const QRectF& area) const
{
    const std::vector<ChartPanel*> panels = orderedPanels();
    painter.save();
    painter.setPen(Qt::black);
    QFont font = this->font();
    font.setPixelSize(18);
    painter.setFont(font);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double header = metrics.height() * 2.5;
    painter.drawText(QRectF(area.left(), area.top(), area.width(), header), Qt::AlignLeft | Qt::TextWordWrap,
                     m_folderBox->currentText() + QStringLiteral(": ") + m_totals->text());
    painter.restore();
    if (panels.empty())
        return;
    const int rows = int(std::ceil(double(panels.size()) / kColumns));
    const double cellW = area.width() / kColumns;
    const double cellH = (area.height() - header) / rows;
    for (size_t i = 0; i < panels.size(); ++i) {
        const QRectF cell(area.left() + double(i % kColumns) * cellW,
                          area.top() + header + double(i / kColumns) * cellH, cellW, cellH);
        panels[i]->paintChart(painter, cell.adjusted(4, 4, -4, -4));
    }
}

bool StatisticsWindow::saveTo(const QString& path)
{
    const QSize size(1600, 600 * int(std::ceil(double(qMax<size_t>(orderedPanels().size(), 1)) / kColumns)) + 60);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(QStringLiteral("Statistics: %1").arg(m_folderBox->currentText()));
        svg.setDescription(m_totals->text());
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        paintCharts(painter, area);
        return painter.end();
    }
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintCharts(painter, area);
    }
    return image.save(path, "PNG");
}

void StatisticsWindow::saveAsClick()
{
    QString chosen;
    const QString path
        = QFileDialog::getSaveFileName(this, QStringLiteral("Save as"), QString(),
                                       QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg)"), &chosen);
    if (path.isEmpty())
        return;
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty())
        target += chosen.contains(QLatin1String("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    if (!saveTo(target))
        MessageService::showError(QStringLiteral("Could not write file '%1'").arg(QFileInfo(target).absoluteFilePath()),
                                  this);
}

void StatisticsWindow::printClick()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        MessageService::showError(QStringLiteral("Printer selected is not valid"), this);
        return;
    }
    paintCharts(painter, printer.pageLayout()
                             .paintRectPixels(printer.resolution())
                             .translated(-printer.pageLayout().paintRectPixels(printer.resolution()).topLeft()));
    painter.end();
}
