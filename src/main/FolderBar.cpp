#include "FolderBar.h"

#include "FolderDefinition.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kIcons[] = {"movies", "music", "books", "programs", "addressbook"};

} // namespace

FolderBar::FolderBar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("abcButtonList1"));
    setAccessibleName(QStringLiteral("Folders"));
    m_tile = QIcon(QStringLiteral(":/main/folderbar-tile.svg")).pixmap(QSize(64, 64));

    auto* page = new QLabel(QStringLiteral("Folders"), this);
    page->setAlignment(Qt::AlignCenter);
    page->setAutoFillBackground(true);
    page->setFrameShape(QFrame::Panel);
    page->setFrameShadow(QFrame::Raised);
    page->setMinimumHeight(20);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(page);

    for (const FolderDefinition& f : FolderDefinition::all()) {
        auto* b = new QToolButton(this);
        b->setText(f.caption);
        b->setAccessibleName(f.caption);
        b->setIcon(QIcon(QStringLiteral(":/main/icons/%1.svg").arg(QLatin1String(kIcons[f.index]))));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        b->setMinimumWidth(84);
        // Captions in the window colour over the dark background; hover and focus show as a
        // light veil so that the caption stays readable.
        b->setStyleSheet(
            QStringLiteral("QToolButton { color: %1; background: transparent; border: 1px solid transparent;"
                           " border-radius: 4px; padding: 3px; }"
                           "QToolButton:hover { background: rgba(255, 255, 255, 40); }"
                           "QToolButton:pressed { background: rgba(255, 255, 255, 80); }"
                           "QToolButton:focus { border: 1px dotted rgba(255, 255, 255, 170); }")
                .arg(palette().color(QPalette::Window).name()));
        const int index = f.index;
        connect(b, &QToolButton::clicked, this, [this, index, b] { Q_EMIT buttonClicked(index, b->text()); });
        layout->addWidget(b, 0, Qt::AlignHCenter);
        m_buttons << b;
    }
    layout->addStretch(1);
}

void FolderBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_tile.isNull())
        p.drawTiledPixmap(rect(), m_tile);
    else
        p.fillRect(rect(), QColor(40, 58, 92));
}
