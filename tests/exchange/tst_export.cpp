#include "CatalogueImporter.h"
#include "CsvReader.h"
#include "ExchangeCommands.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QApplication>
#include <QBuffer>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};
    Module()
    {
        dm.DataModuleCreate();
        QByteArray csv = "Title,Category,Year,Media No.,Description,Cast\n"
                         "Heat,Crime,1995,M2,,Al Pacino; Robert De Niro\n"
                         "Alien,Sci-Fi,1979,M1,plain <note> & more,Sigourney Weaver\n"
                         "Ronin,Crime,1998,M3,\"{\\rtf1\\ansi {\\b Bold} words\\par second}\",Jean Reno\n";
        QBuffer buffer(&csv);
        buffer.open(QIODevice::ReadOnly);
        CatalogueImporter::Options o;
        CsvReader reader(buffer, TextEncoding::Utf8, u',');
        CsvRecord header;
        reader.next(header);
        o.row.mapping = ExchangeFolder::at(0).propose(header.fields);
        CatalogueImporter(dm).run(buffer, o);
    }

    ExchangeCommands::Context context()
    {
        ExchangeCommands::Context c;
        c.dm = &dm;
        c.folder = 0;
        c.shown = &dm.qrMovies;
        c.gridColumns = {{"Title", "Title"}, {"Category", "Category"}, {"M_no", "Media No."}, {"Year", "Year"}};
        return c;
    }

    QString exported(ExchangeCommands::Format format, bool onlyShown)
    {
        const QString path = cat.filePath(QStringLiteral("out"));
        ExchangeCommands::exportTo(context(), format, onlyShown, path);
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void csvOfEveryItemOrWhatIsShown();
    void htmlPage();
};

// Every item in title order, or exactly the rows the filtered and sorted grid shows; the
// description as plain text.
void TestExport::csvOfEveryItemOrWhatIsShown()
{
    Module m;
    const QStringList every = m.exported(ExchangeCommands::Format::Csv, false).split(QStringLiteral("\r\n"));
    QCOMPARE(every.value(0), QStringLiteral("Title,Category,Year,Time,Media,Media No.,Director,Date acquired,"
                                            "Properties,Description,Cast"));
    QCOMPARE(every.value(1), QStringLiteral("Alien,Sci-Fi,1979,,CD,M1,,,,plain <note> & more,Sigourney Weaver"));
    QCOMPARE(every.value(2), QStringLiteral("Heat,Crime,1995,,CD,M2,,,,,Al Pacino; Robert De Niro"));
    QCOMPARE(every.value(3), QStringLiteral("Ronin,Crime,1998,,CD,M3,,,,\"Bold words\nsecond\",Jean Reno"));

    m.dm.qrMovies.Close();
    m.dm.qrMovies.setSQL({QStringLiteral("select * from Movies"), QStringLiteral("order by Year desc")});
    m.dm.qrMovies.Open();
    m.dm.qrMovies.setFilter(QStringLiteral("Category = 'Crime'"));
    m.dm.qrMovies.setFiltered(true);
    const QStringList shown = m.exported(ExchangeCommands::Format::Csv, true).split(QStringLiteral("\r\n"));
    QCOMPARE(shown.size(), 4); // header, two rows, the empty rest after the last break
    QVERIFY(shown.value(1).startsWith(QStringLiteral("Ronin,")));
    QVERIFY(shown.value(2).startsWith(QStringLiteral("Heat,")));
}

void TestExport::htmlPage()
{
    Module m;
    const QString html = m.exported(ExchangeCommands::Format::Html, false);
    QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(html.contains(QStringLiteral("<h1>Movies</h1>")));
    QVERIFY(
        html.contains(QStringLiteral("<th>Title</th><th>Category</th><th>Media No.</th><th>Year</th><th>Cast</th>")));
    QVERIFY(html.contains(QStringLiteral("<td>Heat</td><td>Crime</td><td>M2</td><td>1995</td>"
                                         "<td>Al Pacino<br>Robert De Niro</td>")));
    QVERIFY(html.contains(QStringLiteral("plain &lt;note&gt; &amp; more")));
    // The rich text keeps its bold words.
    QVERIFY2(html.contains(QRegularExpression(QStringLiteral("font-weight:\\s*(700|bold)[^>]*>Bold</span>"))),
             qPrintable(html));
    QVERIFY(!html.contains(QStringLiteral("\\rtf")));
    // With KOLT_SCREENSHOTS set to a folder, the page is kept there to be opened in a browser.
    const QString folder = qEnvironmentVariable("KOLT_SCREENSHOTS");
    if (!folder.isEmpty())
        QVERIFY(QFile::copy(m.cat.filePath(QStringLiteral("out")), folder + QStringLiteral("/export.html")));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
