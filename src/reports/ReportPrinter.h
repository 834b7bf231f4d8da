#pragma once

#include <QPrinter>
#include <functional>
#include <vector>

class ReportPages;
class QPainter;
class QWidget;

// Prints a report's pages: through the print dialog (printer, its settings, copies, collation,
// all pages, the current page or ranges such as "1,3,5-12", and all, odd or even pages), or
// straight onto a printer that is already set up.
class ReportPrinter
{
public:
    enum class PageSet { All, Odd, Even };
    enum class Outcome { Printed, Cancelled, NotStarted };
    // Told the number of the page being printed; answering false stops printing.
    using Progress = std::function<bool(int page)>;

    explicit ReportPrinter(QWidget* owner);

    // The printer the next print goes to; the dialog starts from its settings.
    QPrinter& printer() { return m_printer; }

    // Opens the print dialog and prints what it chose, with a progress window. A printer that
    // cannot be used is reported as "Printer selected is not valid" and the previous printer
    // comes back.
    void printWithDialog(const ReportPages& report, int currentPage);

    // The pages (1-based, in order) the printer's range and the page set choose.
    static std::vector<int> choosePages(const QPrinter& printer, int pageCount, int currentPage, PageSet set);
    // Prints `pages`, as many copies as the printer asks and the printing system does not make
    // itself. NotStarted when the printer cannot start. Cancelled when `progress` stopped it:
    // the job is aborted and a file printed to is removed. Where a job cannot be aborted once
    // begun (a CUPS printer under Qt), the pages painted before the cancel still print.
    static Outcome print(const ReportPages& report, QPrinter& printer, const std::vector<int>& pages,
                         const Progress& progress = {});

    // What is wrong with a typed page list for a report of `pageCount` pages, or nothing.
    static QString pageListProblem(const QString& list, int pageCount);

    PageSet pageSet() const { return m_pageSet; }
    void setPageSet(PageSet set) { m_pageSet = set; }

private:
    struct Choice
    {
        QString printerName;
        QPrinter::OutputFormat format;
        QString fileName;
    };
    static void cancel(QPainter& painter, QPrinter& printer);
    Choice choice() const;
    void restore(const Choice& choice);
    void reportInvalid();

    QWidget* m_owner;
    QPrinter m_printer{QPrinter::HighResolution};
    PageSet m_pageSet = PageSet::All;
};
