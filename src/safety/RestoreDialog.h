#pragma once

#include <QDialog>
#include <atomic>
#include <memory>

class QLabel;
class QPushButton;
class QThread;
class QTreeWidget;

// File > Restore from backup: the copies in the backup folder, newest first, each with when it
// was made, how many items each folder holds and whether it passed its check. The counts and
// checks are read on a thread of their own, one copy after the other, while the list shows.
class RestoreDialog : public QDialog
{
    Q_OBJECT

public:
    RestoreDialog(const QString& folder, QWidget* parent = nullptr);
    ~RestoreDialog() override;

    // The copy chosen, once the dialog was accepted.
    QString chosen() const { return m_chosen; }
    QTreeWidget* list() const { return m_list; }
    // True once every copy has been read.
    bool allRead() const { return m_pending == 0; }

private:
    void fill(const QString& folder);
    void readInBackground();
    void showRead(int row, const std::vector<qint64>& counts, const QString& problem);
    void updateButton();
    void restoreChosen();

    QTreeWidget* m_list = nullptr;
    QLabel* m_empty = nullptr;
    QPushButton* m_restore = nullptr;
    QStringList m_paths;
    QString m_chosen;
    int m_pending = 0;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<QThread> m_reader;
};
