#include "CompactReport.h"
#include "MainCommands.h"
#include "MainWindowFixture.h"
#include "PreviewArea.h"
#include "ReportCatalogue.h"
#include "ReportPdf.h"
#include "ReportPrinter.h"
#include "ReportProgress.h"
#include "SpoiltCatalogue.h"
#include "TRep_PrevForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

// Runs `action` once a top-level window of type T is shown and active (polling, since the
// window appears inside a modal loop), then goes on polling until `done` says so.
template <typename T> void whenShown(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QElapsedTimer age;
    age.start();
    QObject::connect(timer, &QTimer::timeout, [timer, action, age] {
        if (age.hasExpired(20000)) { // never shown: the test has failed already
            timer->stop();
            timer->deleteLater();
            return;
        }
        T* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
                shown = t;
        }
        if (!shown)
            return;
        timer->stop();
        timer->deleteLater();
        action(shown);
    });
    timer->start();
}

// Acts on the preview the print command shows, then closes it with its Close button.
void onPreview(const std::function<void(TRep_PrevForm*)>& action)
{
    whenShown<TRep_PrevForm>([action](TRep_PrevForm* form) {
        if (QApplication::activeModalWidget() != form) {
            // Not yet in its modal loop (the report is still being prepared): look again.
            QTimer::singleShot(5, [action] { onPreview(action); });
            return;
        }
        action(form);
        if (Rep_PrevForm == form)
            form->frSpeedButton11->click();
    });
}

// A preview of a report run, shown in a window of a fixed size, not modal. With
// `stepMilliseconds` set, the window opens as soon as page 1 is made and every later step
// takes that long (0: a record a step).
struct ShownPreview
{
    explicit ShownPreview(const ReportDefinition& definition, QSize size = QSize(900, 700), int stepMilliseconds = -1)
        : form(new TRep_PrevForm(nullptr))
    {
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        if (stepMilliseconds >= 0)
            form->setStepMilliseconds(0, stepMilliseconds);
        form->prepare(definition);
        form->resize(size);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    ~ShownPreview() { delete form; }
    PreviewArea* area() const { return form->frPreview1; }
    QString counter() const { return area()->findChild<QLabel*>(QStringLiteral("PageCounter"))->text(); }

    TRep_PrevForm* form;
};

QList<QToolButton*> zoomButtonsDown(TRep_PrevForm* form)
{
    QList<QToolButton*> down;
    for (QToolButton* b : {form->frSpeedButton2, form->frSpeedButton1, form->frSpeedButton3}) {
        if (b->isChecked())
            down << b;
    }
    return down;
}

QAction* zoomItem(PreviewArea* area, const QString& text)
{
    for (QAction* a : area->zoomMenu()->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

QStringList pageTexts(const CompactReport* report, int page)
{
    QStringList out;
    for (const PageItem& item : report->laidOut(page - 1).items) {
        if (item.kind == PageItem::Kind::Text)
            out << item.text;
    }
    return out;
}

// The number on the first data row of each page of a printed movie report.
QList<int> firstNumbers(const QString& pdf)
{
    const auto words = ReportPdf::words(pdf);
    QList<int> out;
    for (int page = 1; page <= ReportPdf::pageCount(pdf); ++page) {
        const QStringList lines = ReportPdf::lines(words, page);
        out << lines.at(lines.first() == QLatin1String("Movies") ? 2 : 1).section(QLatin1Char(' '), 0, 0).toInt();
    }
    return out;
}

const QString kMusic
    = QStringLiteral("insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD'), "
                     "('Rock', 'Red', 'Alice', 'MD'), ('Rock', 'Green', 'Cecil', 'CD');"
                     "insert into Music_C (Name) values ('Rock'), ('Jazz');");

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The first preview after the program starts opens at 100 %.
        QCOMPARE(ZoomState::current(), ZoomState{});
        ReportCatalogue c(movies(1));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        QCOMPARE(p.area()->effectiveScale(), 1.0);
        QCOMPARE(zoomButtonsDown(p.form), QList<QToolButton*>{p.form->frSpeedButton2});
    }

    void init() { ZoomState::current() = ZoomState{}; }

    void printCommandShowsTheFoldersReport_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("toolbar") << false;
        QTest::newRow("File menu") << true;
    }

