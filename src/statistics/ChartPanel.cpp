#include "ChartPanel.h"

#include <QAbstractAxis>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

QDateTime monthStart(const QString& month)
{
    return QDateTime(QDate::fromString(month + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
}

QString itemsText(qint64 n)
{
    return QLocale().toString(n) + (n == 1 ? QStringLiteral(" item") : QStringLiteral(" items"));
}

// An axis of whole counts: small ones get a tick per item, larger ones round steps.
QValueAxis* countAxis(qint64 highest, const QString& title)
{
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(title);
    if (highest < 8) {
        axis->setRange(0, double(highest + 1));
        axis->setTickCount(int(highest) + 2);
    } else {
        axis->setRange(0, double(highest));
        axis->applyNiceNumbers();
    }
    return axis;
}

} // namespace

ChartPanel::ChartPanel(const QString& id, const QString& title, QWidget* parent)
    : QWidget(parent)
    , m_id(id)
{
    setObjectName(id);
    m_values.id = id;
    m_values.title = title;

    m_stack = new QStackedWidget(this);
    m_waiting = new QLabel(QStringLiteral("Counting…"), m_stack);
    m_waiting->setAlignment(Qt::AlignCenter);
    m_view = new QChartView(m_stack);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(title);
    m_table = new QTableWidget(m_stack);
    m_table->setAccessibleName(title);
    m_table->setColumnCount(2);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_stack->addWidget(m_waiting);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_table);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    setMinimumSize(420, 300);
}

void ChartPanel::setValues(const StatisticsChart& values)
{
    m_values = values;
    m_ready = true;
    m_bars = nullptr;
    QChart* old = m_view->chart();
    QChart* chart = values.shape == StatisticsChart::Shape::Line ? makeLineChart() : makeBarChart();
    chart->setTitle(values.entries.empty() ? QStringLiteral("%1: none").arg(values.title) : values.title);
    if (values.entries.empty()) {
        for (QAbstractAxis* axis : chart->axes())
            axis->setVisible(false);
    }
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    m_view->setChart(chart);
    delete old;
    fillTable();

    // The chart's values in words, for a screen reader reading the chart itself.
    QStringList spoken;
    for (const StatisticsChart::Entry& e : values.entries)
        spoken << QStringLiteral("%1: %2").arg(e.label, QLocale().toString(e.value));
    m_view->setAccessibleDescription(spoken.isEmpty() ? QStringLiteral("No items") : spoken.join(QStringLiteral("; ")));

    if (values.shape == StatisticsChart::Shape::HorizontalBars)
        setMinimumHeight(qMax(300, 90 + 22 * int(values.entries.size())));
    showTable(m_tableShown);
}

void ChartPanel::showTable(bool table)
{
    m_tableShown = table;
    if (!m_ready)
        m_stack->setCurrentWidget(m_waiting);
    else
        m_stack->setCurrentWidget(table ? static_cast<QWidget*>(m_table) : m_view);
}

