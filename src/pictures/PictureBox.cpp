#include "PictureBox.h"

#include "DrawnSize.h"
#include "EPictureError.h"
#include "ErrorGuard.h"
#include "PictureEncoder.h"
#include "PictureReader.h"
#include "PictureView.h"
#include "TDAODatabase.h"
#include "TDAODataset.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <mutex>

namespace {

// The MIME types of encoded pictures another program may hand over, best first.
const QStringList& pictureTypes()
{
    static const QStringList types{QStringLiteral("image/png"), QStringLiteral("image/jpeg"),
                                   QStringLiteral("image/webp"), QStringLiteral("image/gif"),
                                   QStringLiteral("image/bmp")};
    return types;
}

bool offersPicture(const QMimeData& mime)
{
    if (mime.hasImage())
        return true;
    for (const QString& type : pictureTypes()) {
        if (mime.hasFormat(type))
            return true;
    }
    for (const QUrl& url : mime.urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

// The folder "Choose…" opens in: where the last picture was chosen, for as long as the
// program runs; at first the user's pictures folder, or home when there is none (a folder that
// does not exist would be taken for a file name to fill in).
QString& lastFolder()
{
    static QString folder = [] {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    }();
    return folder;
}

} // namespace

PictureBox::PictureBox(TDAODataset& item, int folder, QWidget* parent)
    : QFrame(parent)
    , m_item(item)
    , m_folder(folder)
    , m_store(*item.Database())
{
    setObjectName(QStringLiteral("pictureBox"));
    setAcceptDrops(true);
    auto drawnWidth = [this](int w) { return DrawnSize::width(fontMetrics(), w); };
    auto drawnHeight = [this](int h) { return DrawnSize::height(fontMetrics(), h); };

    m_view = new PictureView(this);
    m_view->setObjectName(QStringLiteral("picture"));
    m_view->setPlaceholder(QStringLiteral("No picture"));
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setAccessibleName(QStringLiteral("Picture"));
    m_view->setToolTip(QStringLiteral("Choose a picture, paste one here (Ctrl+V) or drop one here"));
    m_view->setFixedSize(drawnWidth(128), drawnHeight(160));
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* inFrame = new QGridLayout(frame);
    inFrame->setContentsMargins(1, 1, 1, 1);
    inFrame->addWidget(m_view);

    m_choose = new QPushButton(QStringLiteral("Choose…"), this);
    m_choose->setObjectName(QStringLiteral("btPictureChoose"));
    m_remove = new QPushButton(QStringLiteral("Remove"), this);
    m_remove->setObjectName(QStringLiteral("btPictureRemove"));
    m_remove->setAccessibleName(QStringLiteral("Remove picture"));
    m_choose->setAccessibleName(QStringLiteral("Choose picture"));
    for (QPushButton* b : {m_choose, m_remove}) {
        b->setAutoDefault(false);
        b->setMinimumSize(drawnWidth(55), drawnHeight(21));
    }
    m_remove->setEnabled(false);
    connect(m_choose, &QPushButton::clicked, this, [this] { ErrorGuard::run([this] { chooseFile(); }, this); });
    connect(m_remove, &QPushButton::clicked, this, [this] { ErrorGuard::run([this] { removePicture(); }, this); });

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(drawnWidth(4));
    layout->setVerticalSpacing(drawnHeight(4));
    layout->addWidget(frame, 0, 0, 1, 2);
    layout->addWidget(m_choose, 1, 0);
    layout->addWidget(m_remove, 1, 1);
    layout->setRowStretch(2, 1);

    static std::once_flag decodersLoaded;
    std::call_once(decodersLoaded, [] { QThreadPool::globalInstance()->start(&PictureReader::loadDecoders); });
    m_watcher = new QFutureWatcher<Preparation>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, [this] { preparationFinished(); });
    m_item.addPostRule(this, [this](TDAODataset& stored) { storeWithPost(stored); });
}

PictureBox::~PictureBox()
{
    m_item.removeRules(this);
}

QString PictureBox::fileFilter()
{
    return QStringLiteral("Pictures (*.jpg *.jpeg *.jpe *.jfif *.png *.gif *.bmp *.dib *.webp);;All files (*)");
}

void PictureBox::load()
{
    m_change = Change::None;
    m_prepared = {};
    m_preparing = false;
    m_view->setPlaceholder(QStringLiteral("No picture"));
    QImage image;
    if (m_item.Active() && m_item.State() != TDataSetState::Insert && !m_item.IsEmpty()) {
        const QByteArray thumbnail = m_store.thumbnail(m_folder, m_item.FieldByName(QStringLiteral("Id")).AsInteger());
        if (!thumbnail.isEmpty())
            image = QImage::fromData(thumbnail);
    }
    display(image);
}

void PictureBox::display(const QImage& image)
{
    m_view->setImage(image);
    m_remove->setEnabled(!image.isNull());
}

bool PictureBox::hasPicture() const
{
    return m_preparing || m_view->hasImage();
}

void PictureBox::prepareLater(std::function<QImage()> read)
{
    m_item.Edit();
    if (!m_preparing) {
        m_changeBefore = m_change;
        m_preparedBefore = m_prepared;
        m_imageBefore = m_view->image();
    }
    m_preparing = true;
    m_change = Change::Set;
    m_prepared = {};
    m_view->setPlaceholder(QStringLiteral("Preparing the picture…"));
    display({});
    m_remove->setEnabled(true);
    // The job holds its own copies of what it reads: nothing of the box, which may be gone
    // before it ends.
    auto promise = std::make_shared<QPromise<Preparation>>();
    m_preparation = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, read = std::move(read)] {
        Preparation result;
        try {
            result.picture = PictureEncoder::prepare(read());
        } catch (const std::bad_alloc&) {
            result.error = QStringLiteral("The picture is too large to be prepared with the memory there is");
        } catch (const std::exception& e) {
            result.error = ErrorGuard::messageOf(e);
        }
        promise->addResult(std::move(result));
        promise->finish();
    });
    m_watcher->setFuture(m_preparation);
}