    void printCommandShowsTheFoldersReport()
    {
        QFETCH(bool, fromMenu);
        MainWindowFixture f(kMusic);
        TKOLTForm* w = f.window;
        w->show();
        w->SelectFolder(1, QStringLiteral("Music"));
        w->categoryBox()->setCurrentIndex(w->categoryBox()->findText(QStringLiteral("Jazz")));
        w->cbCategoriesChange();

        bool seen = false;
        onPreview([&](TRep_PrevForm* form) {
            seen = true;
            QCOMPARE(form->windowTitle(), QStringLiteral("Music"));
            QVERIFY(form->isModal());
            QVERIFY(form->windowState().testFlag(Qt::WindowMaximized));
            QCOMPARE(form->parentWidget(), w);
            QCOMPARE(form->frPreview1->pageCount(), 1);
            QCOMPARE(form->frPreview1->counterText(), QStringLiteral("Page 1/1"));
            const QStringList texts = pageTexts(form->frPreview1->pages(), 1);
            QVERIFY(texts.indexOf(QStringLiteral("Alice")) < texts.indexOf(QStringLiteral("Cecil")));
            QVERIFY(texts.indexOf(QStringLiteral("Cecil")) < texts.indexOf(QStringLiteral("Miles")));
            QVERIFY(!f.dm().qrRep_Music.Active()); // closed before the window shows
        });
        if (fromMenu)
            w->commands()->Print1->trigger();
        else
            w->commands()->tbPrint->trigger();
        QVERIFY(seen);
        QVERIFY(!Rep_PrevForm); // freed on close
        QVERIFY(f.messages.requests.empty());
    }

    // "Only the items shown" runs the same report over the Jazz albums the window shows, and
    // back over every album.
    void onlyTheItemsShown()
    {
        MainWindowFixture f(kMusic);
        TKOLTForm* w = f.window;
        w->show();
        w->SelectFolder(1, QStringLiteral("Music"));
        w->categoryBox()->setCurrentIndex(w->categoryBox()->findText(QStringLiteral("Jazz")));
        w->cbCategoriesChange();
        bool seen = false;
        onPreview([&](TRep_PrevForm* form) {
            seen = true;
            QVERIFY(form->chShown->isVisible());
            QVERIFY(!form->chShown->isChecked());
            QVERIFY(pageTexts(form->frPreview1->pages(), 1).contains(QStringLiteral("Alice")));
            form->chShown->setChecked(true);
            const QStringList shown = pageTexts(form->frPreview1->pages(), 1);
            QVERIFY(shown.contains(QStringLiteral("Miles")));
            QVERIFY(!shown.contains(QStringLiteral("Alice")));
            form->chShown->setChecked(false);
            QVERIFY(pageTexts(form->frPreview1->pages(), 1).contains(QStringLiteral("Alice")));
        });
        w->commands()->tbPrint->trigger();
        QVERIFY(seen);
        QVERIFY(f.messages.requests.empty());
    }

