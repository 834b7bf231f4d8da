#include "ReportPrinter.h"

#include "MessageService.h"
#include "PrintingHeap.h"
#include "ReportFonts.h"
#include "ReportPages.h"
#include "ReportPrintDialog.h"
#include "ReportProgress.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QLineEdit>
#include <QPageRanges>
#include <QPainter>
#include <QPrintDialog>
#include <QRegularExpressionValidator>

namespace {

// What Qt's dialog offers only for some printers, on a tab of its own: a list of pages and
// ranges such as "1,3,5-12" (for every printer, a PDF file too) and all, odd or even pages.
class PagesTab : public QWidget
{
public:
    explicit PagesTab(ReportPrinter::PageSet set)
    {
        setWindowTitle(QStringLiteral("Pages"));
        setObjectName(QStringLiteral("PagesTab"));
        m_list = new QLineEdit(this);
        m_list->setObjectName(QStringLiteral("PageList"));
        m_list->setPlaceholderText(QStringLiteral("e.g. 1,3,5-12"));
        m_list->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ,-]*")), m_list));
        m_set = new QComboBox(this);
        m_set->setObjectName(QStringLiteral("PageSet"));
        m_set->addItems({QStringLiteral("All pages"), QStringLiteral("Odd pages"), QStringLiteral("Even pages")});
        m_set->setCurrentIndex(int(set));
        auto* form = new QFormLayout(this);
        form->addRow(QStringLiteral("Pages:"), m_list);
        form->addRow(QStringLiteral("Print:"), m_set);
    }
    ReportPrinter::PageSet set() const { return ReportPrinter::PageSet(m_set->currentIndex()); }
    QString list() const { return m_list->text().trimmed(); }

private:
    QLineEdit* m_list;
    QComboBox* m_set;
};

} // namespace

QString ReportPrinter::pageListProblem(const QString& list, int pageCount)
{
    if (list.isEmpty())
        return {};
    const QPageRanges ranges = QPageRanges::fromString(list);
    if (ranges.isEmpty())
        return QStringLiteral("\"%1\" is not a list of pages").arg(list);
    for (const QPageRanges::Range& r : ranges.toRangeList()) {
        if (r.to > pageCount)
            return QStringLiteral("The report has %1 pages: there is no page %2").arg(pageCount).arg(r.to);
    }
    return {};
}

ReportPrinter::ReportPrinter(QWidget* owner)
    : m_owner(owner)
{
    m_printer.setPageSize(QPageSize(QPageSize::A4));
    m_printer.setPageOrientation(QPageLayout::Portrait);
    m_printer.setCopyCount(1);
    m_printer.setCollateCopies(true);
}

std::vector<int> ReportPrinter::choosePages(const QPrinter& printer, int pageCount, int currentPage, PageSet set)
{
    std::vector<int> chosen;
    auto keep = [&](int n) {
        if (n < 1 || n > pageCount)
            return;
        if ((set == PageSet::Odd && n % 2 == 0) || (set == PageSet::Even && n % 2 == 1))
            return;
        chosen.push_back(n);
    };
    switch (printer.printRange()) {
    case QPrinter::CurrentPage:
        keep(currentPage);
        break;
    case QPrinter::PageRange:
        for (const QPageRanges::Range& r : printer.pageRanges().toRangeList()) {
            for (int n = r.from; n <= r.to && n <= pageCount; ++n)
                keep(n);
        }
        break;
    default:
        for (int n = 1; n <= pageCount; ++n)
            keep(n);
    }
    return chosen;
}

ReportPrinter::Outcome ReportPrinter::print(const ReportPages& report, QPrinter& printer, const std::vector<int>& pages,
                                            const Progress& progress)
{
    // Positions count from the paper's edge: the whole sheet is the painter's.
    printer.setFullPage(true);
    const PrintingHeap heap;
    QPainter painter;
    if (!painter.begin(&printer))
        return Outcome::NotStarted;
    const qreal pixelsPerUnit = printer.resolution() / ReportFonts::kUnitsPerInch;
    const int copies = printer.supportsMultipleCopies() ? 1 : qMax(1, printer.copyCount());
    std::vector<int> sequence;
    if (printer.collateCopies()) {
        for (int c = 0; c < copies; ++c)
            sequence.insert(sequence.end(), pages.begin(), pages.end());
    } else {
        for (int n : pages)
            sequence.insert(sequence.end(), size_t(copies), n);
    }
    bool first = true;
    for (int n : sequence) {
        if (progress && !progress(n)) {
            cancel(painter, printer);
            return Outcome::Cancelled;
        }
        if (!first)
            printer.newPage();
        first = false;
        report.paintPage(painter, n - 1, QPointF(0, 0), pixelsPerUnit);
    }
    painter.end();
    return Outcome::Printed;
}

void ReportPrinter::cancel(QPainter& painter, QPrinter& printer)
{
    // Aborting must come first: ending the painter completes the job and sends it on.
    printer.abort();
    painter.end();
    // A file is written as the pages are painted, whatever the output can abort: a part of the
    // report must not stay behind as if it were the whole.
    if (!printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
}

ReportPrinter::Choice ReportPrinter::choice() const
{
    return {m_printer.printerName(), m_printer.outputFormat(), m_printer.outputFileName()};
}

void ReportPrinter::restore(const Choice& choice)
{
    m_printer.setPrinterName(choice.printerName);
    m_printer.setOutputFormat(choice.format);
    m_printer.setOutputFileName(choice.fileName);
}

void ReportPrinter::reportInvalid()
{
    MessageService::showCaptionedError(QStringLiteral("Error"), QStringLiteral("Printer selected is not valid"),
                                       m_owner);
}

void ReportPrinter::printWithDialog(const ReportPages& report, int currentPage)
{
    if (report.isEmpty())
        return;
    const Choice saved = choice();

    PagesTab* pagesTab = nullptr;
    const int pageCount = report.pageCount();
    ReportPrintDialog dialog(&m_printer, m_owner, [&pagesTab, pageCount] {
        return pagesTab ? pageListProblem(pagesTab->list(), pageCount) : QString();
    });
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange
                      | QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintCurrentPage
                      | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, report.pageCount());
    pagesTab = new PagesTab(m_pageSet);
    dialog.setOptionTabs({pagesTab});
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_pageSet = pagesTab->set();
    if (!pagesTab->list().isEmpty()) {
        m_printer.setPrintRange(QPrinter::PageRange);
        m_printer.setPageRanges(QPageRanges::fromString(pagesTab->list()));
    }

    const std::vector<int> pages = choosePages(m_printer, report.pageCount(), currentPage, m_pageSet);
    if (!m_printer.isValid()) {
        reportInvalid();
        restore(saved);
        return;
    }
    if (pages.empty()) {
        MessageService::showError(QStringLiteral("None of the pages chosen is to be printed"), m_owner);
        return;
    }
    m_printer.setDocName(report.name()); // the title of a PDF file, the name of a printer's job
    ReportProgress progress(report.name(), m_owner);
    const Outcome outcome = print(report, m_printer, pages,
                                  [&](int n) { return progress.report(QStringLiteral("Printing page: %1").arg(n)); });
    progress.hide();
    if (outcome == Outcome::NotStarted) {
        reportInvalid();
        restore(saved);
    }
}
