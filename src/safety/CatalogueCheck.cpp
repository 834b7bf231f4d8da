#include "CatalogueCheck.h"

#include "EEngineError.h"
#include "SideConnection.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

constexpr int kOpsPerCall = 10000;
// About how many times the progress handler is called per page of the file during the check
// (measured on sample catalogues); the estimate never claims more than 99 % until the end.
constexpr double kCallsPerPage = 0.25;

struct ProgressState
{
    const CatalogueCheck::Progress* progress;
    double expectedCalls;
    qint64 calls = 0;
    int lastPercent = -1;
};

int onProgress(void* data)
{
    auto* state = static_cast<ProgressState*>(data);
    ++state->calls;
    const int percent = qMin(99, int(100.0 * double(state->calls) / state->expectedCalls));
    if (percent == state->lastPercent)
        return 0;
    state->lastPercent = percent;
    return (*state->progress)(percent) ? 0 : 1;
}

} // namespace

CatalogueCheck::Result CatalogueCheck::run(const QString& path, const Progress& progress)
{
    Result result;
    try {
        // For writing only so that a change a stopped program left half-done is rolled back
        // before the check; the check itself only reads.
        SideConnection file(path, SideConnection::Mode::ReadWrite);
        const qint64 pages = file.scalar(QStringLiteral("PRAGMA page_count")).toLongLong();
        ProgressState state{&progress, qMax(1.0, double(pages) * kCallsPerPage)};
        if (progress)
            sqlite3_progress_handler(file.handle(), kOpsPerCall, onProgress, &state);
        SqliteStatement check(file.handle(), QStringLiteral("PRAGMA integrity_check(1000)"));
        while (check.step()) {
            const QString line = check.columnText(0);
            if (line != QLatin1String("ok"))
                result.faults << line;
        }
        sqlite3_progress_handler(file.handle(), 0, nullptr, nullptr);
        if (progress)
            progress(100);
    } catch (const EEngineError& e) {
        if ((e.ErrorCode() & 0xff) == SQLITE_INTERRUPT) {
            result.cancelled = true;
            result.faults.clear();
            return result;
        }
        if (e.Busy())
            throw EDatabaseError(QStringLiteral("The catalogue could not be checked: the file is in use by another "
                                                "program. Try again when it is not"));
        result.faults << e.message();
    }
    return result;
}

QString CatalogueCheck::describe(const Result& result)
{
    if (result.cancelled)
        return QStringLiteral("The check was cancelled before it ended.");
    if (result.faults.isEmpty())
        return QStringLiteral("The catalogue is whole: no fault was found in it.");
    const QString first = result.faults.first();
    if (result.faults.size() == 1)
        return QStringLiteral("The catalogue file is damaged. The check found this fault: %1").arg(first);
    return QStringLiteral("The catalogue file is damaged. The check found %1 faults; the first: %2")
        .arg(result.faults.size())
        .arg(first);
}