QString PictureBox::takePreparation()
{
    m_preparing = false;
    m_view->setPlaceholder(QStringLiteral("No picture"));
    Preparation result = m_preparation.takeResult();
    if (!result.error.isEmpty()) {
        m_change = m_changeBefore;
        m_prepared = std::move(m_preparedBefore);
        display(m_imageBefore);
        m_imageBefore = {};
        return result.error;
    }
    m_prepared = std::move(result.picture);
    m_preparedBefore = {};
    m_imageBefore = {};
    display(m_prepared.shown);
    return {};
}

void PictureBox::preparationFinished()
{
    if (!m_preparing || !m_preparation.isFinished())
        return; // taken already by OK, or given up for another
    const QString error = takePreparation();
    if (!error.isEmpty())
        MessageService::showError(error, this);
}

void PictureBox::waitUntilReady()
{
    if (!m_preparing)
        return;
    if (!m_preparation.isFinished()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_preparation.waitForFinished();
        QApplication::restoreOverrideCursor();
    }
    const QString error = takePreparation();
    if (!error.isEmpty())
        throw EPictureError(error);
}

void PictureBox::setFromFile(const QString& path)
{
    // A catalogue that cannot be changed refuses before anything is read.
    m_item.Database()->checkWritable();
    QByteArray data = PictureReader::readFileBytes(path);
    const PictureReader::Checked checked = PictureReader::check(data);
    prepareLater([data = std::move(data), checked] {
        return PictureReader::decode(data, checked, PictureEncoder::kPictureSide);
    });
}

