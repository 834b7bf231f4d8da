#include "CatalogueImporter.h"
#include "ColumnText.h"
#include "ExchangeCommands.h"
#include "ExchangeError.h"
#include "ImportDialog.h"
#include "ImportPreviewModel.h"
#include "ImportSummaryDialog.h"
#include "MessageRecorder.h"
#include "ModalDriver.h"
#include "PictureEncoder.h"
#include "PictureImportStore.h"
#include "PictureStore.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TellicoFile.h"
#include "TellicoPictures.h"
#include "TempCatalogue.h"
#include "TestPictures.h"
#include "ZipWriter.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace TestPictures;

namespace {

// One entry of a collection of books: its title and what its image field names.
struct Book
{
    QByteArray title;
    QByteArray cover; // empty: no picture
    QByteArray field = "cover";
};

// A Tellico collection of books; `embedded` pictures are written into it as base64, with line
// breaks as Tellico writes them. `imageField` declares a field of the image type besides the
// default ones.
QByteArray collection(const QList<Book>& books, const QList<QPair<QByteArray, QByteArray>>& embedded = {},
                      const QByteArray& imageField = {})
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<tellico xmlns=\"http://periapsis.org/tellico/\" syntaxVersion=\"11\">\n"
                     " <collection title=\"Books\" type=\"2\">\n"
                     "  <fields>\n   <field name=\"_default\"/>\n";
    if (!imageField.isEmpty())
        xml += "   <field name=\"" + imageField + "\" title=\"Photo\" type=\"10\" flags=\"0\" category=\"Images\"/>\n";
    xml += "  </fields>\n";
    int id = 0;
    for (const Book& b : books) {
        xml += "  <entry id=\"" + QByteArray::number(++id) + "\">\n   <title>" + b.title + "</title>\n";
        if (!b.cover.isEmpty())
            xml += "   <" + b.field + ">" + b.cover + "</" + b.field + ">\n";
        xml += "  </entry>\n";
    }
    if (!embedded.isEmpty()) {
        xml += "  <images>\n";
        for (const auto& [name, bytes] : embedded) {
            QByteArray base64 = bytes.toBase64();
            for (qsizetype at = 76; at < base64.size(); at += 77)
                base64.insert(at, '\n');
            xml += "   <image format=\"JPEG\" id=\"" + name + "\" width=\"1\" height=\"1\">" + base64 + "</image>\n";
        }
        xml += "  </images>\n";
    }
    xml += " </collection>\n</tellico>\n";
    return xml;
}

QByteArray goodJpeg(int width = 160, int height = 120, quint32 seed = 1)
{
    return encoded(photo(width, height, seed), "jpeg", 90);
}

// A data module over a temporary catalogue, and the import of a collection file as the
// import command runs it: the proposed mapping, pictures and all.
struct Module
{
    TempCatalogue cat;
    TDM dm{cat.folder()};
    Module() { dm.DataModuleCreate(); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = cat.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

    CatalogueImporter::Summary import(const QString& path,
                                      CatalogueImporter::Duplicates duplicates = CatalogueImporter::Duplicates::Skip,
                                      const CatalogueImporter::Progress& progress = {})
    {
        TellicoPictures pictures;
        QByteArray csv;
        QBuffer buffer(&csv);
        buffer.open(QIODevice::ReadWrite);
        const int folder = TellicoFile::toCsv(path, buffer, &pictures);
        CatalogueImporter::Options o;
        o.folder = folder;
        o.duplicates = duplicates;
        const QStringList header = QString::fromUtf8(csv.left(csv.indexOf('\r'))).split(u',');
        o.row.mapping = ExchangeFolder::at(folder).propose(header, true);
        o.row.defaultCategory = QStringLiteral("Imported");
        CatalogueImporter importer(dm);
        PictureImportStore store(dm.dbKOLT);
        importer.setPictures(&pictures, &store);
        return importer.run(buffer, o, progress);
    }

    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql); }

    // The books that have a picture, by title.
    QStringList pictured()
    {
        if (!PictureStore(dm.dbKOLT).hasTable())
            return {};
        return column(QStringLiteral("SELECT b.Title FROM kolt_pictures p JOIN Books b ON b.Id = p.item "
                                     "WHERE p.folder = 2 ORDER BY 1"));
    }

    QByteArray thumbnail(const QString& title)
    {
        const QStringList id = column(QStringLiteral("SELECT Id FROM Books WHERE Title = '%1'").arg(title));
        return id.isEmpty() ? QByteArray() : PictureStore(dm.dbKOLT).thumbnail(2, id.first().toLongLong());
    }
};

