#pragma once

#include "PictureStore.h"
#include "PreparedPicture.h"

#include <QFrame>
#include <QFuture>
#include <functional>

class PictureView;
class QMimeData;
class QPushButton;
class TDAODataset;

// The picture of the item an editor shows, beside its fields: "Choose…" (a file), paste
// (Ctrl+V on the picture), dropping a picture file or picture data on it, "Remove". What is
// set or removed is kept until the item is posted, and stored in the post's own transaction;
// an editor closed without OK stores nothing. Setting or removing a picture puts the item into
// edit state first, so a catalogue that cannot be changed refuses it.
// A picture is checked at once (its size, kind and completeness: quick), then decoded and
// re-encoded on a worker thread, so that the window goes on answering; OK waits for it. A
// picture the decoder refuses afterwards is said then, and the box shows what it showed
// before.
template <typename T> class QFutureWatcher;
class PictureBox : public QFrame
{
    Q_OBJECT

public:
    enum class Change { None, Set, Removed };

    PictureBox(TDAODataset& item, int folder, QWidget* parent = nullptr);
    ~PictureBox() override;

    // Shows the item's stored picture (none for a new item).
    void load();

    // What the user's actions do, each raising the error that refuses the picture.
    void setFromFile(const QString& path);
    void setFromMime(const QMimeData& mime);
    void paste();
    void removePicture();
    // "Choose…": the file dialog, then setFromFile.
    void chooseFile();
    // Waits for the picture being prepared, if any; raises the error that refuses it.
    void waitUntilReady();
    bool isPreparing() const { return m_preparing; }

    Change change() const { return m_change; }
    PictureView* view() const { return m_view; }
    QPushButton* chooseButton() const { return m_choose; }
    QPushButton* removeButton() const { return m_remove; }

    // The file dialog's filter: every picture file taken.
    static QString fileFilter();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Preparation
    {
        PreparedPicture picture;
        QString error;
    };
    // Prepares what `read` decodes on a worker thread; the item goes into edit state first.
    void prepareLater(std::function<QImage()> read);
    void preparationFinished();
    // The prepared picture taken into the box, or, when refused, what the box had before; the
    // error that refused it.
    QString takePreparation();
    bool hasPicture() const;
    void display(const QImage& image);
    // Runs a handler the user triggered once control is back in the event loop, with the
    // standard error box for a refusal (drops and key presses may not open one themselves).
    void later(std::function<void()> handler);
    void storeWithPost(TDAODataset& item);

    TDAODataset& m_item;
    int m_folder;
    PictureStore m_store;
    PictureView* m_view = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_remove = nullptr;
    Change m_change = Change::None;
    PreparedPicture m_prepared;
    bool m_preparing = false;
    QFuture<Preparation> m_preparation;
    QFutureWatcher<Preparation>* m_watcher = nullptr;
    // What the box held before the picture being prepared.
    Change m_changeBefore = Change::None;
    PreparedPicture m_preparedBefore;
    QImage m_imageBefore;
};
