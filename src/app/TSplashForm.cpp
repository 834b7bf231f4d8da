#include "TSplashForm.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QScreen>

TSplashForm* SplashForm = nullptr;

namespace {

const QSize kClientSize(380, 250);

} // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(kClientSize);
    setAccessibleName(QStringLiteral("Tarvena ver. %1").arg(QLatin1String(KOLT_VERSION_TEXT)));
    m_picture = QIcon(QStringLiteral(":/app/splash.svg")).pixmap(kClientSize, devicePixelRatioF());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplashForm::showNow()
{
    show();
    raise();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplashForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_picture.isNull())
        p.drawPixmap(rect(), m_picture);
    else
        p.fillRect(rect(), QColor(63, 91, 139));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(0, 0, -12, -10), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Tarvena ver. %1").arg(QLatin1String(KOLT_VERSION_TEXT)));
}