    void pageCommandsAtBothEnds()
    {
        ReportCatalogue c(movies(120));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        TRep_PrevForm* form = p.form;
        QScrollBar* bar = p.area()->verticalScrollBar();
        struct Step
        {
            QToolButton* button;
            int page;
        };
        const Step steps[] = {{form->frSpeedButton4, 1}, {form->frSpeedButton5, 1}, {form->frSpeedButton6, 2},
                              {form->frSpeedButton7, 3}, {form->frSpeedButton6, 3}, {form->frSpeedButton5, 2},
                              {form->frSpeedButton4, 1}, {form->frSpeedButton5, 1}};
        QCOMPARE(p.counter(), QStringLiteral("Page 1/3"));
        for (const Step& s : steps) {
            s.button->click();
            QCOMPARE(p.area()->currentPage(), s.page);
            QCOMPARE(p.counter(), QStringLiteral("Page %1/3").arg(s.page));
            QCOMPARE(bar->value(), int(p.area()->pageRect(s.page).top()) - 10); // the page starts at the top
        }
        // The small buttons under the vertical scroll bar.
        const auto small = p.area()->findChildren<QToolButton*>();
        for (QToolButton* b : small) {
            if (b->accessibleName() == QLatin1String("Next page"))
                b->click();
        }
        QCOMPARE(p.counter(), QStringLiteral("Page 2/3"));
        // The counter follows the page scrolled into view.
        bar->setValue(int(p.area()->pageRect(3).top()) - 10);
        QCOMPARE(p.counter(), QStringLiteral("Page 3/3"));
        bar->setValue(int(p.area()->pageRect(1).top()) + 50);
        QCOMPARE(p.counter(), QStringLiteral("Page 1/3"));
        bar->setValue(bar->maximum());
        QCOMPARE(p.counter(), QStringLiteral("Page 3/3"));
    }

    void emptyCollectionStaysOnItsOnlyPage()
    {
        ReportCatalogue c;
        ShownPreview p(CatalogueReports(c.dm).repBooks);
        for (QToolButton* b :
             {p.form->frSpeedButton4, p.form->frSpeedButton5, p.form->frSpeedButton6, p.form->frSpeedButton7}) {
            b->click();
            QCOMPARE(p.counter(), QStringLiteral("Page 1/1"));
        }
    }

    void zoomStateOutlivesThePreview()
    {
        MainWindowFixture f(kMusic + movies(3));
        TKOLTForm* w = f.window;
        w->show();
        onPreview([](TRep_PrevForm* form) { form->frSpeedButton1->click(); });
        w->tbPrintClick();
        QCOMPARE(ZoomState::current().mode, ZoomState::Mode::WholePage);

        w->SelectFolder(1, QStringLiteral("Music"));
        onPreview([](TRep_PrevForm* form) {
            QCOMPARE(form->windowTitle(), QStringLiteral("Music"));
            PreviewArea* area = form->frPreview1;
            const qreal fitting = (area->viewport()->height() - 20.0) / area->pages()->page().paperHeight;
            QVERIFY(qAbs(area->effectiveScale() - fitting) < 1e-6);
            QCOMPARE(zoomButtonsDown(form), QList<QToolButton*>{form->frSpeedButton1});
            QVERIFY(zoomItem(area, QStringLiteral("Whole page"))->isChecked());
        });
        w->tbPrintClick();
        QVERIFY(f.messages.requests.empty());
    }

    void zoomMenuThenZoomTo100()
    {
        ReportCatalogue c(movies(120));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        QCOMPARE(p.area()->zoomMenu()->actions().size(), 10);
        zoomItem(p.area(), QStringLiteral("25%"))->trigger();
        QCOMPARE(p.area()->effectiveScale(), 0.25);
        QCOMPARE(zoomButtonsDown(p.form), QList<QToolButton*>{p.form->frSpeedButton2}); // no button for 25 %
        QVERIFY(zoomItem(p.area(), QStringLiteral("25%"))->isChecked());
        // At 25 % pages sit side by side.
        QCOMPARE(p.area()->pageRect(2).top(), p.area()->pageRect(1).top());

        p.form->frSpeedButton2->click();
        QCOMPARE(p.area()->effectiveScale(), 1.0);
        QCOMPARE(ZoomState::current(), ZoomState{});
        QCOMPARE(zoomButtonsDown(p.form), QList<QToolButton*>{p.form->frSpeedButton2});
        QVERIFY(zoomItem(p.area(), QStringLiteral("100%"))->isChecked());
        QVERIFY(p.area()->pageRect(2).top() > p.area()->pageRect(1).bottom());
    }

