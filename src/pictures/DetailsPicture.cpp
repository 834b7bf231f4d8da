#include "DetailsPicture.h"

#include "DrawnSize.h"
#include "TDAODataset.h"
#include "TField.h"

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
    const QSize room(DrawnSize::width(fontMetrics(), kDrawnSide), DrawnSize::height(fontMetrics(), kDrawnSide));
    QSize fit = image.size();
    if (fit.width() > room.width() || fit.height() > room.height())
        fit = fit.scaled(room, Qt::KeepAspectRatio);
    setFixedSize(fit);
    setImage(image);
    setVisible(true);
}
