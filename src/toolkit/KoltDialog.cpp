#include "KoltDialog.h"

#include "DrawnSize.h"
#include "ErrorGuard.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

KoltDialog::KoltDialog(QWidget* owner, const QString& caption, QSize clientSize)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::MSWindowsFixedSizeDialogHint)
    , m_drawn(clientSize)
{
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setSizeGripEnabled(false);
}

int KoltDialog::scaledWidth(int drawn) const
{
    return DrawnSize::width(fontMetrics(), drawn);
}

int KoltDialog::scaledHeight(int drawn) const
{
    return DrawnSize::height(fontMetrics(), drawn);
}

QSize KoltDialog::scaled(QSize drawn) const
{
    return {scaledWidth(drawn.width()), scaledHeight(drawn.height())};
}

QPushButton* KoltDialog::button(const QString& caption, QSize drawn, std::function<void()> handler)
{
    auto* b = new QPushButton(caption, this);
    b->setMinimumSize(scaled(drawn));
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    connect(b, &QPushButton::clicked, this, [this, handler = std::move(handler)] { guarded(handler); });
    return b;
}

bool KoltDialog::guarded(const std::function<void()>& handler)
{
    return ErrorGuard::run(handler, this);
}

void KoltDialog::fixSize()
{
    if (layout())
        layout()->activate();
    setFixedSize(sizeHint().expandedTo(scaled(m_drawn)));
}

void KoltDialog::showModal()
{
    fixSize();
    // Centred on the desktop, not on the owner.
    if (const QScreen* screen = (parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()))
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void KoltDialog::showEvent(QShowEvent* event)
{
    // Qt makes every push button of a dialog a default button of its own accord.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    QDialog::showEvent(event);
    if (QWidget* first = initialFocus())
        first->setFocus(Qt::OtherFocusReason);
}

void KoltDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept(); // does not close
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* focused = qobject_cast<QAbstractButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void KoltDialog::runClose()
{
    if (m_closed)
        return;
    m_closed = true;
    guarded([this] { FormClose(); });
}

void KoltDialog::closeEvent(QCloseEvent* event)
{
    runClose();
    event->accept();
    QDialog::closeEvent(event);
}

void KoltDialog::done(int result)
{
    runClose();
    QDialog::done(result);
}