QChart* ChartPanel::makeBarChart()
{
    auto* chart = new QChart;
    const bool horizontal = m_values.shape == StatisticsChart::Shape::HorizontalBars;
    const int n = int(m_values.entries.size());
    m_bars = new QBarSet(m_values.valueHeader);
    QStringList labels;
    qint64 highest = 0;
    // Horizontal bars are laid out from the bottom up: the largest goes last to stand on top.
    for (int k = 0; k < n; ++k) {
        const StatisticsChart::Entry& e = m_values.entries[size_t(horizontal ? n - 1 - k : k)];
        *m_bars << double(e.value);
        labels << e.label;
        highest = qMax(highest, e.value);
    }
    QAbstractBarSeries* series = horizontal ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries)
                                            : static_cast<QAbstractBarSeries*>(new QBarSeries);
    series->append(m_bars);
    if (m_values.shape == StatisticsChart::Shape::Histogram)
        series->setBarWidth(1.0);
    chart->addSeries(series);

    auto* names = new QBarCategoryAxis;
    names->append(labels);
    // Qt Charts cuts labels short from the size the chart had when it was first laid out,
    // and keeps them so once the chart has room.
    names->setTruncateLabels(false);
    // Side by side, many labels would be cut short to a few letters each.
    if (!horizontal && n > 6)
        names->setLabelsAngle(-60);
    auto* counts = countAxis(highest, m_values.valueHeader);
    chart->addAxis(names, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(counts, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(counts);

    connect(m_bars, &QBarSet::hovered, this, &ChartPanel::hoverBar);
    connect(m_bars, &QBarSet::clicked, this, [this, horizontal, n](int index) {
        const StatisticsChart::Entry& e = m_values.entries[size_t(horizontal ? n - 1 - index : index)];
        if (!e.category.isEmpty())
            Q_EMIT categoryClicked(e.category);
    });
    return chart;
}

void ChartPanel::hoverBar(bool over, int index)
{
    if (!over) {
        QToolTip::hideText();
        return;
    }
    const int n = int(m_values.entries.size());
    const bool horizontal = m_values.shape == StatisticsChart::Shape::HorizontalBars;
    const int entry = horizontal ? n - 1 - index : index;
    if (entry < 0 || entry >= n)
        return;
    const StatisticsChart::Entry& e = m_values.entries[size_t(entry)];
    QToolTip::showText(QCursor::pos(), QStringLiteral("%1: %2").arg(e.label, itemsText(e.value)), m_view);
}

QChart* ChartPanel::makeLineChart()
{
    auto* chart = new QChart;
    auto* line = new QLineSeries;
    qint64 highest = 0;
    for (const StatisticsChart::Entry& e : m_values.entries) {
        line->append(double(monthStart(e.label).toMSecsSinceEpoch()), double(e.value));
        highest = qMax(highest, e.value);
    }
    chart->addSeries(line);
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy"));
    time->setTruncateLabels(false);
    time->setTitleText(m_values.labelHeader);
    if (!m_values.entries.empty()) {
        QDateTime first = monthStart(m_values.entries.front().label);
        QDateTime last = monthStart(m_values.entries.back().label).addMonths(1);
        time->setRange(first, last);
    }
    auto* counts = countAxis(highest, m_values.valueHeader);
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    line->attachAxis(time);
    line->attachAxis(counts);

    connect(line, &QLineSeries::hovered, this, [this](const QPointF& point, bool over) {
        if (!over || m_values.entries.empty()) {
            QToolTip::hideText();
            return;
        }
        // The month nearest the pointer.
        const QString month = QDateTime::fromMSecsSinceEpoch(qint64(point.x())).toString(QStringLiteral("yyyy-MM"));
        const StatisticsChart::Entry* found = &m_values.entries.front();
        for (const StatisticsChart::Entry& e : m_values.entries)
            if (e.label <= month)
                found = &e;
        QToolTip::showText(QCursor::pos(), QStringLiteral("%1: %2").arg(found->label, itemsText(found->value)), m_view);
    });
    return chart;
}

void ChartPanel::fillTable()
{
    m_table->clearContents();
    m_table->setRowCount(int(m_values.entries.size()));
    m_table->setHorizontalHeaderLabels({m_values.labelHeader, m_values.valueHeader});
    int row = 0;
    for (const StatisticsChart::Entry& e : m_values.entries) {
        m_table->setItem(row, 0, new QTableWidgetItem(e.label));
        auto* value = new QTableWidgetItem(QLocale().toString(e.value));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 1, value);
        ++row;
    }
    m_table->resizeColumnToContents(0);
}

void ChartPanel::paintChart(QPainter& painter, const QRectF& target) const
{
    if (!m_ready)
        return;
    // The scene is drawn at the size it was laid out at, scaled into the target.
    QChartView* view = m_view;
    if (view->size().isEmpty() || view->isHidden())
        view->resize(size());
    view->chart()->resize(view->size());
    view->render(&painter, target, view->viewport()->rect(), Qt::KeepAspectRatio);
}
