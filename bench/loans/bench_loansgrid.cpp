// The Movies grid's paint and scroll with 10,000 items on loan among 100,000, against the same
// catalogue without loans, in the same run. The marks come from the loans book's kept set of
// lent items: a paint must not read the file once more per row. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/loans/bench_loansgrid [rounds]
// Both sides work on copies of the shared benchmark catalogue (see BenchCatalogue.h).
#include "BenchCatalogue.h"
#include "LoansBook.h"
#include "MessageService.h"
#include "Program.h"
#include "SqliteStatement.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TKOLTForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kLent = 10000;
constexpr int kPaints = 300;

// Lends every tenth movie (10,000 of them) as the program would store them.
void lendTenThousand(const QString& folder)
{
    TDM dm(folder);
    dm.DataModuleCreate();
    LoansBook book(dm);
    // The first through the book (which makes the table), the others in one go.
    LoansBook::Lending first;
    first.itemId = 10;
    first.person = QStringLiteral("Smith, John");
    first.lent = QDate(2024, 1, 1);
    first.due = QDate(2024, 2, 1);
    book.lend(first);
    SqliteStatement::exec(dm.dbKOLT.handle(),
                          QStringLiteral("BEGIN; INSERT INTO Loans (Folder, Item_Id, Title, Person, Lent, Due) "
                                         "SELECT 0, Id, Title, 'Smith, John', '2024-01-01', '2024-02-01' FROM Movies "
                                         "WHERE Id % 10 = 0 AND Id > 10 ORDER BY Id LIMIT %1; COMMIT")
                              .arg(kLent - 1));
    std::printf("movies on loan: %d\n", int(book.marks(0).size()));
}

// Milliseconds for `kPaints` scroll-and-paint steps of the Movies grid: page steps down from
// the top, then jumps across the whole grid in a fixed pseudo-random order.
double paintAndScroll(const QString& folder)
{
    Program::createDataModule(folder);
    TKOLTForm* window = Program::createMainWindow(folder);
    window->resize(1280, 900);
    window->show();
    QApplication::processEvents();
    TDBGrid* grid = window->grid(0);
    QScrollBar* bar = grid->verticalScrollBar();
    grid->grab(); // the first screenful read before the clock starts
    unsigned seed = 12345;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kPaints; ++i) {
        if (i < kPaints / 2) {
            bar->setValue(bar->value() + bar->pageStep());
        } else {
            seed = seed * 1103515245u + 12345u;
            bar->setValue(int((seed >> 8) % unsigned(bar->maximum() + 1)));
        }
        // The whole grid: the record indicator column with its marks and the cells.
        grid->grab();
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    Program::shutdown();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageService::setHandler([](const MessageService::Request& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MessageService::Answer::No;
    });
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    BenchProgramFolder plain;
    BenchProgramFolder lent;
    lendTenThousand(lent.path());

    std::vector<double> without, with;
    for (int r = 0; r < rounds; ++r) {
        // Alternated, so that what the machine does meanwhile falls on both sides alike.
        without.push_back(paintAndScroll(plain.path()));
        with.push_back(paintAndScroll(lent.path()));
        std::printf("round %d: without loans %.1f ms, with %d on loan %.1f ms\n", r + 1, without.back(), kLent,
                    with.back());
    }
    const double a = median(without);
    const double b = median(with);
    std::printf("\n%d paint+scroll steps of the Movies grid (100,000 items), median of %d rounds:\n", kPaints, rounds);
    std::printf("  without loans       %8.1f ms (%.2f ms a step)\n", a, a / kPaints);
    std::printf("  10,000 on loan      %8.1f ms (%.2f ms a step)\n", b, b / kPaints);
    std::printf("  ratio (with/without) %6.3fx\n", b / a);
    return 0;
}
