// Import of a file of movies (100,000 with three cast members each, or the number given as the
// first argument) through the data module, against raw SQLite doing the same inserts with the
// same lookup upkeep in one transaction; then the export of the folder to CSV against raw
// SQLite reading the same rows and writing the same text. Both sides read the file with the
// same readers, so the figures compare the writing paths.
//   bench_exchange [items] [csv|tellico]
// "csv" (the default) imports a CSV file and exports the folder; "tellico" imports a Tellico
// collection file (tellico.xml) instead, converted to CSV as the import dialog does, the
// conversion timed on both sides. Each mode runs in a process of its own, so that the peak
// memory shown is that of the one import. Times are wall clock, with the process's CPU time
// (all its threads) in brackets.
#include "CatalogueExporter.h"
#include "CatalogueImporter.h"
#include "CatalogueWriter.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "DetailText.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TellicoFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Wall and CPU time from its start.
class Clock
{
public:
    Clock() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuNow();
    }
    double wall() const { return m_wall.nsecsElapsed() / 1e9; }
    double cpu() const { return cpuNow() - m_cpu; }

private:
    static double cpuNow()
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + t.tv_nsec / 1e9;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing taken(const Clock& clock)
{
    return {clock.wall(), clock.cpu()};
}

QStringList castOf(int i)
{
    return {QStringLiteral("Actor %1").arg((i * 7) % 5000), QStringLiteral("Actor %1").arg((i * 13 + 1) % 5000),
            QStringLiteral("Actor %1").arg((i * 31 + 2) % 5000)};
}

