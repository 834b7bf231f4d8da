#pragma once

#include "BandTexts.h"
#include "CompactReport.h"
#include "ReportDefinition.h"

#include <QDeadlineTimer>
#include <limits>
#include <memory>

class OpenForRun;
class TDAODataset;

// A report run made in steps, so that the preview can show page 1 at once and make the rest
// between the events of the window: it can stop after any record and go on later, and it
// makes the very pages ReportEngine::run makes, kept compactly. It keeps a copy of its
// definition; the query the definition reads must outlive it.
class ReportRun
{
public:
    // Raises when the definition has no data.
    explicit ReportRun(const ReportDefinition& definition);
    ~ReportRun();
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    // Goes on until `deadline` has passed (after one record at least), `records` more records
    // have been read or the last record is placed; answers whether the run is finished. The
    // first step opens the report query anew and the last one closes it. A step that fails
    // closes it too and raises; the run is then finished with the pages made before.
    bool step(QDeadlineTimer deadline, int records = std::numeric_limits<int>::max());
    bool finished() const { return m_finished; }

    const CompactReport& pages() const { return m_pages; }
    const ReportDefinition& definition() const { return m_definition; }

private:
    void start();
    bool placeRecords(QDeadlineTimer deadline, int records);
    qreal height(PageComposer::Band band) const;
    void place(PageComposer::Band band, BandTexts& texts, int rowNumber);
    void startPage();
    void finish();

    ReportDefinition m_definition;
    TDAODataset* m_dataSet = nullptr;
    std::unique_ptr<OpenForRun> m_open;
    quint64 m_result = 0; // the run of the query the records come from
    std::unique_ptr<BandTexts> m_title, m_header, m_data;
    CompactReport m_pages;
    int m_row = 0;
    qreal m_y = 0;
    bool m_finished = false;
};
