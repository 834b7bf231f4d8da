#include "SafetyNet.h"

#include "BackgroundTask.h"
#include "BackupRotation.h"
#include "CatalogueBackup.h"
#include "CatalogueCheck.h"
#include "CatalogueFile.h"
#include "CatalogueUpgrade.h"
#include "EDatabaseError.h"
#include "ErrorGuard.h"
#include "MessageService.h"
#include "RestoreDialog.h"
#include "SafetyOptionsDialog.h"
#include "TDM.h"
#include "TrashBin.h"
#include "TrashDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// Copies the catalogue behind a progress window; returns the copy's path, or nothing when the
// user cancelled.
QString copyWithProgress(QWidget* parent, const QString& label, const QString& source, const QString& folder,
                         const QDateTime& when)
{
    QString made;
    BackgroundTask::run(parent, label, [&](BackgroundTask::Control& control) {
        try {
            made = CatalogueBackup::make(source, folder, when, [&control](qint64 pages, qint64 total) {
                control.percent = int(100 * pages / qMax<qint64>(1, total));
                return !control.cancelled;
            });
        } catch (const CatalogueBackup::Cancelled&) {
            control.cancelled = true;
        }
    });
    return made;
}

} // namespace

SafetyNet::SafetyNet(TDM& dm, QWidget* window, Reopen reopen)
    : QObject(window)
    , m_dm(dm)
    , m_window(window)
    , m_reopen(std::move(reopen))
    , m_settings(SafetySettings::load(cataloguePath()))
    , m_trash(std::make_unique<TrashBin>(dm))
{
    m_trash->setEnabled(m_settings.trashOn);
    m_copiedAt = changeCounter();
}

SafetyNet::~SafetyNet() = default;

void SafetyNet::guardUpgrades()
{
    CatalogueUpgrade::setBeforeUpgrade([](const QString& path, const QString& earlierCopy) -> QString {
        const SafetySettings settings = SafetySettings::load(path);
        if (!settings.backupsOn)
            return {};
        const QDir folder(settings.backupDirectory(path));
        // An upgrade stopped at an earlier opening left its copy: the file has only gained
        // indexes since, so that copy still stands for the catalogue before the upgrade.
        if (!earlierCopy.isEmpty() && folder.exists(earlierCopy))
            return earlierCopy;
        // A large catalogue takes a while: behind a progress window that keeps the splash
        // painted; Cancel goes on without the copy.
        try {
            const QString made = copyWithProgress(
                nullptr, QStringLiteral("Backing up the catalogue before preparing it for fast sorting…"), path,
                folder.path(), QDateTime::currentDateTime());
            return made.isEmpty() ? QString() : QFileInfo(made).fileName();
        } catch (const std::exception& e) {
            MessageService::showError(ErrorGuard::messageOf(e)
                                      + QStringLiteral(". The catalogue is prepared without it"));
        }
        return {};
    });
}

void SafetyNet::setClock(std::function<QDateTime()> clock)
{
    m_clock = clock;
    m_trash->setClock([clock] { return clock().toUTC(); });
}

QDateTime SafetyNet::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QString SafetyNet::cataloguePath() const
{
    return m_dm.dbKOLT.DatabaseName();
}

QString SafetyNet::backupFolder() const
{
    return m_settings.backupDirectory(cataloguePath());
}

qint64 SafetyNet::changeCounter() const
{
    return CatalogueFile::changeCounter(cataloguePath());
}

void SafetyNet::startUp()
{
    if (!m_settings.trashOn || !m_dm.dbKOLT.Connected())
        return;
    try {
        m_trash->expire(m_settings.trashDays);
    } catch (const EDatabaseError&) {
        // Another program holds the file: the old entries go at the next start.
    }
    m_copiedAt = changeCounter();
}

bool SafetyNet::makeCopy(const QString& label)
{
    const QString source = cataloguePath();
    const QString folder = backupFolder();
    const QDateTime when = now();
    if (copyWithProgress(m_window, label, source, folder, when).isEmpty())
        return false;
    m_copiedAt = changeCounter();
    CatalogueBackup::rotate(folder, when, m_settings.backupsKept, SafetySettings::kWeeksKept);
    return true;
}

void SafetyNet::backUpIfChanged()
{
    if (!m_settings.backupsOn || changeCounter() == m_copiedAt)
        return;
    try {
        makeCopy(QStringLiteral("Backing up the catalogue…"));
    } catch (const std::exception& e) {
        if (m_failureShown)
            return;
        m_failureShown = true;
        MessageService::showError(ErrorGuard::messageOf(e)
                                      + QStringLiteral(". The catalogue itself is as it was, "
                                                       "and the program closes as usual"),
                                  m_window);
    }
}

