#pragma once

#include "PreparedReport.h"
#include "ReportPrinter.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <vector>

// Prepared pages printed to a PDF file through the printing path, and the words poppler's
// pdftotext finds on it with their boxes (in points from the page's top-left corner).
namespace ReportPdf {

constexpr double kPointsPerUnit = 72.0 / (25.4 * 3.6);
// About half a millimetre.
constexpr double kTolerance = 72.0 / 25.4 * 0.5;

struct Word
{
    int page = 0; // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};

inline bool print(const ReportPages& report, const QString& path, std::vector<int> pages = {})
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (pages.empty()) {
        for (int n = 1; n <= report.pageCount(); ++n)
            pages.push_back(n);
    }
    return ReportPrinter::print(report, printer, pages) == ReportPrinter::Outcome::Printed;
}

// What `pdftotext -bbox` writes for the file, from its first page on (the head before it
// names the time the file was made).
inline QByteArray bboxPages(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("pdftotext failed on %s (is poppler-utils installed?)", qPrintable(pdf));
    const QByteArray out = p.readAllStandardOutput();
    return out.mid(out.indexOf("<page "));
}

inline std::vector<Word> words(const QString& pdf)
{
    const QString html = QString::fromUtf8(bboxPages(pdf));
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    std::vector<Word> out;
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace(QLatin1String("&amp;"), QLatin1String("&"))
            .replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&apos;"), QLatin1String("'"));
        out.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                       m.captured(4).toDouble(), text});
    }
    return out;
}

inline int pageCount(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

// The words of a report printed to a temporary PDF. With KOLT_KEEP_PDF set to a folder, the
// file is kept there as <name>.pdf for looking at.
inline std::vector<Word> wordsOf(const ReportPages& report, const QString& name, std::vector<int> pages = {})
{
    QTemporaryDir dir;
    QString path = dir.filePath(name + QStringLiteral(".pdf"));
    if (const QByteArray keep = qgetenv("KOLT_KEEP_PDF"); !keep.isEmpty())
        path = QDir(QString::fromLocal8Bit(keep)).filePath(name + QStringLiteral(".pdf"));
    if (!print(report, path, std::move(pages)))
        qFatal("cannot print to %s", qPrintable(path));
    return words(path);
}

// Words on one page, top to bottom and left to right, as lines of text. A word starts a new
// line when its top lies more than 2 points below the top of the line's first word.
inline QStringList lines(const std::vector<Word>& words, int page)
{
    std::vector<Word> on;
    for (const Word& w : words) {
        if (w.page == page)
            on.push_back(w);
    }
    std::stable_sort(on.begin(), on.end(), [](const Word& a, const Word& b) { return a.yMin < b.yMin; });
    std::vector<std::vector<Word>> grouped;
    for (const Word& w : on) {
        if (grouped.empty() || std::abs(w.yMin - grouped.back().front().yMin) > 2)
            grouped.emplace_back();
        grouped.back().push_back(w);
    }
    QStringList out;
    for (std::vector<Word>& line : grouped) {
        std::stable_sort(line.begin(), line.end(), [](const Word& a, const Word& b) { return a.xMin < b.xMin; });
        QStringList texts;
        for (const Word& w : line)
            texts << w.text;
        out << texts.join(QLatin1Char(' '));
    }
    return out;
}

} // namespace ReportPdf
