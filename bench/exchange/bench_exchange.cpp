// Import of a CSV file of movies (100,000 with three cast members each, or the number given as
// the first argument) through the data module, against raw SQLite doing the same inserts with
// the same lookup upkeep in one transaction; then the export of the folder to CSV against raw
// SQLite reading the same rows and writing the same text. Both sides read the file with the
// same CSV reader, so the figures compare the writing paths. Peak memory is the process's.
#include "CatalogueExporter.h"
#include "CatalogueImporter.h"
#include "CatalogueWriter.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "DetailText.h"
#include "SqliteStatement.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void writeSource(const QString& path, int items)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the source file");
    CsvWriter writer(file);
    writer.writeRow({"Title", "Category", "Year", "Time", "Director", "Date acquired", "Cast", "Description"});
    for (int i = 0; i < items; ++i) {
        const QStringList cast{QStringLiteral("Actor %1").arg((i * 7) % 5000),
                               QStringLiteral("Actor %1").arg((i * 13 + 1) % 5000),
                               QStringLiteral("Actor %1").arg((i * 31 + 2) % 5000)};
        writer.writeRow({QStringLiteral("Movie %1, part \"%2\"").arg(i).arg(i % 9),
                         QStringLiteral("Category %1").arg(i % 40), QString::number(1930 + i % 90),
                         QStringLiteral("%1 min").arg(80 + i % 90), QStringLiteral("Director %1").arg(i % 800),
                         QStringLiteral("2020-%1-15").arg(1 + i % 12, 2, 10, QLatin1Char('0')),
                         DetailText::castText(cast), QStringLiteral("Notes on movie %1,\nsecond line").arg(i)});
    }
}

// The lookup upkeep of a post, by hand: the name is added when the list does not have it.
struct Lookup
{
    SqliteStatement find;
    SqliteStatement add;
    Lookup(sqlite3* db, const char* table)
        : find(db, QStringLiteral("SELECT Id FROM %1 WHERE Name = ?1").arg(QLatin1String(table)))
        , add(db, QStringLiteral("INSERT INTO %1 (Name) VALUES (?1)").arg(QLatin1String(table)))
    {
    }
    void keep(const QString& name)
    {
        if (name.isEmpty())
            return;
        find.reset();
        find.bindText(1, name);
        if (find.step())
            return;
        add.reset();
        add.bindText(1, name);
        add.execute();
    }
};

double rawImport(const QString& catalogue, const QString& source)
{
    TDAODatabase db;
    db.setDatabaseName(catalogue);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    QElapsedTimer clock;
    clock.start();
    sqlite3* h = db.handle();
    SqliteStatement::exec(h, QStringLiteral("BEGIN"));
    Lookup categories(h, "Movies_C"), directors(h, "Movies_D"), actors(h, "Movies_A");
    SqliteStatement movie(h, QStringLiteral("INSERT INTO Movies (Title, Category, Year, Tot_time, Director, Date_aq, "
                                            "Description, Media_type) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'CD')"));
    SqliteStatement cast(h, QStringLiteral("INSERT INTO Mv_Cast (P_Id, Name) VALUES (?1, ?2)"));
    QFile file(source);
    file.open(QIODevice::ReadOnly);
    CsvReader reader(file, TextEncoding::Utf8, u',');
    CsvRecord r;
    reader.next(r);
    while (reader.next(r)) {
        categories.keep(r.fields[1]);
        directors.keep(r.fields[4]);
        movie.reset();
        movie.bindText(1, r.fields[0]);
        movie.bindText(2, r.fields[1]);
        movie.bindInt64(3, r.fields[2].toLongLong());
        movie.bindText(4, r.fields[3]);
        movie.bindText(5, r.fields[4]);
        movie.bindText(6, r.fields[5] + QStringLiteral(" 00:00:00"));
        movie.bindText(7, r.fields[7]);
        movie.execute();
        const qint64 id = sqlite3_last_insert_rowid(h);
        for (const QString& name : DetailText::readCast(r.fields[6])) {
            actors.keep(name);
            cast.reset();
            cast.bindInt64(1, id);
            cast.bindText(2, name);
            cast.execute();
        }
    }
    SqliteStatement::exec(h, QStringLiteral("COMMIT"));
    return clock.elapsed() / 1000.0;
}

