#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The names and the keeping of backup copies: "koltDB-YYYY-MM-DD-HHMMSS.mdb", in local time.
namespace BackupRotation {

struct Copy
{
    QString fileName;
    QDateTime made;
};

QString fileName(const QDateTime& made);
// When a file of that name was made; nothing for a file that is not a backup of ours.
std::optional<QDateTime> madeAt(const QString& fileName);
// The copies among `fileNames` (any order), newest first; other files are left out.
std::vector<Copy> copies(const QStringList& fileNames);
// Which copies go: all but the `kept` newest and the newest of each of the last `weeks` weeks
// before `now`.
QStringList toRemove(const QStringList& fileNames, const QDateTime& now, int kept, int weeks);

} // namespace BackupRotation
