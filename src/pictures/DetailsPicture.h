#pragma once

#include "FieldDataLink.h"
#include "PictureStore.h"
#include "PictureView.h"

#include <QTimer>

class TDAODatabase;
class TDataSource;

// The current item's picture in a folder's Details pane: its thumbnail, read once the current
// item has changed (once for a quick run of moves), never while a move is under way. Without a
// picture it is hidden and leaves no empty frame. Nothing is kept for other items, so memory
// does not grow with the items visited.
class DetailsPicture : public PictureView
{
    Q_OBJECT

public:
    DetailsPicture(TDataSource* source, int folder, TDAODatabase& db, QWidget* parent = nullptr);

    // The key of the item whose picture is shown, 0 when none is.
    qint64 shownItem() const { return m_item; }
    // Reads the current item's picture now (tests and benchmarks; the window waits for the
    // event loop).
    void refresh();

    // The most room the picture takes, before scaling to the font, and the share of the pane's
    // width it may take, so that a narrow pane still shows its fields.
    static constexpr int kDrawnSide = 150;
    static constexpr double kWidthShare = 0.4;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Sizes the picture to the room the pane leaves it.
    void fit();

    FieldDataLink m_link;
    int m_folder;
    PictureStore m_store;
    QTimer m_pending;
    qint64 m_item = 0;
};