QStringList previewColumn(const ImportPreviewModel& model, const QString& header)
{
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() != header)
            continue;
        for (int r = 0; r < model.rowCount(); ++r)
            cells << model.index(r, c).data().toString();
    }
    return cells;
}

} // namespace

class TestImportPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesComeWithTheirItems_data();
    void picturesComeWithTheirItems();
    void cancelAtTheEndLeavesTheFile();
    void updateReplacesOnlyWithAGoodPicture();
    void dialogShowsAndSummaryTells();
};

void TestImportPictures::picturesComeWithTheirItems_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem"); // what the summary says of Emma's picture; empty: stored
    QTest::newRow("in the zip's images folder") << "zip" << QString();
    QTest::newRow("base64 in plain XML") << "base64" << QString();
    QTest::newRow("base64 in the zip's XML") << "base64 zipped" << QString();
    QTest::newRow("a field of the image type of its own") << "own field" << QString();
    QTest::newRow("cut short") << "broken"
                               << "damaged or incomplete";
    QTest::newRow("not a picture") << "text"
                                   << "not a picture Tarvena can take";
    QTest::newRow("missing") << "missing"
                             << "the picture 'gone.jpeg' is not in the file";
    QTest::newRow("missing from plain XML") << "missing xml"
                                            << "the picture 'gone.jpeg' is not in the file";
    QTest::newRow("../ name") << "dotdot"
                              << "'../tellico.xml' leads outside";
    QTest::newRow("absolute name") << "absolute"
                                   << "'/etc/hostname' leads outside";
    QTest::newRow("zip bomb") << "bomb"
                              << "taken for a zip bomb";
}

