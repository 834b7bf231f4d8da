#include "TAboutForm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    AboutForm = this;
    setWindowTitle(QStringLiteral("About..."));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* strip = new QLabel(this);
    strip->setFixedSize(280, 60);
    strip->setPixmap(QIcon(QStringLiteral(":/app/about.svg")).pixmap(QSize(280, 60), devicePixelRatioF()));
    strip->setAccessibleName(QStringLiteral("Tarvena"));

    auto* version = new QLabel(QStringLiteral("Tarvena ver. %1").arg(QLatin1String(KOLT_VERSION_TEXT)), this);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    version->setAlignment(Qt::AlignCenter);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(strip, 0, Qt::AlignHCenter);
    layout->addWidget(version);
    layout->addWidget(line);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_ok->setFocus();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TAboutForm::~TAboutForm()
{
    if (AboutForm == this)
        AboutForm = nullptr;
}

void TAboutForm::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close the box; only OK and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
