#include "SafetySettings.h"

#include "EDatabaseError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

QString settingsFile(const QString& cataloguePath)
{
    return QFileInfo(cataloguePath).absoluteDir().filePath(QLatin1String(SafetySettings::kFileName));
}

} // namespace

SafetySettings SafetySettings::load(const QString& cataloguePath)
{
    const QSettings file(settingsFile(cataloguePath), QSettings::IniFormat);
    SafetySettings s;
    s.backupsOn = file.value(QStringLiteral("backups/on"), s.backupsOn).toBool();
    s.backupsKept = qBound(1, file.value(QStringLiteral("backups/kept"), s.backupsKept).toInt(), 1000);
    s.backupFolder = file.value(QStringLiteral("backups/folder")).toString();
    s.trashOn = file.value(QStringLiteral("trash/on"), s.trashOn).toBool();
    s.trashDays = qBound(1, file.value(QStringLiteral("trash/days"), s.trashDays).toInt(), 3650);
    return s;
}

void SafetySettings::save(const QString& cataloguePath) const
{
    QSettings file(settingsFile(cataloguePath), QSettings::IniFormat);
    file.setValue(QStringLiteral("backups/on"), backupsOn);
    file.setValue(QStringLiteral("backups/kept"), backupsKept);
    file.setValue(QStringLiteral("backups/folder"), backupFolder);
    file.setValue(QStringLiteral("trash/on"), trashOn);
    file.setValue(QStringLiteral("trash/days"), trashDays);
    file.sync();
    if (file.status() != QSettings::NoError)
        throw EDatabaseError(QStringLiteral("The settings could not be saved in '%1'")
                                 .arg(QDir::toNativeSeparators(settingsFile(cataloguePath))));
}

QString SafetySettings::backupDirectory(const QString& cataloguePath) const
{
    if (!backupFolder.isEmpty())
        return QDir::cleanPath(backupFolder);
    return QFileInfo(cataloguePath).absoluteDir().filePath(QStringLiteral("Backups"));
}
