#include "ReportRun.h"

#include "OpenForRun.h"
#include "ReportEngine.h"
#include "TDAODataset.h"

#include <stdexcept>

ReportRun::ReportRun(const ReportDefinition& definition)
    : m_definition(definition)
    , m_dataSet(&ReportEngine::dataSetOf(definition))
    , m_pages(definition)
{
}

ReportRun::~ReportRun() = default;

void ReportRun::start()
{
    m_open = std::make_unique<OpenForRun>(*m_dataSet);
    m_result = m_dataSet->ResultSerial();
    m_title = std::make_unique<BandTexts>(m_definition.reportTitle, *m_dataSet);
    m_header = std::make_unique<BandTexts>(m_definition.pageHeader, *m_dataSet);
    m_data = std::make_unique<BandTexts>(m_definition.masterData, *m_dataSet);
    startPage();
    place(PageComposer::Band::Title, *m_title, 0);
    place(PageComposer::Band::Header, *m_header, 0);
    m_dataSet->First();
}

bool ReportRun::step(QDeadlineTimer deadline, int records)
{
    if (m_finished)
        return true;
    try {
        if (!m_open) {
            start();
        } else if (!m_dataSet->Active() || m_dataSet->ResultSerial() != m_result) {
            // Whatever closed or re-read the query in between, the rest of the records would
            // not follow the ones already placed.
            throw std::runtime_error("The report's list was read again while the report was being made");
        }
        if (placeRecords(deadline, records))
            finish();
    } catch (...) {
        finish();
        throw;
    }
    return m_finished;
}

bool ReportRun::placeRecords(QDeadlineTimer deadline, int records)
{
    for (int placed = 0; !m_dataSet->Eof(); m_dataSet->Next()) {
        if (placed > 0 && (placed >= records || deadline.hasExpired()))
            return false;
        ++placed;
        // A record that could not be read (a damaged part of the file) reads as empty:
        // printed, it would be a numbered row that hides the loss. The run fails instead.
        m_dataSet->checkReadable();
        // A record another program deleted while the list was read is gone: it gets no
        // number and no line.
        if (m_dataSet->RecordDeleted())
            continue;
        if (m_y + m_definition.masterData.height > m_definition.page.bottomLimit() + 1e-6) {
            startPage();
            place(PageComposer::Band::Header, *m_header, 0);
        }
        place(PageComposer::Band::Data, *m_data, ++m_row);
    }
    return true;
}

void ReportRun::startPage()
{
    m_pages.startPage();
    m_y = m_definition.page.topMargin;
}

qreal ReportRun::height(PageComposer::Band band) const
{
    switch (band) {
    case PageComposer::Band::Title:
        return m_definition.reportTitle.height;
    case PageComposer::Band::Header:
        return m_definition.pageHeader.height;
    case PageComposer::Band::Data:
        break;
    }
    return m_definition.masterData.height;
}

void ReportRun::place(PageComposer::Band band, BandTexts& texts, int rowNumber)
{
    m_pages.addBand(band, texts.evaluate(*m_dataSet, rowNumber));
    m_y += height(band);
}

void ReportRun::finish()
{
    m_finished = true;
    m_open.reset();
}
