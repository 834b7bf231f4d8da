#include "BackupRotation.h"

#include <QRegularExpression>
#include <algorithm>
#include <set>

namespace BackupRotation {

namespace {

constexpr const char* kFormat = "yyyy-MM-dd-HHmmss";

} // namespace

QString fileName(const QDateTime& made)
{
    return QStringLiteral("koltDB-%1.mdb").arg(made.toString(QLatin1String(kFormat)));
}

std::optional<QDateTime> madeAt(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^koltDB-(\\d{4}-\\d{2}-\\d{2}-\\d{6})\\.mdb$"));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    const QDateTime made = QDateTime::fromString(m.captured(1), QLatin1String(kFormat));
    if (!made.isValid())
        return std::nullopt;
    return made;
}

std::vector<Copy> copies(const QStringList& fileNames)
{
    std::vector<Copy> out;
    for (const QString& name : fileNames) {
        if (const auto made = madeAt(name))
            out.push_back({name, *made});
    }
    std::sort(out.begin(), out.end(), [](const Copy& a, const Copy& b) { return a.made > b.made; });
    return out;
}

QStringList toRemove(const QStringList& fileNames, const QDateTime& now, int kept, int weeks)
{
    const std::vector<Copy> all = copies(fileNames);
    std::set<QString> keep;
    for (size_t i = 0; i < all.size() && int(i) < kept; ++i)
        keep.insert(all[i].fileName);
    std::set<qint64> weeksSeen;
    for (const Copy& c : all) {
        const qint64 week = c.made.daysTo(now) / 7;
        if (week < 0 || week >= weeks || weeksSeen.count(week))
            continue;
        weeksSeen.insert(week);
        keep.insert(c.fileName);
    }
    QStringList out;
    for (const Copy& c : all) {
        if (!keep.count(c.fileName))
            out << c.fileName;
    }
    return out;
}

} // namespace BackupRotation
