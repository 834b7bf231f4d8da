// Pictures, measured offscreen. Run by hand:
//   build/bench/pictures/bench_pictures [--items N]
// 1. Setting a 12-megapixel JPEG in an editor's picture box and saving the item (OK) at once;
//    and, choosing it while the event loop runs, the longest the window could not answer
//    until the picture showed.
// 2. How much 10,000 pictures add to a catalogue file (pictures as noisy as photographs: the
//    worst case for the byte limits).
// 3. Moving from item to item in the Books folder of a copy of the shared benchmark catalogue
//    (100,000 items per folder) in which every book has a picture: how long until the Details
//    pane shows the new item's picture, and the longest the window was kept from answering;
//    and the peak memory after 1,000 moves, against the same moves with no pictures (each in a
//    process of its own).
// The catalogues are temporary copies, removed at the end; the installed one is never opened.
#include "BenchCatalogue.h"
#include "DetailsPicture.h"
#include "FolderDefinition.h"
#include "FolderPanel.h"
#include "MessageService.h"
#include "PictureBox.h"
#include "PictureEncoder.h"
#include "PictureStore.h"
#include "Procedury.h"
#include "ProcessMemory.h"
#include "Program.h"
#include "SqliteStatement.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TestPictures.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>

using namespace TestPictures;

namespace {

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Spread
{
    double median, p95, max;
};

Spread spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty())
        return {0, 0, 0};
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 95 / 100)], v.back()};
}

void exec(TDAODatabase& db, const QString& sql)
{
    SqliteStatement::exec(db.handle(), sql);
}

// 1. Choose a 12-megapixel JPEG, then OK.
void setAndOk()
{
    QTemporaryDir dir;
    CatalogueWriter::create(dir.filePath(QStringLiteral("koltDB.mdb")));
    TDM dm(dir.path());
    dm.DataModuleCreate();
    exec(dm.dbKOLT, QStringLiteral("insert into Books (Category, Title) values ('Novel', 'Emma')"));
    const QString file = dir.filePath(QStringLiteral("camera.jpg"));
    const QByteArray jpeg = encoded(photo(4000, 3000, 3), "jpeg", 92);
    writeFile(file, jpeg);
    dm.qrBooks.Open();
    dm.tbC_Books.Open(); // the lookup lists the editor fills, which the save's rules use
    dm.tbA_Books.Open();
    std::printf("1. a 12-megapixel JPEG (4000 x 3000, %.1f MB), chosen and saved with the item:\n",
                double(jpeg.size()) / 1048576.0);
    std::vector<double> set, ok, both;
    for (int run = 0; run < 7; ++run) {
        PictureBox box(dm.qrBooks, 2);
        box.load();
        QElapsedTimer t;
        t.start();
        box.setFromFile(file);
        const double chosen = ms(t);
        Procedury::PostRecord(dm.qrBooks);
        const double total = ms(t);
        set.push_back(chosen);
        ok.push_back(total - chosen);
        both.push_back(total);
    }
    std::vector<double> shown, stalls;
    for (int run = 0; run < 7; ++run) {
        PictureBox box(dm.qrBooks, 2);
        box.load();
        QElapsedTimer t;
        t.start();
        box.setFromFile(file);
        double longest = ms(t);
        while (box.isPreparing()) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents();
            longest = std::max(longest, ms(turn));
            QThread::msleep(1); // idle, as a window waiting for its next event
        }
        shown.push_back(ms(t));
        stalls.push_back(longest);
        dm.qrBooks.Cancel();
    }
    const Spread s = spread(set), o = spread(ok), b = spread(both), w = spread(shown), l = spread(stalls);
    std::printf("   chosen (checked, the window's part) %7.1f ms (median of 7, worst %.1f)\n"
                "   OK at once (waits, then saves)      %7.1f ms (median of 7, worst %.1f)\n"
                "   together                            %7.1f ms (median of 7, worst %.1f)\n"
                "   chosen with the window answering: shown after %.1f ms (median of 7), longest the window\n"
                "   could not answer %.1f ms (median of 7, worst %.1f)\n\n",
                s.median, s.max, o.median, o.max, b.median, b.max, w.median, l.median, l.max);
}

// Pictures as noisy as photographs, of several shapes, prepared for storing.
std::vector<PreparedPicture> samplePictures(int count)
{
    std::vector<PreparedPicture> out;
    for (int i = 0; i < count; ++i) {
        const bool upright = i % 3 == 0;
        out.push_back(PictureEncoder::prepare(photo(upright ? 1200 : 1600, upright ? 1600 : 1200, quint32(100 + i))));
    }
    return out;
}

void storePictures(TDAODatabase& db, int folder, int count, const std::vector<PreparedPicture>& pictures)
{
    PictureStore store(db);
    TDAODatabase::Transaction transaction(db);
    for (int item = 1; item <= count; ++item)
        store.store(folder, item, pictures[size_t(item) % pictures.size()]);
    transaction.commit();
}

