#pragma once

#include "PageComposer.h"
#include "PreparedReport.h"
#include "ReportPages.h"

#include <string>
#include <vector>

// The pages of a run kept small: a page keeps only the texts of the bands on it, one band
// after another, as bytes; where each thing goes is worked out again when the page is drawn
// or printed, and the pages laid out last are kept ready. At a million records this is about
// a tenth of what whole pages take.
class CompactReport : public ReportPages
{
public:
    explicit CompactReport(const ReportDefinition& definition);

    QString name() const override { return m_title; }
    int pageCount() const override { return int(m_pages.size()); }
    void paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const override;

    const PageSetup& page() const { return m_page; }
    const std::vector<PreparedReport::Style>& styles() const { return m_composer.styles(); }
    // Page `index` (0-based) laid out, as a whole run lays it out; valid until the next call.
    const PreparedPage& laidOut(int index) const;
    // The bytes the pages keep (not those of the pages laid out).
    std::size_t keptBytes() const;

    // For the run that makes the pages: a new page, then its bands top to bottom.
    void startPage();
    void addBand(PageComposer::Band band, const std::vector<QString>& texts);

private:
    struct Ready
    {
        int index = -1;
        quint64 used = 0;
        PreparedPage page;
    };
    PreparedPage layOut(int index) const;
    void closeLastPage();

    QString m_title;
    PageSetup m_page;
    mutable PageComposer m_composer;
    std::vector<std::string> m_pages;
    mutable std::vector<Ready> m_ready;
    mutable quint64 m_uses = 0;
};