bool SafetyNet::backUpBeforeBigChange()
{
    if (!m_settings.backupsOn)
        return true;
    try {
        return makeCopy(QStringLiteral("Backing up the catalogue before the change…"));
    } catch (const std::exception& e) {
        MessageService::showError(ErrorGuard::messageOf(e), m_window);
        return false;
    }
}

void SafetyNet::restoreFromBackup()
{
    RestoreDialog dialog(backupFolder(), m_window);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty())
        return;
    const QString path = dialog.chosen();
    const auto made = BackupRotation::madeAt(QFileInfo(path).fileName());
    const QString when = made ? QLocale().toString(*made, QLocale::ShortFormat) : QFileInfo(path).fileName();
    if (!MessageService::ask(QStringLiteral("Restore the catalogue as it was on %1? The catalogue as it is now is "
                                            "kept as a backup first.")
                                 .arg(when),
                             m_window))
        return;
    // Without the copy of the catalogue as it is now, nothing is replaced.
    bool kept = false;
    ErrorGuard::run([&] { kept = makeCopy(QStringLiteral("Keeping the catalogue as it is now…")); }, m_window);
    if (kept)
        restore(path);
}

void SafetyNet::restore(const QString& backupPath)
{
    const QString target = cataloguePath();
    std::exception_ptr failure;
    m_reopen([&] {
        try {
            BackgroundTask::run(
                m_window, QStringLiteral("Restoring the catalogue…"),
                [&](BackgroundTask::Control&) { CatalogueBackup::restore(backupPath, target); }, false);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    catalogueReopened();
    if (failure)
        ErrorGuard::run([&] { std::rethrow_exception(failure); }, m_window);
}

void SafetyNet::setRestored(std::function<void(int folder, qint64 id)> restored)
{
    m_restored = std::move(restored);
    m_trash->setRestored(m_restored);
}

void SafetyNet::catalogueReopened()
{
    m_trash = std::make_unique<TrashBin>(m_dm);
    m_trash->setEnabled(m_settings.trashOn);
    m_trash->setRestored(m_restored);
    if (m_clock)
        setClock(m_clock);
    m_copiedAt = changeCounter();
}

void SafetyNet::showTrash()
{
    TrashDialog dialog(*m_trash, m_window);
    dialog.exec();
}

QString SafetyNet::newestGoodBackup() const
{
    const QDir dir(backupFolder());
    for (const auto& copy : BackupRotation::copies(dir.entryList(QDir::Files))) {
        const QString path = dir.filePath(copy.fileName);
        if (CatalogueBackup::problem(path).isEmpty())
            return path;
    }
    return {};
}

void SafetyNet::checkCatalogue()
{
    const QString path = cataloguePath();
    CatalogueCheck::Result result;
    BackgroundTask::run(m_window, QStringLiteral("Checking the catalogue…"), [&](BackgroundTask::Control& control) {
        result = CatalogueCheck::run(path, [&control](int percent) {
            control.percent = percent;
            return !control.cancelled;
        });
    });
    const QString words = CatalogueCheck::describe(result);
    if (result.cancelled || result.whole()) {
        MessageService::inform(words, m_window);
        return;
    }
    const QString good = newestGoodBackup();
    if (good.isEmpty()) {
        MessageService::showError(words + QStringLiteral("\n\nNo backup that could replace it was found"), m_window);
        return;
    }
    const auto made = BackupRotation::madeAt(QFileInfo(good).fileName());
    if (!MessageService::ask(words
                                 + QStringLiteral("\n\nRestore the newest whole backup, made on %1? The damaged "
                                                  "catalogue is kept beside the backups.")
                                       .arg(QLocale().toString(*made, QLocale::ShortFormat)),
                             m_window))
        return;
    // A damaged file cannot pass the check a backup must pass: it is kept as it is, apart.
    const QDateTime when = now();
    const bool kept = ErrorGuard::run(
        [&] {
            BackgroundTask::run(
                m_window, QStringLiteral("Keeping the damaged catalogue…"),
                [&](BackgroundTask::Control&) { CatalogueBackup::keepDamaged(path, backupFolder(), when); }, false);
        },
        m_window);
    if (kept)
        restore(good);
}

void SafetyNet::showOptions()
{
    SafetyOptionsDialog dialog(m_settings, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SafetySettings changed = dialog.settings();
    changed.save(cataloguePath());
    m_settings = changed;
    m_trash->setEnabled(m_settings.trashOn);
}