    void zoomGroupHasExactlyOneButtonDown_data()
    {
        // `remembered`: the zoom menu item chosen in an earlier preview ("" for none); `steps`:
        // a toolbar button (by its hint) or a zoom menu item; `down`: the hint of the one zoom
        // button down when the preview opens and after each step.
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("down");
        const QString fixed = QStringLiteral("Zoom to 100%"), fit = QStringLiteral("Zoom to fit"),
                      width = QStringLiteral("Zoom to page width");
        QTest::newRow("first preview") << "" << QStringList{} << QStringList{fixed};
        QTest::newRow("remembered whole page") << "Whole page" << QStringList{} << QStringList{fit};
        QTest::newRow("remembered page width") << "Page width" << QStringList{} << QStringList{width};
        QTest::newRow("remembered 25%") << "25%" << QStringList{} << QStringList{fixed};
        QTest::newRow("remembered two pages") << "Two pages" << QStringList{} << QStringList{fixed};
        QTest::newRow("menu items with a button")
            << "" << QStringList{"Whole page", "Page width", "100%"} << QStringList{fixed, fit, width, fixed};
        QTest::newRow("menu items without a button") << "Page width" << QStringList{"25%", "Two pages", "150%", "10%"}
                                                     << QStringList{width, width, width, width, width};
        QTest::newRow("buttons") << "25%" << QStringList{fit, width, fixed, fixed}
                                 << QStringList{fixed, fit, width, fixed, fixed};
        QTest::newRow("button after a menu item without one")
            << "" << QStringList{"Two pages", fit, "50%", fixed} << QStringList{fixed, fixed, fit, fit, fixed};
    }