void PictureBox::setFromMime(const QMimeData& mime)
{
    for (const QUrl& url : mime.urls()) {
        if (url.isLocalFile()) {
            setFromFile(url.toLocalFile());
            return;
        }
    }
    for (const QString& type : pictureTypes()) {
        if (mime.hasFormat(type)) {
            m_item.Database()->checkWritable();
            QByteArray data = mime.data(type);
            const PictureReader::Checked checked = PictureReader::check(data);
            prepareLater([data = std::move(data), checked] {
                return PictureReader::decode(data, checked, PictureEncoder::kPictureSide);
            });
            return;
        }
    }
    if (mime.hasImage()) {
        m_item.Database()->checkWritable();
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (image.isNull())
            PictureReader::fromImage(image, PictureEncoder::kPictureSide); // raises the refusal
        prepareLater([image] { return PictureReader::fromImage(image, PictureEncoder::kPictureSide); });
        return;
    }
    if (mime.hasUrls())
        throw EPictureError(QStringLiteral("Only a picture saved on this computer can be taken: save it first, then "
                                           "choose it or drop the file"));
    throw EPictureError(QStringLiteral("There is no picture to take"));
}

void PictureBox::paste()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !offersPicture(*mime))
        throw EPictureError(QStringLiteral("The clipboard holds no picture"));
    setFromMime(*mime);
}

void PictureBox::removePicture()
{
    if (!hasPicture())
        return;
    m_item.Database()->checkWritable();
    m_item.Edit();
    // A picture still being prepared is given up: its end is ignored.
    m_preparing = false;
    m_view->setPlaceholder(QStringLiteral("No picture"));
    m_prepared = {};
    m_change = Change::Removed;
    display({});
}

void PictureBox::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(window(), QStringLiteral("Choose a picture"), lastFolder(),
                                                      fileFilter(), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    lastFolder() = QFileInfo(path).absolutePath();
    setFromFile(path);
}

void PictureBox::storeWithPost(TDAODataset& item)
{
    if (m_change == Change::None)
        return;
    if (m_change == Change::Set)
        waitUntilReady(); // a refusal undoes the post; the box holds what it held before
    const qint64 key = item.FieldByName(QStringLiteral("Id")).AsInteger();
    if (m_change == Change::Set)
        m_store.store(m_folder, key, m_prepared);
    else
        m_store.remove(m_folder, key);
    // Stored for good only once the post's transaction is; undone, it is still to be stored.
    item.Database()->afterCommit([box = QPointer<PictureBox>(this)] {
        if (box)
            box->m_change = Change::None;
    });
}

void PictureBox::later(std::function<void()> handler)
{
    QTimer::singleShot(0, this, [this, handler = std::move(handler)] { ErrorGuard::run(handler, this); });
}

void PictureBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        event->accept();
        later([this] { paste(); });
        return;
    }
    if (event->matches(QKeySequence::Delete) && hasPicture()) {
        event->accept();
        later([this] { removePicture(); });
        return;
    }
    QFrame::keyPressEvent(event);
}

void PictureBox::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Choose…"), this, [this] { ErrorGuard::run([this] { chooseFile(); }, this); });
    QAction* pasteAction
        = menu.addAction(QStringLiteral("Paste"), this, [this] { ErrorGuard::run([this] { paste(); }, this); });
    pasteAction->setShortcut(QKeySequence::Paste);
    QAction* removeAction = menu.addAction(QStringLiteral("Remove"), this,
                                           [this] { ErrorGuard::run([this] { removePicture(); }, this); });
    removeAction->setEnabled(hasPicture());
    menu.exec(event->globalPos());
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && offersPicture(*event->mimeData()))
        event->acceptProposedAction();
}

void PictureBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData() && offersPicture(*event->mimeData()))
        event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent* event)
{
    if (!event->mimeData() || !offersPicture(*event->mimeData()))
        return;
    event->acceptProposedAction();
    // The data is the dragging program's until the drop ends: a copy is read afterwards.
    auto copy = std::make_shared<QMimeData>();
    const QMimeData* dropped = event->mimeData();
    for (const QString& format : dropped->formats())
        copy->setData(format, dropped->data(format));
    if (dropped->hasImage())
        copy->setImageData(dropped->imageData());
    if (dropped->hasUrls())
        copy->setUrls(dropped->urls());
    later([this, copy] { setFromMime(*copy); });
}
