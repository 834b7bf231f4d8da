#pragma once

#include "StatisticsChart.h"
#include "StatisticsTotals.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class ChartPanel;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPainter;
class QPushButton;
class StatisticsWorker;

// The statistics of one folder in charts: items per category, per decade, per media type,
// the growth of the collection and the people with most items, with the totals in words above
// them. Counting runs off the GUI thread; each chart appears as soon as it is counted.
class StatisticsWindow : public QDialog
{
    Q_OBJECT

public:
    // What the window is told by the main window.
    struct Context
    {
        QString cataloguePath;
        int folder = 0;                       // the folder shown first
        int shownFolder = 0;                  // the folder the main window shows
        std::optional<QString> shownCategory; // its category filter, if any
        // Filters the main window's folder to a category (a click on a category's bar).
        std::function<void(int folder, const QString& category)> filterTo;
    };

    StatisticsWindow(Context context, QWidget* parent = nullptr);
    ~StatisticsWindow() override;

    int folder() const;
    void setFolder(int folder);
    void setOnlyShown(bool only);
    void setShowTable(bool table);
    // True while charts are still being counted.
    bool isCounting() const;
    ChartPanel* panel(const QString& id) const;
    QString totalsText() const;

    // Writes the charts to a PNG or an SVG file, by the name's suffix; false when it failed.
    bool saveTo(const QString& path);
    // The charts laid out on one page of `size` (device units).
    void paintCharts(QPainter& painter, const QRectF& area) const;

Q_SIGNALS:
    void countingFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void recount();
    void onTotals(const StatisticsTotals& totals);
    void onChart(const StatisticsChart& chart);
    void onFailed(const QString& message);
    void onCategoryClicked(const QString& category);
    void saveAsClick();
    void printClick();
    std::vector<ChartPanel*> orderedPanels() const;

    Context m_context;
    QComboBox* m_folderBox = nullptr;
    QCheckBox* m_onlyShown = nullptr;
    QCheckBox* m_asTable = nullptr;
    QLabel* m_totals = nullptr;
    QWidget* m_chartArea = nullptr;
    QGridLayout* m_grid = nullptr;
    std::map<QString, ChartPanel*> m_panels;
    QStringList m_order;
    std::unique_ptr<StatisticsWorker> m_worker;
};