// 2. The file's growth with 10,000 pictures.
void catalogueSize(const std::vector<PreparedPicture>& pictures)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("koltDB.mdb"));
    CatalogueWriter::create(path);
    const qint64 before = QFileInfo(path).size();
    TDAODatabase db;
    db.setDatabaseName(path);
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    storePictures(db, 2, 10000, pictures);
    db.Close();
    const qint64 after = QFileInfo(path).size();
    double thumbnails = 0, full = 0;
    for (const PreparedPicture& p : pictures) {
        thumbnails += p.thumbnail.size();
        full += p.picture.size();
    }
    std::printf("2. 10,000 pictures as noisy as photographs (thumbnail %.1f KB, picture %.1f KB on average):\n"
                "   the file grew by %.1f MB (limit 600 MB)\n\n",
                thumbnails / pictures.size() / 1024.0, full / pictures.size() / 1024.0,
                double(after - before) / 1048576.0);
}

// 3. A child process: the main window over `folder`, 1,000 moves down the Books grid.
int childMoves(const QString& folder, bool expectPictures)
{
    Program::createDataModule(folder);
    TKOLTForm* window = Program::createMainWindow(folder);
    window->resize(1280, 900);
    window->show();
    window->abcButtonList1Click(2, FolderDefinition::all()[2].caption);
    QCoreApplication::processEvents();
    TDBGrid* grid = window->grid(2);
    DetailsPicture* picture = window->panel(2)->picture();
    TDAODataset& books = DM->qrBooks;
    grid->setFocus();
    std::vector<double> shown, busiest;
    for (int step = 0; step < 1000; ++step) {
        QElapsedTimer t;
        t.start();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(grid, &down);
        const qint64 key = books.FieldByName(QStringLiteral("Id")).AsInteger();
        double longest = ms(t);
        // The event loop's turns until the picture is up, each timed: the longest is the
        // longest the window could not answer.
        for (int turn = 0; turn < 100 && expectPictures && picture->shownItem() != key; ++turn) {
            QElapsedTimer one;
            one.start();
            QCoreApplication::processEvents();
            longest = std::max(longest, ms(one));
        }
        if (expectPictures && picture->shownItem() != key) {
            std::printf("the picture of item %lld did not come\n", key);
            return 1;
        }
        shown.push_back(ms(t));
        busiest.push_back(longest);
        QCoreApplication::processEvents();
    }
    const Spread s = spread(shown), b = spread(busiest);
    std::printf("%.2f %.2f %.2f %.2f %.2f %.1f\n", s.median, s.p95, s.max, b.max, b.p95, statusMiB("VmHWM"));
    Program::shutdown();
    return 0;
}

QStringList runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
}

void moves(int items, const std::vector<PreparedPicture>& pictures)
{
    const BenchProgramFolder without(items);
    const QStringList plain = runChild({QStringLiteral("--child-moves"), without.path(), QStringLiteral("0")});
    const BenchProgramFolder with(items);
    {
        TDAODatabase db;
        db.setDatabaseName(with.filePath());
        db.setPassword(QStringLiteral("trobel72"));
        db.Open();
        QElapsedTimer t;
        t.start();
        storePictures(db, 2, items, pictures);
        std::fprintf(stderr, "%d pictures stored in %.1f s; the file is %.0f MB\n", items, ms(t) / 1000.0,
                     double(QFileInfo(with.filePath()).size()) / 1048576.0);
    }
    const QStringList pictured = runChild({QStringLiteral("--child-moves"), with.path(), QStringLiteral("1")});
    std::printf("3. 1,000 moves down the Books grid, %d books, every one with a picture:\n"
                "   until the Details pane shows the picture: median %s ms, 95th percentile %s ms, worst %s ms\n"
                "   longest the window could not answer: %s ms (95th percentile of each move's longest %s ms)\n"
                "   peak memory (VmHWM): %s MiB with pictures, %s MiB without (the same moves): %.2fx\n",
                items, qPrintable(pictured.value(0)), qPrintable(pictured.value(1)), qPrintable(pictured.value(2)),
                qPrintable(pictured.value(3)), qPrintable(pictured.value(4)), qPrintable(pictured.value(5)),
                qPrintable(plain.value(5)), pictured.value(5).toDouble() / plain.value(5).toDouble());
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageService::setHandler([](const MessageService::Request& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MessageService::Answer::No;
    });
    QCommandLineParser parser;
    const QCommandLineOption items(QStringLiteral("items"), QStringLiteral("items per folder"), QStringLiteral("n"),
                                   QStringLiteral("100000"));
    const QCommandLineOption child(QStringLiteral("child-moves"), QString(), QStringLiteral("folder"));
    parser.addOptions({items, child});
    parser.process(app);
    if (parser.isSet(child))
        return childMoves(parser.value(child), parser.positionalArguments().value(0) == QLatin1String("1"));
    setAndOk();
    const std::vector<PreparedPicture> pictures = samplePictures(12);
    catalogueSize(pictures);
    moves(parser.value(items).toInt(), pictures);
    return 0;
}