// The same movies as a Tellico collection of videos, written as it goes.
void writeTellico(const QString& path, int items)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the source file");
    QXmlStreamWriter w(&file);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("tellico"));
    w.writeDefaultNamespace(QStringLiteral("http://periapsis.org/tellico/"));
    w.writeAttribute(QStringLiteral("syntaxVersion"), QStringLiteral("11"));
    w.writeStartElement(QStringLiteral("collection"));
    w.writeAttribute(QStringLiteral("title"), QStringLiteral("Movies"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("3"));
    for (int i = 0; i < items; ++i) {
        w.writeStartElement(QStringLiteral("entry"));
        w.writeAttribute(QStringLiteral("id"), QString::number(i + 1));
        w.writeTextElement(QStringLiteral("title"), QStringLiteral("Movie %1, part \"%2\"").arg(i).arg(i % 9));
        w.writeTextElement(QStringLiteral("year"), QString::number(1930 + i % 90));
        w.writeStartElement(QStringLiteral("genres"));
        w.writeTextElement(QStringLiteral("genre"), QStringLiteral("Category %1").arg(i % 40));
        w.writeEndElement();
        w.writeTextElement(QStringLiteral("running-time"), QString::number(80 + i % 90));
        w.writeStartElement(QStringLiteral("directors"));
        w.writeTextElement(QStringLiteral("director"), QStringLiteral("Director %1").arg(i % 800));
        w.writeEndElement();
        w.writeStartElement(QStringLiteral("casts"));
        for (const QString& name : castOf(i)) {
            w.writeStartElement(QStringLiteral("cast"));
            w.writeTextElement(QStringLiteral("column"), name);
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeTextElement(QStringLiteral("plot"), QStringLiteral("Notes on movie %1,\nsecond line").arg(i));
        w.writeEndElement();
    }
    w.writeEndDocument();
}

void writeSource(const QString& path, int items)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the source file");
    CsvWriter writer(file);
    writer.writeRow({"Title", "Category", "Year", "Time", "Director", "Date acquired", "Cast", "Description"});
    for (int i = 0; i < items; ++i) {
        const QStringList cast = castOf(i);
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

// The columns of a file that the raw import writes, by their header names; -1 when absent.
struct Columns
{
    int title, category, year, time, media, director, date, cast, description;
    explicit Columns(const QStringList& header)
        : title(int(header.indexOf("Title")))
        , category(int(header.indexOf("Category")))
        , year(int(header.indexOf("Year")))
        , time(int(header.indexOf("Time")))
        , media(int(header.indexOf("Media")))
        , director(int(header.indexOf("Director")))
        , date(int(header.indexOf("Date acquired")))
        , cast(int(header.indexOf("Cast")))
        , description(int(header.indexOf("Description")))
    {
    }
};

QString field(const CsvRecord& r, int column)
{
    return column >= 0 && column < r.fields.size() ? r.fields[column] : QString();
}

void bindOrNull(SqliteStatement& s, int index, const QString& text)
{
    if (text.isEmpty())
        s.bindNull(index);
    else
        s.bindText(index, text);
}

Timing rawImport(const QString& catalogue, const QString& source)
{
    TDAODatabase db;
    db.setDatabaseName(catalogue);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    const Clock clock;
    sqlite3* h = db.handle();
    SqliteStatement::exec(h, QStringLiteral("BEGIN"));
    Lookup categories(h, "Movies_C"), directors(h, "Movies_D"), actors(h, "Movies_A");
    SqliteStatement movie(h, QStringLiteral("INSERT INTO Movies (Title, Category, Year, Tot_time, Director, Date_aq, "
                                            "Description, Media_type) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"));
    SqliteStatement cast(h, QStringLiteral("INSERT INTO Mv_Cast (P_Id, Name) VALUES (?1, ?2)"));
    QFile file(source);
    file.open(QIODevice::ReadOnly);
    CsvReader reader(file, TextEncoding::Utf8, u',');
    CsvRecord r;
    reader.next(r);
    const Columns c(r.fields);
    while (reader.next(r)) {
        categories.keep(field(r, c.category));
        directors.keep(field(r, c.director));
        movie.reset();
        movie.bindText(1, field(r, c.title));
        movie.bindText(2, field(r, c.category));
        movie.bindInt64(3, field(r, c.year).toLongLong());
        bindOrNull(movie, 4, field(r, c.time));
        bindOrNull(movie, 5, field(r, c.director));
        const QString date = field(r, c.date);
        bindOrNull(movie, 6, date.isEmpty() ? date : date + QStringLiteral(" 00:00:00"));
        bindOrNull(movie, 7, field(r, c.description));
        const QString media = field(r, c.media);
        movie.bindText(8, media.isEmpty() ? QStringLiteral("CD") : media);
        movie.execute();
        const qint64 id = sqlite3_last_insert_rowid(h);
        for (const QString& name : DetailText::readCast(field(r, c.cast))) {
            actors.keep(name);
            cast.reset();
            cast.bindInt64(1, id);
            cast.bindText(2, name);
            cast.execute();
        }
    }
    SqliteStatement::exec(h, QStringLiteral("COMMIT"));
    return taken(clock);
}

Timing rawExport(const QString& catalogue, const QString& target)
{
    TDAODatabase db;
    db.setDatabaseName(catalogue);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    const Clock clock;
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
    return taken(clock);
}

// Converts a Tellico file to CSV as the import dialog does; answers the CSV's path.
QString convertTellico(const QString& tellico, const QString& csv)
{
    QFile out(csv);
    if (!out.open(QIODevice::WriteOnly))
        qFatal("cannot write the converted file");
    TellicoFile::toCsv(tellico, out);
    return csv;
}

void print(const char* what, const Timing& t)
{
    std::printf("%-26s %7.2f s (cpu %6.2f s)", what, t.wall, t.cpu);
}

void ratio(const Timing& t, const Timing& raw)
{
    std::printf("  ratio %.2f x raw (cpu %.2f x)", t.wall / raw.wall, t.cpu / raw.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int items = argc > 1 ? std::atoi(argv[1]) : 100000;
    const bool tellico = argc > 2 && qstrcmp(argv[2], "tellico") == 0;
    QTemporaryDir dir;
    QString source = dir.filePath(tellico ? QStringLiteral("movies.xml") : QStringLiteral("movies.csv"));
    if (tellico)
        writeTellico(source, items);
    else
        writeSource(source, items);
    std::printf("source: %d movies, %lld MB (%s)\n", items, QFile(source).size() >> 20, tellico ? "Tellico" : "CSV");

    const QString rawCatalogue = dir.filePath(QStringLiteral("raw.mdb"));
    CatalogueWriter::create(rawCatalogue);
    Clock rawClock;
    if (tellico)
        convertTellico(source, dir.filePath(QStringLiteral("raw-converted.csv")));
    const Timing rawConversion = taken(rawClock);
    Timing raw = rawImport(rawCatalogue, tellico ? dir.filePath(QStringLiteral("raw-converted.csv")) : source);
    raw.wall += rawConversion.wall;
    raw.cpu += rawConversion.cpu;
    print("raw SQLite import:", raw);
    if (tellico)
        std::printf("  (of which conversion %.2f s)", rawConversion.wall);
    std::printf("\n");

    QDir().mkpath(dir.filePath(QStringLiteral("module")));
    CatalogueWriter::create(dir.filePath(QStringLiteral("module/koltDB.mdb")));
    TDM dm(dir.filePath(QStringLiteral("module")));
    dm.DataModuleCreate();
    if (qEnvironmentVariableIsSet("BENCH_PRAGMA"))
        SqliteStatement::exec(dm.dbKOLT.handle(), qEnvironmentVariable("BENCH_PRAGMA"));
    const long before = peakKb();
    Clock clock;
    if (tellico)
        source = convertTellico(source, dir.filePath(QStringLiteral("converted.csv")));
    QFile file(source);
    file.open(QIODevice::ReadOnly);
    CsvReader headerReader(file, TextEncoding::Utf8, u',');
    CsvRecord header;
    headerReader.next(header);
    CatalogueImporter::Options options;
    options.folder = 0;
    options.duplicates = CatalogueImporter::Duplicates::Add;
    options.row.mapping = ExchangeFolder::at(0).propose(header.fields);
    const CatalogueImporter::Summary summary = CatalogueImporter(dm).run(file, options);
    const Timing imported = taken(clock);
    print("import (data module):", imported);
    ratio(imported, raw);
    std::printf("  (%d added); peak memory %ld MB (%ld MB before)\n", summary.added, peakKb() / 1024, before / 1024);
    if (tellico)
        return 0;

    const Timing rawOut = rawExport(rawCatalogue, dir.filePath(QStringLiteral("raw-out.csv")));
    print("raw SQLite export:", rawOut);
    std::printf("\n");
    clock.restart();
    {
        TDAODataset& rows = ExchangeFolder::at(0).everyItem(dm);
        rows.Open();
        QFile out(dir.filePath(QStringLiteral("out.csv")));
        out.open(QIODevice::WriteOnly);
        CatalogueExporter(dm, 0).writeCsv(rows, out, [](const QString& memo) { return memo; });
        rows.Close();
    }
    const Timing exported = taken(clock);
    print("export (data module):", exported);
    ratio(exported, rawOut);
    std::printf("\n");
    return 0;
}
