#pragma once

#include "StatisticsChart.h"

#include <QWidget>

class QBarSet;
class QChart;
class QChartView;
class QLabel;
class QPainter;
class QStackedWidget;
class QTableWidget;

// One chart of the statistics window, drawn by Qt Charts, with its values as a table beside
// it for screen readers and for those who would rather read numbers. Until its values arrive
// it says that it is counting.
class ChartPanel : public QWidget
{
    Q_OBJECT

public:
    ChartPanel(const QString& id, const QString& title, QWidget* parent = nullptr);

    const QString& id() const { return m_id; }
    bool isReady() const { return m_ready; }
    const StatisticsChart& values() const { return m_values; }
    void setValues(const StatisticsChart& values);
    void showTable(bool table);

    QChartView* chartView() const { return m_view; }
    QTableWidget* table() const { return m_table; }
    // The bars of a bar chart (nothing for the line or before the values came).
    QBarSet* barSet() const { return m_bars; }

    // Draws the chart (never the table) into `target`, as vectors where the device keeps them.
    void paintChart(QPainter& painter, const QRectF& target) const;

Q_SIGNALS:
    // A click on a category's bar.
    void categoryClicked(const QString& category);

private:
    QChart* makeBarChart();
    QChart* makeLineChart();
    void fillTable();
    void hoverBar(bool over, int index);

    QString m_id;
    StatisticsChart m_values;
    bool m_ready = false;
    bool m_tableShown = false;
    QStackedWidget* m_stack = nullptr;
    QLabel* m_waiting = nullptr;
    QChartView* m_view = nullptr;
    QTableWidget* m_table = nullptr;
    QBarSet* m_bars = nullptr;
};