// Emma names a picture, Persuasion none: both items come in whatever happens to the picture,
// and the summary says which picture was not imported and why.
void TestImportPictures::picturesComeWithTheirItems()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    Module m;
    const QByteArray jpeg = goodJpeg();
    QByteArray cover = "cover.jpeg";
    QByteArray field = "cover";
    QByteArray imageField;
    QList<QPair<QByteArray, QByteArray>> embedded;
    QList<QPair<QString, QByteArray>> packed{{QStringLiteral("images/cover.jpeg"), jpeg}};
    bool zipped = true;
    if (kind == QLatin1String("base64") || kind == QLatin1String("base64 zipped")) {
        embedded = {{"cover.jpeg", jpeg}};
        packed.clear();
        zipped = kind == QLatin1String("base64 zipped");
    } else if (kind == QLatin1String("own field")) {
        field = imageField = "photo";
    } else if (kind == QLatin1String("broken")) {
        packed = {{QStringLiteral("images/cover.jpeg"), jpeg.left(jpeg.size() / 2)}};
    } else if (kind == QLatin1String("text")) {
        packed = {{QStringLiteral("images/cover.jpeg"), QByteArray("just some words\n").repeated(20)}};
    } else if (kind.startsWith(QLatin1String("missing"))) {
        cover = "gone.jpeg";
        zipped = kind == QLatin1String("missing");
        if (!zipped)
            embedded = {{"cover.jpeg", jpeg}};
    } else if (kind == QLatin1String("dotdot")) {
        cover = "../tellico.xml";
    } else if (kind == QLatin1String("absolute")) {
        cover = "/etc/hostname";
    } else if (kind == QLatin1String("bomb")) {
        // A JPEG's start, then zeros that pack a thousand to one.
        packed = {{QStringLiteral("images/cover.jpeg"), jpeg.left(600) + QByteArray(48 << 20, '\0')}};
    }
    const QByteArray xml = collection({{"Emma", cover, field}, {"Persuasion", {}}}, embedded, imageField);
    QString path;
    if (zipped) {
        path = m.cat.filePath(QStringLiteral("books.tc"));
        packed.prepend({QStringLiteral("tellico.xml"), xml});
        writeZip(path, packed);
    } else {
        path = m.write(QStringLiteral("books.xml"), xml);
    }
    QElapsedTimer timer;
    timer.start();
    const CatalogueImporter::Summary s = m.import(path);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(s.added, 2);
    QVERIFY(s.refused.empty());
    QCOMPARE(m.column(QStringLiteral("SELECT Title FROM Books ORDER BY Title")), (QStringList{"Emma", "Persuasion"}));
    const QString text = s.text();
    if (problem.isEmpty()) {
        QCOMPARE(m.pictured(), QStringList{"Emma"});
        const QImage stored = QImage::fromData(m.thumbnail(QStringLiteral("Emma")));
        QCOMPARE(stored.size(), QSize(160, 120));
        QVERIFY2(text.contains(QStringLiteral("Pictures imported: 1\nPictures not imported: 0\n")), qPrintable(text));
    } else {
        QCOMPARE(m.pictured(), QStringList());
        QVERIFY2(text.contains(QStringLiteral("Pictures imported: 0\nPictures not imported: 1\nLine 2 (Emma): ")),
                 qPrintable(text));
        QVERIFY2(text.contains(problem), qPrintable(text));
    }
}

// Cancelled once every item is in, the import leaves the catalogue file byte for byte as it
// was, pictures and picture table included.
void TestImportPictures::cancelAtTheEndLeavesTheFile()
{
    Module m;
    const QString path = m.cat.filePath(QStringLiteral("books.tc"));
    writeZip(path, {{QStringLiteral("tellico.xml"), collection({{"Emma", "a.jpeg"}, {"Persuasion", "b.jpeg"}})},
                    {QStringLiteral("images/a.jpeg"), goodJpeg(160, 120, 1)},
                    {QStringLiteral("images/b.jpeg"), goodJpeg(120, 160, 2)}});
    m.dm.DataModuleDestroy();
    const QByteArray before = m.cat.bytes();
    m.dm.DataModuleCreate();
    qint64 lastDone = -1;
    try {
        m.import(path, CatalogueImporter::Duplicates::Skip, [&](qint64 done, qint64 total) {
            lastDone = done;
            return done < total;
        });
        QFAIL("the import was not cancelled");
    } catch (const ImportCancelled&) {
    }
    QCOMPARE(lastDone, 2);
    QCOMPARE(m.column(QStringLiteral("SELECT count(*) FROM Books")), QStringList{"0"});
    m.dm.DataModuleDestroy();
    QVERIFY(m.cat.bytes() == before);
}

