#include "ReportEngine.h"

#include "BandTexts.h"
#include "OpenForRun.h"
#include "PageComposer.h"
#include "TDAODataset.h"
#include "TDataSource.h"

#include <stdexcept>

namespace {

// One pass over the records, every page laid out whole as it is made.
class WholeRun
{
public:
    WholeRun(const ReportDefinition& d, TDAODataset& dataSet, const ReportEngine::Progress& progress)
        : m_definition(d)
        , m_dataSet(dataSet)
        , m_progress(progress)
        , m_composer(d)
        , m_title(d.reportTitle, dataSet)
        , m_header(d.pageHeader, dataSet)
        , m_data(d.masterData, dataSet)
    {
        m_report.title = d.title;
        m_report.page = d.page;
        m_report.styles = m_composer.styles();
    }

    PreparedReport take() { return std::move(m_report); }

    void execute()
    {
        if (!startPage())
            return;
        place(PageComposer::Band::Title, m_title, 0);
        place(PageComposer::Band::Header, m_header, 0);
        int row = 0;
        for (m_dataSet.First(); !m_dataSet.Eof(); m_dataSet.Next()) {
            // A record that could not be read (a damaged part of the file) reads as empty:
            // printed, it would be a numbered row that hides the loss. The run fails instead.
            m_dataSet.checkReadable();
            // A record another program deleted while the list was read is gone: it gets no
            // number and no line.
            if (m_dataSet.RecordDeleted())
                continue;
            if (m_y + m_definition.masterData.height > m_definition.page.bottomLimit() + 1e-6) {
                if (!startPage())
                    return;
                place(PageComposer::Band::Header, m_header, 0);
            }
            place(PageComposer::Band::Data, m_data, ++row);
        }
    }

private:
    bool startPage()
    {
        if (m_progress && !m_progress(m_report.pageCount() + 1))
            return false;
        m_report.pages.emplace_back();
        m_page = &m_report.pages.back();
        m_y = m_definition.page.topMargin;
        return true;
    }

    void place(PageComposer::Band band, BandTexts& texts, int rowNumber)
    {
        m_composer.place(band, m_y, texts.evaluate(m_dataSet, rowNumber).data(), *m_page);
        m_y += m_composer.height(band);
    }

    const ReportDefinition& m_definition;
    TDAODataset& m_dataSet;
    const ReportEngine::Progress& m_progress;
    PageComposer m_composer;
    BandTexts m_title, m_header, m_data;
    PreparedReport m_report;
    PreparedPage* m_page = nullptr;
    qreal m_y = 0;
};

} // namespace

TDAODataset& ReportEngine::dataSetOf(const ReportDefinition& definition)
{
    TDAODataset* dataSet = definition.dataSource ? definition.dataSource->DataSet() : nullptr;
    if (!dataSet)
        throw std::invalid_argument(QStringLiteral("The report %1 has no data").arg(definition.name).toStdString());
    return *dataSet;
}

PreparedReport ReportEngine::run(const ReportDefinition& definition, const Progress& progress)
{
    TDAODataset& dataSet = dataSetOf(definition);
    const OpenForRun open(dataSet);
    WholeRun run(definition, dataSet, progress);
    run.execute();
    return run.take();
}
