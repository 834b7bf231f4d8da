#include "ToolbarDock.h"

#include <QCloseEvent>
#include <QPainter>

namespace {

// The grip by which the docked toolbar is dragged off.
class Grip : public QWidget
{
public:
    explicit Grip(QWidget* parent)
        : QWidget(parent)
    {
        setFixedWidth(8);
        setCursor(Qt::SizeAllCursor);
        setToolTip(QStringLiteral("Drag to move the toolbar"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(Qt::NoPen);
        for (int y = 4; y < height() - 3; y += 4) {
            p.setBrush(palette().color(QPalette::Light));
            p.drawRect(3, y + 1, 2, 2);
            p.setBrush(palette().color(QPalette::Dark));
            p.drawRect(2, y, 2, 2);
        }
    }
};

} // namespace

ToolbarDock::ToolbarDock(const QString& title, QWidget* parent)
    : QDockWidget(title, parent)
    , m_noTitle(new Grip(this))
{
    setObjectName(title);
    setAccessibleName(title);
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetClosable
                | QDockWidget::DockWidgetVerticalTitleBar);
    setAllowedAreas(Qt::TopDockWidgetArea);
    connect(this, &QDockWidget::topLevelChanged, this, &ToolbarDock::updateTitleBar);
    updateTitleBar(false);
}

void ToolbarDock::updateTitleBar(bool floating)
{
    // Docked, it is a plain bar with a grip; floating, it gets its title and close button.
    setTitleBarWidget(floating ? nullptr : m_noTitle);
    setFeatures(floating ? features() & ~QDockWidget::DockWidgetVerticalTitleBar
                         : features() | QDockWidget::DockWidgetVerticalTitleBar);
}

void ToolbarDock::closeEvent(QCloseEvent* event)
{
    QDockWidget::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closedByUser();
}