double rawExport(const QString& catalogue, const QString& target)
{
    TDAODatabase db;
    db.setDatabaseName(catalogue);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    QElapsedTimer clock;
    clock.start();
    QFile file(target);
    file.open(QIODevice::WriteOnly);
    CsvWriter writer(file);
    writer.writeRow({"Title", "Category", "Year", "Time", "Media", "Media No.", "Director", "Date acquired",
                     "Properties", "Description", "Cast"});
    SqliteStatement rows(db.handle(),
                         QStringLiteral("SELECT Title, Category, Year, Tot_time, Media_type, M_no, Director, "
                                        "Date_aq, Prop, Description, Id FROM Movies ORDER BY Title"));
    SqliteStatement cast(db.handle(), QStringLiteral("SELECT Name FROM Mv_Cast WHERE P_Id = ?1 ORDER BY Name"));
    while (rows.step()) {
        QStringList values;
        for (int c = 0; c < 10; ++c)
            values << (c == 7 ? rows.columnText(c).left(10) : rows.columnText(c));
        cast.reset();
        cast.bindInt64(1, rows.columnInt64(10));
        QStringList names;
        while (cast.step())
            names << cast.columnText(0);
        values << DetailText::castText(names);
        writer.writeRow(values);
    }
    return clock.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int items = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("movies.csv"));
    writeSource(source, items);
    std::printf("source: %d movies, %lld MB\n", items, QFile(source).size() >> 20);

    const QString rawCatalogue = dir.filePath(QStringLiteral("raw.mdb"));
    CatalogueWriter::create(rawCatalogue);
    const double raw = rawImport(rawCatalogue, source);
    std::printf("raw SQLite import:     %7.2f s\n", raw);

    QDir().mkpath(dir.filePath(QStringLiteral("module")));
    CatalogueWriter::create(dir.filePath(QStringLiteral("module/koltDB.mdb")));
    TDM dm(dir.filePath(QStringLiteral("module")));
    dm.DataModuleCreate();
    if (qEnvironmentVariableIsSet("BENCH_PRAGMA"))
        SqliteStatement::exec(dm.dbKOLT.handle(), qEnvironmentVariable("BENCH_PRAGMA"));
    const long before = peakKb();
    QElapsedTimer clock;
    clock.start();
    QFile file(source);
    file.open(QIODevice::ReadOnly);
    CatalogueImporter::Options options;
    options.folder = 0;
    options.duplicates = CatalogueImporter::Duplicates::Add;
    options.row.mapping = ExchangeFolder::at(0).propose(
        {"Title", "Category", "Year", "Time", "Director", "Date acquired", "Cast", "Description"});
    const CatalogueImporter::Summary summary = CatalogueImporter(dm).run(file, options);
    const double imported = clock.elapsed() / 1000.0;
    std::printf("import (data module):  %7.2f s  (%d added)  ratio %.2f x raw; peak memory %ld MB (%ld MB before)\n",
                imported, summary.added, imported / raw, peakKb() / 1024, before / 1024);

    const double rawOut = rawExport(rawCatalogue, dir.filePath(QStringLiteral("raw-out.csv")));
    std::printf("raw SQLite export:     %7.2f s\n", rawOut);
    clock.restart();
    {
        TDAODataset& rows = ExchangeFolder::at(0).everyItem(dm);
        rows.Open();
        QFile out(dir.filePath(QStringLiteral("out.csv")));
        out.open(QIODevice::WriteOnly);
        CatalogueExporter(dm, 0).writeCsv(rows, out, [](const QString& memo) { return memo; });
        rows.Close();
    }
    const double exported = clock.elapsed() / 1000.0;
    std::printf("export (data module):  %7.2f s  ratio %.2f x raw\n", exported, exported / rawOut);
    return 0;
}
