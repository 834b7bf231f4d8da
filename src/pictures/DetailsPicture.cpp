#include "DetailsPicture.h"

#include "DrawnSize.h"
#include "TDAODataset.h"
#include "TField.h"

#include <QEvent>

DetailsPicture::DetailsPicture(TDataSource* source, int folder, TDAODatabase& db, QWidget* parent)
    : PictureView(parent)
    , m_link(QStringLiteral("Id"))
    , m_folder(folder)
    , m_store(db)
{
    setObjectName(QStringLiteral("dbPicture%1").arg(folder));
    setAccessibleName(QStringLiteral("Picture"));
    setVisible(false);
    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, [this] { refresh(); });
    m_link.setOnChange([this] { m_pending.start(); });
    m_link.setDataSource(source);
    if (parent)
        parent->installEventFilter(this);
}

void DetailsPicture::refresh()
{
    m_pending.stop();
    QImage image;
    qint64 item = 0;
    TDAODataset* items = m_link.DataSet();
    const TField* key = m_link.Field();
    if (items && key && items->Active() && items->State() != TDataSetState::Insert && !items->IsEmpty()
        && !key->IsNull()) {
        item = key->AsInteger();
        try {
            image = QImage::fromData(m_store.thumbnail(m_folder, item));
        } catch (const std::exception&) {
            // Only a picture: a file that cannot be read now shows none rather than a box at
            // every move; the next move reads again.
        }
    }
    if (image.isNull()) {
        m_item = 0;
        setImage({});
        setVisible(false);
        return;
    }
    m_item = item;
    setImage(image);
    fit();
    setVisible(true);
}

void DetailsPicture::fit()
{
    if (!hasImage())
        return;
    QSize room(DrawnSize::width(fontMetrics(), kDrawnSide), DrawnSize::height(fontMetrics(), kDrawnSide));
    if (const QWidget* pane = parentWidget(); pane && pane->width() > 0) {
        room = room.boundedTo(QSize(int(pane->width() * kWidthShare), pane->height()));
        room = room.expandedTo(QSize(16, 16));
    }
    QSize fitted = image().size();
    if (fitted.width() > room.width() || fitted.height() > room.height())
        fitted = fitted.scaled(room, Qt::KeepAspectRatio);
    if (size() != fitted) // a new size lays the window out again: only when it changes
        setFixedSize(fitted);
}

bool DetailsPicture::event(QEvent* event)
{
    // The pane it is laid out in tells it when its room changes.
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    if (event->type() == QEvent::ParentChange && parentWidget())
        parentWidget()->installEventFilter(this);
    return PictureView::event(event);
}

bool DetailsPicture::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fit();
    return PictureView::eventFilter(watched, event);
}
