#pragma once

#include "ReportDefinition.h"
#include "ZoomState.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <memory>

class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;
class CompactReport;
class ReportRun;

// Shows the pages of one run on a grey background, in rows: one page per row in page-width
// and whole-page mode, two in two-page mode, at a fixed scale as many as fit across. Only the
// pages in view are drawn. Offers the zoom commands, page moves, a page counter, the wheel,
// dragging with the left button and a zoom menu on the right button. A run that is not
// finished goes on in short steps between the window's events, the counter showing "…" after
// the count of pages until it is complete.
class PreviewArea : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit PreviewArea(QWidget* parent = nullptr);
    ~PreviewArea() override;

    // The area owns the run and its pages; it shows page 1 at its top, with the zoom state in
    // force, and finishes the run in steps. An error of a step is shown in the standard error
    // box and leaves the area without pages.
    void setRun(std::unique_ptr<ReportRun> run);
    void clear();
    // The pages made so far; none without a run.
    const CompactReport* pages() const;
    bool hasPages() const { return pageCount() > 0; }
    // Whether every page is made (true without a run).
    bool countComplete() const;
    // Makes the remaining pages at once, telling `progress` the number of the page being made
    // now and then. Answers false when `progress` stopped it; the run then goes on in steps.
    // An error of the run reaches the caller, with the area left without pages.
    bool completeCount(const std::function<bool(int page)>& progress);
    // How long a step may take before the window's events are let through.
    void setStepMilliseconds(int ms) { m_stepMilliseconds = ms; }

    // Zoom commands; each changes the zoom state of the program. Without pages they do nothing.
    void setFixedScale(int percent);
    void zoomWholePage();
    void zoomPageWidth();
    void zoomTwoPages();
    qreal effectiveScale() const { return m_scale; }

    int currentPage() const { return m_current; }
    int pageCount() const;
    // Makes page n current and scrolls it to the top of the area, as far as the scroll range
    // allows; outside 1..pageCount it does nothing.
    void goToPage(int n);

    QString counterText() const;
    QMenu* zoomMenu() const { return m_zoomMenu; }
    // Where page n (1-based) lies in the scrolled content, in pixels.
    QRectF pageRect(int n) const;

Q_SIGNALS:
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void applyZoom(const ZoomState& zoom);
    void relayout();
    qreal scaleFor(const ZoomState& zoom) const;
    int columns() const;
    QSizeF pageSize() const; // in pixels at the current scale
    void setCurrent(int n);
    void followScroll();
    void buildZoomMenu();
    void checkZoomItem();
    void takeStep();
    // After pages were added: the scroll range, the counter, and the new pages if in view.
    void grown(int before);
    void showCounter();

    std::unique_ptr<ReportRun> m_run;
    PageSetup m_paper;
    QTimer m_steps;
    int m_stepMilliseconds = 10;
    bool m_completing = false;
    qreal m_scale = 1.0;
    int m_current = 0;
    int m_columns = 1;
    QSizeF m_contentSize;
    bool m_scrollingToPage = false;
    bool m_dragging = false;
    QPoint m_dragFrom;
    QLabel* m_counter = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QMenu* m_zoomMenu = nullptr;
    QActionGroup* m_zoomItems = nullptr;
};
