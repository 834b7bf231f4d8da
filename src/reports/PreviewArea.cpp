#include "PreviewArea.h"

#include "CompactReport.h"
#include "ErrorGuard.h"
#include "ReportRun.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>
#include <cmath>

namespace {

constexpr int kGap = 10; // pixels around and between pages
constexpr int kShadow = 3;
const QColor kBackground(128, 128, 128);

struct ZoomItem
{
    const char* text;
    ZoomState zoom;
};

const ZoomItem kZoomItems[] = {
    {"200%", {ZoomState::Mode::FixedScale, 2.0}},      {"150%", {ZoomState::Mode::FixedScale, 1.5}},
    {"100%", {ZoomState::Mode::FixedScale, 1.0}},      {"75%", {ZoomState::Mode::FixedScale, 0.75}},
    {"50%", {ZoomState::Mode::FixedScale, 0.5}},       {"25%", {ZoomState::Mode::FixedScale, 0.25}},
    {"10%", {ZoomState::Mode::FixedScale, 0.1}},       {"Page width", {ZoomState::Mode::PageWidth, 1.0}},
    {"Whole page", {ZoomState::Mode::WholePage, 1.0}}, {"Two pages", {ZoomState::Mode::TwoPages, 1.0}},
};

bool sameZoom(const ZoomState& a, const ZoomState& b)
{
    if (a.mode != b.mode)
        return false;
    return a.mode != ZoomState::Mode::FixedScale || qFuzzyCompare(a.scale, b.scale);
}

QToolButton* smallButton(Qt::ArrowType arrow, const QString& hint, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

PreviewArea::PreviewArea(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("frPreview1"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::OpenHandCursor);
    viewport()->setAutoFillBackground(false);

    const int side = verticalScrollBar()->sizeHint().width();
    m_previous = smallButton(Qt::UpArrow, QStringLiteral("Previous page"), this);
    m_next = smallButton(Qt::DownArrow, QStringLiteral("Next page"), this);
    for (QToolButton* b : {m_previous, m_next})
        b->setFixedSize(side, side);
    addScrollBarWidget(m_previous, Qt::AlignBottom);
    addScrollBarWidget(m_next, Qt::AlignBottom);
    connect(m_previous, &QToolButton::clicked, this, [this] { goToPage(m_current - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { goToPage(m_current + 1); });

    m_counter = new QLabel(this);
    m_counter->setObjectName(QStringLiteral("PageCounter"));
    m_counter->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Page 00000/00000") + QChar(0x2026)) + 8);
    m_counter->setIndent(4);
    m_counter->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    addScrollBarWidget(m_counter, Qt::AlignLeft);

    buildZoomMenu();
    m_scale = scaleFor(ZoomState::current());

    // A step at a time, each after the events that came in the meanwhile.
    m_steps.setSingleShot(true);
    m_steps.setInterval(0);
    connect(&m_steps, &QTimer::timeout, this, &PreviewArea::takeStep);
}

PreviewArea::~PreviewArea() = default;

void PreviewArea::buildZoomMenu()
{
    m_zoomMenu = new QMenu(this);
    m_zoomMenu->setObjectName(QStringLiteral("ZoomMenu"));
    m_zoomItems = new QActionGroup(this);
    m_zoomItems->setExclusive(true);
    for (const ZoomItem& item : kZoomItems) {
        QAction* a = m_zoomMenu->addAction(QLatin1String(item.text));
        a->setCheckable(true);
        m_zoomItems->addAction(a);
        const ZoomState zoom = item.zoom;
        connect(a, &QAction::triggered, this, [this, zoom] {
            if (hasPages())
                applyZoom(zoom);
            checkZoomItem();
        });
    }
    checkZoomItem();
}

void PreviewArea::checkZoomItem()
{
    const auto actions = m_zoomItems->actions();
    for (int i = 0; i < actions.size(); ++i)
        actions[i]->setChecked(sameZoom(kZoomItems[i].zoom, ZoomState::current()));
}

void PreviewArea::setRun(std::unique_ptr<ReportRun> run)
{
    m_steps.stop();
    m_run = std::move(run);
    m_paper = m_run ? m_run->pages().page() : PageSetup();
    m_current = hasPages() ? 1 : 0;
    relayout();
    goToPage(1);
    showCounter();
    viewport()->update();
    if (!countComplete())
        m_steps.start();
}

void PreviewArea::clear()
{
    setRun(nullptr);
}

const CompactReport* PreviewArea::pages() const
{
    return m_run ? &m_run->pages() : nullptr;
}

int PreviewArea::pageCount() const
{
    return m_run ? m_run->pages().pageCount() : 0;
}

bool PreviewArea::countComplete() const
{
    return !m_run || m_run->finished();
}

void PreviewArea::takeStep()
{
    // While the count is completed at once, its own loop makes the pages.
    if (countComplete() || m_completing)
        return;
    const int before = pageCount();
    try {
        m_run->step(QDeadlineTimer(m_stepMilliseconds));
    } catch (const std::exception& e) {
        clear();
        ErrorGuard::report(e, this);
        return;
    } catch (...) {
        clear();
        ErrorGuard::reportUnknown(this);
        return;
    }
    grown(before);
    if (!countComplete())
        m_steps.start();
}

bool PreviewArea::completeCount(const std::function<bool(int page)>& progress)
{
    if (countComplete())
        return true;
    const int before = pageCount();
    m_completing = true;
    bool stopped = false;
    try {
        while (!m_run->finished()) {
            if (progress && !progress(pageCount())) {
                stopped = true;
                break;
            }
            m_run->step(QDeadlineTimer(m_stepMilliseconds));
        }
    } catch (...) {
        m_completing = false;
        clear();
        throw;
    }
    m_completing = false;
    grown(before);
    if (!countComplete())
        m_steps.start();
    return !stopped;
}

void PreviewArea::grown(int before)
{
    relayout();
    showCounter();
    // Only pages that came into view need drawing; the last one drawn may have grown too.
    const QRectF view(QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), viewport()->size());
    for (int n = qMax(1, before); n <= pageCount(); ++n) {
        const QRectF page = pageRect(n);
        if (page.top() > view.bottom())
            break;
        if (page.intersects(view)) {
            viewport()->update();
            break;
        }
    }
}

void PreviewArea::showCounter()
{
    m_counter->setText(counterText());
}

QString PreviewArea::counterText() const
{
    if (!hasPages())
        return {};
    // Until the run is finished the count is what has been made so far.
    const QString text = QStringLiteral("Page %1/%2").arg(m_current).arg(pageCount());
    return countComplete() ? text : text + QChar(0x2026);
}

void PreviewArea::setFixedScale(int percent)
{
    if (hasPages())
        applyZoom({ZoomState::Mode::FixedScale, percent / 100.0});
}

void PreviewArea::zoomWholePage()
{
    if (hasPages())
        applyZoom({ZoomState::Mode::WholePage, 1.0});
}

void PreviewArea::zoomPageWidth()
{
    if (hasPages())
        applyZoom({ZoomState::Mode::PageWidth, 1.0});
}

void PreviewArea::zoomTwoPages()
{
    if (hasPages())
        applyZoom({ZoomState::Mode::TwoPages, 1.0});
}

void PreviewArea::applyZoom(const ZoomState& zoom)
{
    ZoomState::current() = zoom;
    const int keep = m_current;
    relayout();
    viewport()->update();
    goToPage(keep);
    checkZoomItem();
    Q_EMIT zoomChanged();
}

qreal PreviewArea::scaleFor(const ZoomState& zoom) const
{
    const QSizeF paper(m_paper.paperWidth, m_paper.paperHeight);
    const QSize room = viewport()->size();
    const qreal byWidth = (room.width() - 2.0 * kGap) / paper.width();
    const qreal byHeight = (room.height() - 2.0 * kGap) / paper.height();
    qreal s = zoom.scale;
    switch (zoom.mode) {
    case ZoomState::Mode::FixedScale:
        break;
    case ZoomState::Mode::PageWidth:
        s = byWidth;
        break;
    case ZoomState::Mode::WholePage:
        s = byHeight;
        break;
    case ZoomState::Mode::TwoPages:
        s = qMin((room.width() - 3.0 * kGap) / (2 * paper.width()), byHeight);
        break;
    }
    return qMax<qreal>(s, 0.02);
}

QSizeF PreviewArea::pageSize() const
{
    return QSizeF(m_paper.paperWidth, m_paper.paperHeight) * m_scale;
}

int PreviewArea::columns() const
{
    switch (ZoomState::current().mode) {
    case ZoomState::Mode::FixedScale:
        return qMax(1, int((viewport()->width() - kGap) / (pageSize().width() + kGap)));
    case ZoomState::Mode::TwoPages:
        return 2;
    default:
        return 1;
    }
}

void PreviewArea::relayout()
{
    m_scale = scaleFor(ZoomState::current());
    m_columns = columns();
    const QSizeF page = pageSize();
    const int rows = hasPages() ? (pageCount() + m_columns - 1) / m_columns : 0;
    m_contentSize = QSizeF(m_columns * (page.width() + kGap) + kGap, rows * (page.height() + kGap) + kGap);
    const QSize room = viewport()->size();
    m_scrollingToPage = true;
    horizontalScrollBar()->setRange(0, qMax(0, int(std::ceil(m_contentSize.width())) - room.width()));
    verticalScrollBar()->setRange(0, qMax(0, int(std::ceil(m_contentSize.height())) - room.height()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setPageStep(room.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    m_scrollingToPage = false;
}

QRectF PreviewArea::pageRect(int n) const
{
    const QSizeF page = pageSize();
    const int index = n - 1;
    const int row = index / m_columns;
    const int column = index % m_columns;
    // Pages narrower than the area are centred in it.
    const qreal spare = qMax<qreal>(0, viewport()->width() - m_contentSize.width()) / 2;
    return QRectF(QPointF(spare + kGap + column * (page.width() + kGap), kGap + row * (page.height() + kGap)), page);
}

void PreviewArea::goToPage(int n)
{
    if (n < 1 || n > pageCount())
        return;
    m_scrollingToPage = true;
    verticalScrollBar()->setValue(int(pageRect(n).top() - kGap));
    m_scrollingToPage = false;
    setCurrent(n);
}

void PreviewArea::setCurrent(int n)
{
    m_current = n;
    showCounter();
}

void PreviewArea::followScroll()
{
    if (!hasPages() || m_scrollingToPage)
        return;
    // The page whose row holds the top of the view, or the next row once only a sliver of the
    // row is left; at the very bottom, the last page.
    const qreal rowHeight = pageSize().height() + kGap;
    const int top = verticalScrollBar()->value();
    int row = int((top + rowHeight / 4) / rowHeight);
    int page = row * m_columns + 1;
    if (top >= verticalScrollBar()->maximum() && verticalScrollBar()->maximum() > 0)
        page = pageCount();
    setCurrent(qBound(1, page, pageCount()));
}

void PreviewArea::scrollContentsBy(int, int)
{
    followScroll();
    viewport()->update();
}

void PreviewArea::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int keep = m_current;
    const bool rescales = ZoomState::current().mode != ZoomState::Mode::FixedScale;
    relayout();
    viewport()->update();
    if (rescales)
        goToPage(keep);
}

void PreviewArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), kBackground);
    if (!hasPages())
        return;
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const qreal rowHeight = pageSize().height() + kGap;
    const QRectF view = QRectF(event->rect()).translated(scroll);
    // Only the rows in view are looked at, however many pages there are.
    const int firstRow = qMax(0, int((view.top() - kGap) / rowHeight));
    const int lastRow = int(view.bottom() / rowHeight);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int n = row * m_columns + column + 1;
            if (n > pageCount())
                return;
            const QRectF page = pageRect(n).translated(-scroll);
            if (!page.intersects(event->rect()))
                continue;
            painter.fillRect(page.translated(kShadow, kShadow), Qt::black);
            painter.fillRect(page, Qt::white);
            painter.save();
            painter.setClipRect(page);
            m_run->pages().paintPage(painter, n - 1, page.topLeft(), m_scale);
            painter.restore();
        }
    }
}

void PreviewArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    m_dragging = true;
    m_dragFrom = event->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void PreviewArea::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QAbstractScrollArea::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - m_dragFrom;
    m_dragFrom = at;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
}

void PreviewArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_dragging = false;
    viewport()->setCursor(Qt::OpenHandCursor);
}

void PreviewArea::contextMenuEvent(QContextMenuEvent* event)
{
    checkZoomItem();
    m_zoomMenu->popup(event->globalPos());
}
