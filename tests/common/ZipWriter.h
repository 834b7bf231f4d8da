#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

// A zip with the given entries, as Tellico's .tc files are (the test links QuaZip).
inline void writeZip(const QString& path, const QList<QPair<QString, QByteArray>>& entries)
{
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto& [name, bytes] : entries) {
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
    }
    zip.close();
}
