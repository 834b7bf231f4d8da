#include "ColumnText.h"
#include "ExchangeCommands.h"
#include "ImportDialog.h"
#include "ImportPreviewModel.h"
#include "ImportSummaryDialog.h"
#include "LayoutCheck.h"
#include "MessageRecorder.h"
#include "ModalDriver.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {

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

    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql); }
};

QStringList previewRow(const ImportPreviewModel& model, int row)
{
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.index(row, c).data().toString();
    return cells;
}

// With KOLT_SCREENSHOTS set to a folder, the dialog is saved there as it is seen.
void keepPicture(QWidget* dialog, const char* name)
{
    const QString folder = qEnvironmentVariable("KOLT_SCREENSHOTS");
    if (!folder.isEmpty())
        dialog->grab().save(QDir(folder).filePath(QLatin1String(name)));
}

QStringList headers(const ImportPreviewModel& model)
{
    QStringList out;
    for (int c = 0; c < model.columnCount(); ++c)
        out << model.headerData(c, Qt::Horizontal).toString();
    return out;
}

} // namespace

class TestImportDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mappingAndPreview_data();
    void mappingAndPreview();
    void changingTheMappingChangesThePreview();
    void unreadableFileCannotBeImported();
    void laysOutReadably();
    void collectionFileGivesItsFolder();
    void importFromTheDialogToTheSummary();
};

void TestImportDialog::mappingAndPreview_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("folder");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QStringList>("columns"); // the preview's column titles
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<qint64>>("lines");

    QTest::newRow("comma, header, cut and refused")
        << QByteArray("Title,Genre,Year,Cast\r\n"
                      "\"Amélie, the \"\"fabulous\"\"\",Comedy,2001,Audrey Tautou; Mathieu Kassovitz\r\n"
                      "Heat,Crime,nineteen,\r\n"
                      + QByteArray(75, 'T') + ",Crime,1995,\r\n")
        << 0 << "UTF-8"
        << "Comma ," << true << QStringList{"Problem", "Title", "Category", "Year", "Cast"}
        << QList<QStringList>{{"", "Amélie, the \"fabulous\"", "Comedy", "2001", "Audrey Tautou; Mathieu Kassovitz"},
                              {"Year: 'nineteen' is not a number", "Heat", "Crime", "", ""},
                              {"", QString(70, u'T') + QStringLiteral(" ✂"), "Crime", "1995", ""}}
        << QList<qint64>{2, 3, 4};
    QStringEncoder cp1250("windows-1250");
    QTest::newRow("semicolon, windows-1250, names in other words")
        << QByteArray(cp1250(QStringLiteral("Album;Interpret;Žánr;Tracks\n"
                                            "Ticho před bouří;Kryštof;Pop;\"1. Zůstaň (3:45); 2. Lásko\nmá\"\n")))
        << 1 << "Windows-1250 (Central European)"
        << "Semicolon ;" << true << QStringList{"Problem", "Title", "Songs"}
        << QList<QStringList>{{"Category is empty", "Ticho před bouří", "1. Zůstaň (3:45); 2. Lásko↵má"}}
        << QList<qint64>{2};
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("tab, utf-16, no header")
        << QByteArray(utf16(QStringLiteral("Dune\tFrank Herbert\tSci-Fi\t1965\n"
                                           "Solaris\tStanisław Lem\tSci-Fi\t1961\n")))
        << 2 << "UTF-16 (little endian)"
        << "Tab" << false << QStringList{"Problem"} << QList<QStringList>{{"Title is empty"}, {"Title is empty"}}
        << QList<qint64>{1, 2};
}

// What is found in the file, the proposed mapping and the rows as they will be stored.
void TestImportDialog::mappingAndPreview()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, folder);
    QFETCH(QString, encoding);
    QFETCH(QString, separator);
    QFETCH(bool, header);
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<qint64>, lines);
    Module m;
    ImportDialog dialog(m.dm, m.write(QStringLiteral("in.csv"), bytes), folder);
    QAbstractItemModelTester tester(dialog.preview);
    QCOMPARE(dialog.cbEncoding->currentText(), encoding);
    QCOMPARE(dialog.cbSeparator->currentText(), separator);
    QCOMPARE(dialog.chHeader->isChecked(), header);
    QCOMPARE(headers(*dialog.preview), columns);
    QCOMPARE(dialog.preview->rowCount(), int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        QCOMPARE(previewRow(*dialog.preview, r), rows[r]);
        QCOMPARE(dialog.preview->headerData(r, Qt::Vertical).toLongLong(), lines[r]);
    }
}

