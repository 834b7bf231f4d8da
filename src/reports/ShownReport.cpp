#include "ShownReport.h"

#include "TField.h"

namespace {
QString queryName(const ReportDefinition& report)
{
    const TDAODataset* query = report.dataSource ? report.dataSource->DataSet() : nullptr;
    return query ? query->Name() : QString();
}
} // namespace

ShownReport::ShownReport(const ReportDefinition& whole, const TDAOQuery& shown)
    : m_query(queryName(whole))
    , m_definition(whole)
{
    m_definition.dataSource = &m_source;
    m_query.setDatabase(shown.Database());
    m_query.setSQL(shown.SQL());
    if (TDAODataset* fields = whole.dataSource ? whole.dataSource->DataSet() : nullptr) {
        for (const auto& f : fields->Fields()) {
            if (f->Calculated())
                m_query.AddCalcField(f->FieldName(), f->DataType(), f->Size());
            else
                m_query.AddField(f->FieldName(), f->DataType(), f->Size());
        }
        m_query.OnCalcFields = fields->OnCalcFields;
    }
    if (shown.Filtered()) {
        m_query.setFilter(shown.Filter());
        m_query.setFiltered(true);
    }
}
