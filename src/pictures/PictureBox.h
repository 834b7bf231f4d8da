#pragma once

#include "PictureStore.h"
#include "PreparedPicture.h"

#include <QFrame>
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
    void take(const std::function<QImage()>& read);
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
};
