#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class TrashBin;

// Edit > Trash: what was deleted, when and from which folder, newest first; chosen entries are
// put back or removed for good.
class TrashDialog : public QDialog
{
    Q_OBJECT

public:
    TrashDialog(TrashBin& trash, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    void putBackChosen();
    void removeChosen();

private:
    void fill();
    std::vector<qint64> chosen() const;
    void updateButtons();

    TrashBin& m_trash;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_putBack = nullptr;
    QPushButton* m_remove = nullptr;
};
