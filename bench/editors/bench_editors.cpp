// The item editors at 100,000 items per folder with 10,000 names per lookup list, against the
// dataset layer alone doing the same work on the same file, in the same run:
// - opening an editor until it has painted (its lists filled from their lookup tables), against
//   reopening those tables and reading their names;
// - OK on an unchanged item until the main window has repainted, against posting the record
//   and reading the folder query again (the movies' and albums' rules do that themselves).
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/editors/bench_editors
#include "BenchCatalogue.h"
#include "BenchProgram.h"
#include "ItemEditor.h"
#include "MessageService.h"
#include "Procedury.h"
#include "Program.h"
#include "RatioReporter.h"
#include "TAddressBookForm.h"
#include "TBookForm.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TMovieForm.h"
#include "TMusicForm.h"
#include "TProgForm.h"
#include "TStrings.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

TKOLTForm* g_window = nullptr;

ItemEditor* makeEditor(int folder)
{
    switch (folder) {
    case 0:
        return new TMovieForm(g_window, *DM);
    case 1:
        return new TMusicForm(g_window, *DM);
    case 2:
        return new TBookForm(g_window, *DM);
    case 3:
        return new TProgForm(g_window, *DM);
    default:
        return new TAddressBookForm(g_window, *DM);
    }
}

// The lookup tables an editor fills its lists from.
std::vector<TDAOTable*> listsOf(int folder)
{
    switch (folder) {
    case 0:
        return {&DM->tbC_Movies, &DM->tbD_Movies};
    case 1:
        return {&DM->tbC_Music, &DM->tbA_Music};
    case 2:
        return {&DM->tbC_Books, &DM->tbA_Books};
    case 3:
        return {&DM->tbC_Programs};
    default:
        return {&DM->tbC_AddBook};
    }
}

void selectFolder(int folder)
{
    static const char* captions[] = {"Movies", "Music", "Books", "Programs", "Address Book"};
    if (g_window->CurrentFolder() != folder)
        g_window->SelectFolder(folder, QLatin1String(captions[folder]));
}

void showAndPaint(ItemEditor* editor)
{
    editor->show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(editor->grab());
}

void BM_OpenEditor(benchmark::State& state, bool ours)
{
    const int folder = int(state.range(0));
    selectFolder(folder);
    for (auto _ : state) {
        if (ours) {
            ItemEditor* editor = makeEditor(folder);
            showAndPaint(editor);
            editor->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            continue;
        }
        for (TDAOTable* table : listsOf(folder)) {
            TStringList names;
            Procedury::FillComboFromTable(*table, names);
            benchmark::DoNotOptimize(names.items);
        }
    }
}

void BM_OkUnchanged(benchmark::State& state, bool ours)
{
    const int folder = int(state.range(0));
    selectFolder(folder);
    TDAODataset& query = g_window->folderQuery(folder);
    ItemEditor* editor = nullptr;
    if (ours) {
        editor = makeEditor(folder);
        showAndPaint(editor);
    } else {
        for (TDAOTable* table : listsOf(folder))
            Procedury::ReopenDataSet(*table);
    }
    for (auto _ : state) {
        if (ours) {
            // OK without the close, so that the same editor posts again.
            Procedury::PostRecord(query);
            benchmark::DoNotOptimize(g_window->grid(folder)->viewport()->grab());
        } else {
            // The layer posts and has the folder query read again (the movies' and albums' rules
            // do that themselves).
            Procedury::PostRecord(query);
            if (folder > 1)
                Procedury::ReopenDataSet(query);
        }
    }
    if (editor) {
        editor->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_OpenEditor, ours, true)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenEditor, raw, false)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OkUnchanged, ours, true)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OkUnchanged, raw, false)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchProgramFolder folder; // a copy: OK writes to it
    g_window = startBenchProgram(folder.path());
    std::printf("\"raw\" is the dataset layer alone: the lookup tables reopened and read (open), the record\n"
                "posted with its rules (OK)\n");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Program::shutdown();
    return 0;
}