// Updating items from the file: a good picture replaces the stored one; a bad one, or none,
// leaves the stored picture.
void TestImportPictures::updateReplacesOnlyWithAGoodPicture()
{
    Module m;
    SqliteStatement::exec(m.dm.dbKOLT.handle(),
                          QStringLiteral("insert into Books (Category, Title) values ('Novel', 'Emma');"
                                         "insert into Books (Category, Title) values ('Novel', 'Persuasion');"
                                         "insert into Books (Category, Title) values ('Novel', 'Sanditon');"));
    PictureStore store(m.dm.dbKOLT);
    for (qint64 item = 1; item <= 3; ++item)
        store.store(2, item, PictureEncoder::prepare(photo(200, 100, quint32(item))));
    const QByteArray old[] = {store.thumbnail(2, 1), store.thumbnail(2, 2), store.thumbnail(2, 3)};
    const QByteArray jpeg = goodJpeg(90, 120, 9);
    const QString path = m.cat.filePath(QStringLiteral("books.tc"));
    writeZip(path, {{QStringLiteral("tellico.xml"),
                     collection({{"Emma", "new.jpeg"}, {"Persuasion", "broken.jpeg"}, {"Sanditon", {}}})},
                    {QStringLiteral("images/new.jpeg"), jpeg},
                    {QStringLiteral("images/broken.jpeg"), jpeg.left(jpeg.size() - 40)}});
    const CatalogueImporter::Summary s = m.import(path, CatalogueImporter::Duplicates::Update);
    QCOMPARE(s.updated, 3);
    QCOMPARE(s.pictures, 1);
    QCOMPARE(s.picturesRefused.size(), size_t(1));
    QCOMPARE(s.picturesRefused.front().title, QStringLiteral("Persuasion"));
    QCOMPARE(QImage::fromData(store.thumbnail(2, 1)).size(), QSize(90, 120));
    QVERIFY(store.thumbnail(2, 1) != old[0]);
    QCOMPARE(store.thumbnail(2, 2), old[1]);
    QCOMPARE(store.thumbnail(2, 3), old[2]);
}

// The dialog maps the file's pictures to the items and shows, for each entry, whether it
// brings one; the whole command ends with a summary that names the picture not imported.
void TestImportPictures::dialogShowsAndSummaryTells()
{
    Module m;
    MessageRecorder messages;
    const QString path = m.cat.filePath(QStringLiteral("books.tc"));
    writeZip(path, {{QStringLiteral("tellico.xml"),
                     collection({{"Emma", "a.jpeg"}, {"Persuasion", "gone.jpeg"}, {"Sanditon", {}}})},
                    {QStringLiteral("images/a.jpeg"), goodJpeg()}});
    {
        ImportDialog dialog(m.dm, path, 0);
        QAbstractItemModelTester tester(dialog.preview);
        QVERIFY(dialog.pictures());
        QCOMPARE(dialog.cbFolder->currentText(), QStringLiteral("Books"));
        const int last = dialog.tbMapping->rowCount() - 1;
        QCOMPARE(dialog.tbMapping->item(last, 0)->text(), QStringLiteral("Picture"));
        QCOMPARE(dialog.mappingBox(last)->currentText(), QStringLiteral("Picture"));
        QCOMPARE(previewColumn(*dialog.preview, QStringLiteral("Picture")), (QStringList{"Yes", "Missing", ""}));
        // Mapped to nothing, the pictures stay out of the preview.
        dialog.mappingBox(last)->setCurrentIndex(0);
        QCOMPARE(previewColumn(*dialog.preview, QStringLiteral("Picture")), QStringList());
    }
    ExchangeCommands::Context context;
    context.dm = &m.dm;
    context.folder = 0;
    QString summary;
    whenModalOpens([&](QWidget* top) {
        auto* dialog = qobject_cast<ImportDialog*>(top);
        QVERIFY(dialog);
        whenModalOpens([&](QWidget* end) {
            auto* box = qobject_cast<ImportSummaryDialog*>(end);
            if (box) {
                summary = box->edText->toPlainText();
                box->btClose->click();
            } else {
                end->close();
            }
        });
        dialog->edCategory->setText(QStringLiteral("Novels"));
        dialog->btImport->click();
    });
    ExchangeCommands::importFile(context, path);
    QVERIFY2(messages.errors().isEmpty(), qPrintable(messages.errors().join(u'|')));
    QCOMPARE(m.pictured(), QStringList{"Emma"});
    QVERIFY2(summary.contains(QStringLiteral("Added: 3\n")), qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("Pictures imported: 1\nPictures not imported: 1\nLine 3 (Persuasion): the "
                                             "picture 'gone.jpeg' is not in the file\n")),
             qPrintable(summary));
}

QTEST_MAIN(TestImportPictures)
#include "tst_importpictures.moc"
