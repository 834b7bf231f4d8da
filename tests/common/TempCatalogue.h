#pragma once

#include "CatalogueWriter.h"
#include "SampleCatalogue.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A catalogue made for one test in a folder of its own, removed afterwards. Tests never touch
// an installed catalogue.
class TempCatalogue
{
public:
    explicit TempCatalogue(int sampleItems = -1, unsigned seed = 7)
    {
        if (!m_dir.isValid())
            qFatal("cannot make a temporary folder");
        m_path = m_dir.filePath(QStringLiteral("koltDB.mdb"));
        CatalogueWriter::create(m_path);
        if (sampleItems >= 0) {
            SampleCatalogue::Options o;
            o.items = sampleItems;
            o.seed = seed;
            o.names = 40;
            SampleCatalogue::fill(m_path, o);
        }
    }

    const QString& path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    QByteArray bytes() const
    {
        QFile f(m_path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};