void TestImportDialog::changingTheMappingChangesThePreview()
{
    Module m;
    ImportDialog dialog(m.dm, m.write(QStringLiteral("in.csv"), "Dune,Frank Herbert,1965\n"), 2);
    QVERIFY(!dialog.chHeader->isChecked());
    QVERIFY(!dialog.btImport->isEnabled()); // nothing goes anywhere yet
    dialog.mappingBox(0)->setCurrentIndex(dialog.mappingBox(0)->findText(QStringLiteral("Title")));
    dialog.mappingBox(1)->setCurrentIndex(dialog.mappingBox(1)->findText(QStringLiteral("Author")));
    dialog.mappingBox(2)->setCurrentIndex(dialog.mappingBox(2)->findText(QStringLiteral("Year")));
    dialog.edCategory->setText(QStringLiteral("Novels"));
    QCOMPARE(headers(*dialog.preview), (QStringList{"Problem", "Title", "Author", "Year"}));
    QCOMPARE(previewRow(*dialog.preview, 0), (QStringList{"", "Dune", "Frank Herbert", "1965"}));
    QVERIFY(dialog.btImport->isEnabled());
    // Read as a header, the only row leaves nothing to import.
    dialog.chHeader->setChecked(true);
    QCOMPARE(dialog.preview->rowCount(), 0);
}

void TestImportDialog::unreadableFileCannotBeImported()
{
    Module m;
    QByteArray bytes("Title,Category\nx,y\n");
    bytes += QByteArray(2 << 20, 'z');
    ImportDialog dialog(m.dm, m.write(QStringLiteral("long.csv"), bytes), 0);
    QVERIFY2(dialog.lbProblem->text().startsWith(QStringLiteral("Line 3: the row is longer than")),
             qPrintable(dialog.lbProblem->text()));
    QVERIFY(!dialog.btImport->isEnabled());
    QCOMPARE(previewRow(*dialog.preview, 0), (QStringList{"", "x", "y"}));
}

void TestImportDialog::laysOutReadably()
{
    Module m;
    QByteArray csv = "Title;Genre;Year;Running time;Director;Cast;Notes\n";
    for (int i = 0; i < 60; ++i)
        csv += QStringLiteral("Movie number %1 with a long title that goes on and on and on and on and on;Drama;%2;"
                              "%3 min;Jiří Menzel;\"Václav Neckář; Jitka Bendová\";\"Seen %1 times,\nliked\"\n")
                   .arg(i)
                   .arg(i == 3 ? QStringLiteral("about 1960") : QString::number(1950 + i))
                   .arg(80 + i)
                   .toUtf8();
    ImportDialog dialog(m.dm, m.write(QStringLiteral("movies.csv"), csv), 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.preview->rowCount(), ImportPreviewModel::kRows);
    QCOMPARE(layoutFault(&dialog,
                         {dialog.cbEncoding, dialog.cbSeparator, dialog.cbFolder, dialog.cbDuplicates,
                          dialog.edCategory, dialog.tbMapping, dialog.gridPreview, dialog.btImport, dialog.btCancel}),
             QString());
    // Every proposed field can be read in its box.
    for (int c = 0; c < dialog.tbMapping->rowCount(); ++c) {
        QComboBox* box = dialog.mappingBox(c);
        QVERIFY2(box->width() >= box->fontMetrics().horizontalAdvance(box->currentText()),
                 qPrintable(box->currentText()));
    }
    keepPicture(&dialog, "import-dialog.png");
}

// A Tellico file: the folder is the collection's, what has no place is "(not imported)", and
// the entries' pictures go to the items' pictures.
void TestImportDialog::collectionFileGivesItsFolder()
{
    Module m;
    QFile fixture(QStringLiteral(KOLT_TEST_DATA_DIR "/exchange/albums.xml"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    ImportDialog dialog(m.dm, m.write(QStringLiteral("albums.xml"), fixture.readAll()), 0);
    QVERIFY(dialog.fromCollectionFile());
    QCOMPARE(dialog.cbFolder->currentText(), QStringLiteral("Music"));
    QVERIFY(!dialog.cbFolder->isEnabled());
    QStringList targets;
    for (int c = 0; c < dialog.tbMapping->rowCount(); ++c)
        targets << dialog.tbMapping->item(c, 0)->text() + u'>' + dialog.mappingBox(c)->currentText();
    QCOMPARE(targets,
             (QStringList{"Title>Title", "Artist>Artist", "Year>Year", "Category>Category", "Media>Media",
                          "Songs>Songs", "Description>Description", "Label>(not imported)", "Picture>Picture"}));
    QCOMPARE(previewRow(*dialog.preview, 0).mid(0, 3), (QStringList{"", "Blue", "Joni Mitchell"}));
}

// The whole command: the dialog, the question when no copy could be made, the summary.
void TestImportDialog::importFromTheDialogToTheSummary()
{
    Module m;
    MessageRecorder messages;
    messages.answers.push_back(MessageService::Answer::Yes);
    const QString path = m.write(QStringLiteral("in.csv"), "Title,Category,Year\nAlien,Sci-Fi,1979\n,Drama,1990\n");
    int shownFolder = -1;
    ExchangeCommands::Context context;
    context.dm = &m.dm;
    context.folder = 0;
    context.backUp = [] { return false; };
    context.showFolder = [&](int folder) { shownFolder = folder; };
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
        dialog->btImport->click();
    });
    ExchangeCommands::importFile(context, path);
    QCOMPARE(messages.questions().size(), 1);
    QCOMPARE(m.column("SELECT Title FROM Movies"), QStringList{"Alien"});
    QCOMPARE(shownFolder, 0);
    QVERIFY2(summary.contains(QStringLiteral("Added: 1")) && summary.contains(QStringLiteral("Line 3: Title is empty")),
             qPrintable(summary));
}

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