    void zoomGroupHasExactlyOneButtonDown()
    {
        QFETCH(QString, remembered);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, down);
        ReportCatalogue c(movies(60));
        const CatalogueReports reports(c.dm);
        if (!remembered.isEmpty()) {
            ShownPreview earlier(reports.repMovies);
            zoomItem(earlier.area(), remembered)->trigger();
        }
        ShownPreview p(reports.repBooks);
        QList<QToolButton*> buttons{p.form->frSpeedButton2, p.form->frSpeedButton1, p.form->frSpeedButton3};
        auto downNow = [&] {
            QStringList hints;
            for (QToolButton* b : zoomButtonsDown(p.form))
                hints << b->toolTip();
            return hints;
        };
        QCOMPARE(downNow(), QStringList{down.first()});
        for (int i = 0; i < steps.size(); ++i) {
            QToolButton* button = nullptr;
            for (QToolButton* b : buttons) {
                if (b->toolTip() == steps[i])
                    button = b;
            }
            if (button)
                button->click();
            else
                zoomItem(p.area(), steps[i])->trigger();
            QCOMPARE(downNow(), QStringList{down.at(i + 1)});
        }
    }

    void resizingRescalesOnlyTheFittingModes_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("rescales");
        QTest::newRow("page width") << "Page width" << true;
        QTest::newRow("whole page") << "Whole page" << true;
        QTest::newRow("two pages") << "Two pages" << true;
        QTest::newRow("100%") << "100%" << false;
    }

    void resizingRescalesOnlyTheFittingModes()
    {
        QFETCH(QString, item);
        QFETCH(bool, rescales);
        ReportCatalogue c(movies(120));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        zoomItem(p.area(), item)->trigger();
        const qreal before = p.area()->effectiveScale();
        p.form->resize(600, 500);
        QTRY_COMPARE(p.area()->width(), 600);
        QCOMPARE(p.area()->effectiveScale() != before, rescales);
    }

    void failedRunShowsTheErrorAndAnEmptyPreviewThatCloses_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing table") << false << "no such table: Movies.";
        QTest::newRow("damaged row") << true << "database disk image is malformed.";
    }

    void failedRunShowsTheErrorAndAnEmptyPreviewThatCloses()
    {
        QFETCH(bool, damaged);
        QFETCH(QString, error);
        // The damaged movie comes last by title, so the main window starts on an intact row.
        const QString sql = movies(3)
                            + QStringLiteral("update Movies set Description = replace(hex(zeroblob(10000)), "
                                             "'00', 'ab') where Title = 'T003';");
        qint64 damagedPage = 0;
        MainWindowFixture f(sql, [&](const QString& path) {
            if (damaged)
                damagedPage = SpoiltCatalogue::damageOverflow(path, QStringLiteral("Movies"));
        });
        QCOMPARE(damagedPage > 0, damaged);
        TKOLTForm* w = f.window;
        w->show();
        if (!damaged)
            f.exec(QStringLiteral("drop table Movies"));
        QVERIFY(f.messages.requests.empty());
        bool seen = false;
        onPreview([&](TRep_PrevForm* form) {
            seen = true;
            QVERIFY(!form->frPreview1->hasPages());
            QVERIFY(form->frPreview1->counterText().isEmpty());
            form->frSpeedButton1->click();
            form->frSpeedButton7->click();
            form->frSpeedButton10->click(); // no dialog opens: nothing to print
            QCOMPARE(ZoomState::current(), ZoomState{});
            QCOMPARE(form->frPreview1->currentPage(), 0);
            QCOMPARE(zoomButtonsDown(form), QList<QToolButton*>{form->frSpeedButton2});
        });
        w->tbPrintClick();
        QVERIFY(seen);
        QVERIFY(!Rep_PrevForm);
        QCOMPARE(f.messages.errors(), QStringList{error});
        QCOMPARE(f.messages.requests.front().caption, QStringLiteral("KOLT"));
        QVERIFY(!f.dm().qrRep_Mov.Active());
    }

    // A long report: page 1 at once, the rest between the window's events, the counter saying
    // that the count is not complete until it is.
    void counterWhileTheCountFills()
    {
        ReportCatalogue c(movies(3000));
        const int whole = c.run(0).pageCount();
        ShownPreview p(CatalogueReports(c.dm).repMovies, QSize(900, 700), 0);
        QCOMPARE(p.counter(), QStringLiteral("Page 1/2…"));
        QVERIFY(!p.area()->countComplete());
        QVERIFY(c.dm.qrRep_Mov.Active());
        QStringList seen{p.counter()};
        QElapsedTimer clock;
        clock.start();
        while (!p.area()->countComplete() && !clock.hasExpired(60000)) {
            QCoreApplication::processEvents();
            if (seen.last() != p.counter())
                seen << p.counter();
        }
        QCOMPARE(seen.last(), QStringLiteral("Page 1/%1").arg(whole));
        QVERIFY(seen.size() >= 3); // seen growing
        int previous = 0;
        for (const QString& text : seen.mid(0, seen.size() - 1)) {
            QVERIFY2(text.endsWith(QChar(0x2026)), qPrintable(text));
            const int count = text.section(QLatin1Char('/'), 1).chopped(1).toInt();
            QVERIFY2(count > previous, qPrintable(text));
            previous = count;
        }
        QVERIFY(!c.dm.qrRep_Mov.Active());
        p.form->frSpeedButton7->click();
        QCOMPARE(p.counter(), QStringLiteral("Page %1/%1").arg(whole));
    }

    void closingDuringTheCountClosesTheQuery()
    {
        ReportCatalogue c(movies(3000));
        {
            ShownPreview p(CatalogueReports(c.dm).repMovies, QSize(900, 700), 0);
            QVERIFY(!p.area()->countComplete());
            QVERIFY(c.dm.qrRep_Mov.Active());
        }
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    // Print while the count goes on: every page is made first under a progress window, so
    // that the print dialog offers them all.
    void printingDuringTheCountMakesEveryPageFirst()
    {
        ReportCatalogue c(movies(3000));
        const int whole = c.run(0).pageCount();
        ShownPreview p(CatalogueReports(c.dm).repMovies, QSize(900, 700), 0);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("counted.pdf"));
        QPrinter& printer = p.form->printer().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QStringList counting;
        int offered = 0;
        whenShown<ReportProgress>(
            [&](ReportProgress* progress) { counting << progress->windowTitle() << progress->line(); });
        whenShown<QPrintDialog>([&](QPrintDialog* dialog) {
            offered = dialog->maxPage();
            dialog->accept();
        });
        p.form->frSpeedButton10->click();
        QCOMPARE(counting, (QStringList{"Report preparing - Movies", "Processing page: 2"}));
        QCOMPARE(offered, whole);
        QCOMPARE(ReportPdf::pageCount(pdf), whole);
        QCOMPARE(firstNumbers(pdf).last(), 49 + 51 * (whole - 2) + 1); // 49 rows on page 1, 51 on the others
        QVERIFY(p.area()->countComplete());
        QCOMPARE(p.counter(), QStringLiteral("Page 1/%1").arg(whole));
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    // Cancel while the pages are made for printing: nothing is printed, and the count goes on
    // between the window's events.
    void cancelledCountPrintsNothingAndGoesOn()
    {
        ReportCatalogue c(movies(3000));
        const int whole = c.run(0).pageCount();
        ShownPreview p(CatalogueReports(c.dm).repMovies, QSize(900, 700), 0);
        QTemporaryDir dir;
        QPrinter& printer = p.form->printer().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("cancelled.pdf")));
        bool dialogShown = false;
        QTimer dialogs; // closes a print dialog, should one open
        dialogs.setInterval(0);
        connect(&dialogs, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QPrintDialog*>(w); d && d->isVisible()) {
                    dialogShown = true;
                    d->reject();
                }
            }
        });
        dialogs.start();
        whenShown<ReportProgress>(
            [](ReportProgress* progress) { progress->findChild<QPushButton*>(QStringLiteral("Cancel"))->click(); });
        p.form->frSpeedButton10->click();
        QVERIFY(!dialogShown);
        QVERIFY(!QFile::exists(printer.outputFileName()));
        QVERIFY(!p.area()->countComplete());
        QVERIFY(p.counter().endsWith(QChar(0x2026)));
        QTRY_VERIFY_WITH_TIMEOUT(p.area()->countComplete(), 60000);
        dialogs.stop();
        QCOMPARE(p.counter(), QStringLiteral("Page 1/%1").arg(whole));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<ReportProgress*>(w) || !w->isVisible());
    }

    // A row that cannot be read on a later page: the error is shown when the count reaches
    // it and the preview is left without pages, as when the first page fails.
    void anErrorDuringTheCountLeavesNoPages()
    {
        ReportCatalogue c(movies(200)
                          + QStringLiteral("update Movies set Description = replace(hex(zeroblob(10000)), '00', 'ab') "
                                           "where Title = 'T150';"));
        c.dm.dbKOLT.Close();
        QVERIFY(SpoiltCatalogue::damageOverflow(c.cat.path(), QStringLiteral("Movies")) > 0);
        c.dm.dbKOLT.Open();
        MessageRecorder messages;
        ShownPreview p(CatalogueReports(c.dm).repMovies, QSize(900, 700), 0);
        QVERIFY(p.area()->hasPages());
        QTRY_VERIFY_WITH_TIMEOUT(!messages.requests.empty(), 20000);
        QCOMPARE(messages.errors(), QStringList{"database disk image is malformed."});
        QVERIFY(!p.area()->hasPages());
        QVERIFY(p.counter().isEmpty());
        QVERIFY(!c.dm.qrRep_Mov.Active());
    }

    void escapeDoesNotClose()
    {
        ReportCatalogue c(movies(1));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        QTest::keyClick(p.form, Qt::Key_Escape);
        QVERIFY(p.form->isVisible());
        QCOMPARE(p.form->frSpeedButton1->toolTip(), QStringLiteral("Zoom to fit"));
        QCOMPARE(p.form->frSpeedButton11->text(), QStringLiteral("Close"));
    }

    void pagesChosenForPrinting_data()
    {
        QTest::addColumn<int>("range"); // QPrinter::PrintRange
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<int>("set"); // ReportPrinter::PageSet
        QTest::addColumn<QList<int>>("pages");
        const int all = int(ReportPrinter::PageSet::All), odd = int(ReportPrinter::PageSet::Odd),
                  even = int(ReportPrinter::PageSet::Even);
        QTest::newRow("all") << int(QPrinter::AllPages) << "" << all
                             << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QTest::newRow("all odd") << int(QPrinter::AllPages) << "" << odd << QList<int>{1, 3, 5, 7, 9, 11};
        QTest::newRow("all even") << int(QPrinter::AllPages) << "" << even << QList<int>{2, 4, 6, 8, 10, 12};
        QTest::newRow("current") << int(QPrinter::CurrentPage) << "" << all << QList<int>{3};
        QTest::newRow("current, even only") << int(QPrinter::CurrentPage) << "" << even << QList<int>{};
        QTest::newRow("list") << int(QPrinter::PageRange) << "1,3,5-8" << all << QList<int>{1, 3, 5, 6, 7, 8};
        QTest::newRow("list, even") << int(QPrinter::PageRange) << "1,3,5-8" << even << QList<int>{6, 8};
        QTest::newRow("beyond the last page") << int(QPrinter::PageRange) << "11-40" << all << QList<int>{11, 12};
    }

    void pagesChosenForPrinting()
    {
        QFETCH(int, range);
        QFETCH(QString, ranges);
        QFETCH(int, set);
        QFETCH(QList<int>, pages);
        QPrinter printer;
        printer.setPrintRange(QPrinter::PrintRange(range));
        if (!ranges.isEmpty())
            printer.setPageRanges(QPageRanges::fromString(ranges));
        const std::vector<int> chosen = ReportPrinter::choosePages(printer, 12, 3, ReportPrinter::PageSet(set));
        QCOMPARE(QList<int>(chosen.begin(), chosen.end()), pages);
    }

    void copiesCollatedOrNot_data()
    {
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("collated") << true << QList<int>{1, 50, 1, 50};
        QTest::newRow("uncollated") << false << QList<int>{1, 1, 50, 50};
    }

    void copiesCollatedOrNot()
    {
        QFETCH(bool, collate);
        QFETCH(QList<int>, expected);
        ReportCatalogue c(movies(60));
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("copies.pdf")));
        printer.setCopyCount(2);
        printer.setCollateCopies(collate);
        QCOMPARE(ReportPrinter::print(c.run(0), printer, {1, 2}), ReportPrinter::Outcome::Printed);
        QCOMPARE(firstNumbers(printer.outputFileName()), expected);
    }

    void cancelledPrintingLeavesNoFile_data()
    {
        QTest::addColumn<int>("cancelAt");
        QTest::newRow("page 1") << 1;
        QTest::newRow("page 2") << 2;
        QTest::newRow("last page") << 3;
    }

    // Cancelled printing prints nothing: the partly written file goes and the printing is not
    // reported as done.
    void cancelledPrintingLeavesNoFile()
    {
        QFETCH(int, cancelAt);
        ReportCatalogue c(movies(120));
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("cancelled.pdf")));
        QList<int> told;
        const ReportPrinter::Outcome outcome = ReportPrinter::print(c.run(0), printer, {1, 2, 3}, [&](int page) {
            told << page;
            return page < cancelAt;
        });
        QVERIFY(!QFile::exists(printer.outputFileName()));
        QCOMPARE(outcome, ReportPrinter::Outcome::Cancelled);
        QCOMPARE(told.last(), cancelAt);
    }

    void printingThroughTheDialog_data()
    {
        QTest::addColumn<bool>("currentPage");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("pageSet");
        QTest::addColumn<QList<int>>("expected"); // first numbers of the printed pages
        QTest::newRow("current page") << true << "" << 0 << QList<int>{50};
        QTest::newRow("typed list") << false << "1, 3" << 0 << QList<int>{1, 101};
        QTest::newRow("typed range, even pages") << false << "1-3" << 2 << QList<int>{50};
        QTest::newRow("odd pages") << false << "" << 1 << QList<int>{1, 101};
    }

    void printingThroughTheDialog()
    {
        QFETCH(bool, currentPage);
        QFETCH(QString, typed);
        QFETCH(int, pageSet);
        QFETCH(QList<int>, expected);
        ReportCatalogue c(movies(120));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        p.form->frSpeedButton7->click();
        p.form->frSpeedButton5->click(); // page 2
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("chosen.pdf"));
        QPrinter& printer = p.form->printer().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(currentPage ? QPrinter::CurrentPage : QPrinter::AllPages);
        QStringList progressLines;
        whenShown<QPrintDialog>([&](QPrintDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("PageList"))->setText(typed);
            dialog->findChild<QComboBox*>(QStringLiteral("PageSet"))->setCurrentIndex(pageSet);
            whenShown<ReportProgress>([&](ReportProgress* progress) { progressLines << progress->line(); });
            dialog->accept();
        });
        p.form->frSpeedButton10->click();
        QCOMPARE(firstNumbers(pdf), expected);
        QCOMPARE(progressLines.value(0).left(15), QStringLiteral("Printing page: "));
        QCOMPARE(p.area()->currentPage(), 2); // the preview keeps its page
    }

    // A page list that cannot be printed is said inside the dialog, which stays open with the
    // user's choices; put right there, the report prints, titled as the report is.
    void aPageListThatCannotBePrintedIsSaidInTheDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::newRow("backwards") << "5-2"
                                   << "\"5-2\" is not a list of pages.";
        QTest::newRow("page 0") << "0"
                                << "\"0\" is not a list of pages.";
        QTest::newRow("an empty item") << "1,,2"
                                       << "\"1,,2\" is not a list of pages.";
        QTest::newRow("past the last page") << "9"
                                            << "The report has 3 pages: there is no page 9.";
        QTest::newRow("a range past the last page") << "2-4"
                                                    << "The report has 3 pages: there is no page 4.";
    }

    void aPageListThatCannotBePrintedIsSaidInTheDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, error);
        ReportCatalogue c(movies(120));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        MessageRecorder messages;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("chosen.pdf"));
        QPrinter& printer = p.form->printer().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        bool stayedOpen = false;
        QStringList seenThere;
        whenShown<QPrintDialog>([&](QPrintDialog* dialog) {
            auto* list = dialog->findChild<QLineEdit*>(QStringLiteral("PageList"));
            dialog->findChild<QComboBox*>(QStringLiteral("PageSet"))->setCurrentIndex(1); // odd pages
            list->setText(typed);
            dialog->accept();
            stayedOpen = dialog->isVisible();
            seenThere = messages.errors();
            QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("PageSet"))->currentIndex(), 1);
            list->setText(QStringLiteral("1-3"));
            dialog->accept();
        });
        p.form->frSpeedButton10->click();
        QVERIFY(stayedOpen);
        QCOMPARE(seenThere, QStringList{error});
        QCOMPARE(messages.errors(), QStringList{error});
        QCOMPARE(firstNumbers(pdf), (QList<int>{1, 101})); // pages 1 and 3
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(20000));
        const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(infoText.contains(
                     QRegularExpression(QStringLiteral("^Title: +Movies$"), QRegularExpression::MultilineOption)),
                 qPrintable(infoText));
    }

    // The progress window shows its whole caption, however long the report's title.
    void progressWindowFitsItsCaption()
    {
        const QString caption = QStringLiteral("Report preparing - Address Book");
        ReportProgress progress(caption, nullptr);
        progress.show();
        QVERIFY(progress.width() >= ReportProgress::captionWidth(caption));
        QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        title.setBold(true);
        QVERIFY(progress.width() > QFontMetrics(title).horizontalAdvance(caption));
    }

    void aPrinterThatCannotBeUsedIsReported()
    {
        ReportCatalogue c(movies(3));
        ShownPreview p(CatalogueReports(c.dm).repMovies);
        MessageRecorder messages;
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.pdf"));
        QPrinter& printer = p.form->printer().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(good);
        whenShown<QPrintDialog>([&](QPrintDialog* dialog) {
            // The user names a file in a folder that does not exist.
            auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            QVERIFY(file);
            file->setText(dir.filePath(QStringLiteral("missing/folder/out.pdf")));
            dialog->accept();
        });
        p.form->frSpeedButton10->click();
        QCOMPARE(messages.errors(), QStringList{"Printer selected is not valid"});
        QCOMPARE(messages.requests.front().caption, QStringLiteral("Error"));
        QCOMPARE(printer.outputFileName(), good); // the previous printer is back
        QVERIFY(!QFile::exists(good));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
