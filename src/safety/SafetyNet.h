#pragma once

#include "SafetySettings.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>

class QWidget;
class TDM;
class TrashBin;

// The main window's safety net: the copies of the catalogue it keeps by itself, their
// restoring, the trash of deleted items, the check of the file and their settings. Whatever
// fails here is shown once and never stops the user's own work.
class SafetyNet : public QObject
{
    Q_OBJECT

public:
    // `reopen` closes the catalogue, runs what it is given while the file is closed, and opens
    // it again in the window (a restore needs the program off the file).
    using Reopen = std::function<void(const std::function<void()>& whileClosed)>;
    SafetyNet(TDM& dm, QWidget* window, Reopen reopen);
    ~SafetyNet() override;

    // Copies are made before the opening rebuilds the catalogue's indexes (set once, at start).
    static void guardUpgrades();

    TrashBin& trash() { return *m_trash; }
    // What an item put back from the trash is told to (kept across a restore).
    void setRestored(std::function<void(int folder, qint64 id)> restored);
    const SafetySettings& settings() const { return m_settings; }
    // When the clock says it is (tests fix it).
    void setClock(std::function<QDateTime()> clock);

    // At start: the trash's old entries go.
    void startUp();
    // At close: a copy when the catalogue changed since it was opened or last copied. Never
    // raises; a failure is reported once.
    void backUpIfChanged();
    // Before work that changes many items at once; false when no copy could be made (said).
    bool backUpBeforeBigChange();

    // The commands.
    void restoreFromBackup();
    void showTrash();
    void checkCatalogue();
    void showOptions();

    // The catalogue was replaced under the program: the trash starts on it afresh.
    void catalogueReopened();

private:
    QString cataloguePath() const;
    QString backupFolder() const;
    QDateTime now() const;
    qint64 changeCounter() const;
    // Makes a copy behind a progress window; raises what failed, false when cancelled.
    bool makeCopy(const QString& label);
    void restore(const QString& backupPath);
    // The newest copy that passes its check, or nothing.
    QString newestGoodBackup() const;

    TDM& m_dm;
    QWidget* m_window;
    Reopen m_reopen;
    SafetySettings m_settings;
    std::unique_ptr<TrashBin> m_trash;
    std::function<QDateTime()> m_clock;
    std::function<void(int, qint64)> m_restored;
    qint64 m_copiedAt = -1; // the file's change counter when it was opened or last copied
    bool m_failureShown = false;
};
