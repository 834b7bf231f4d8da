#pragma once

#include "ReportDefinition.h"
#include "TDAOQuery.h"
#include "TDataSource.h"

// A folder's list report over exactly what the folder shows: the same layout, run over a
// query with the folder query's statement (its sort) and category filter, and the fields
// of the report's own query.
class ShownReport
{
public:
    ShownReport(const ReportDefinition& whole, const TDAOQuery& shown);
    ShownReport(const ShownReport&) = delete;
    ShownReport& operator=(const ShownReport&) = delete;

    const ReportDefinition& definition() const { return m_definition; }

private:
    // Named as the report's own query, which its cells name.
    TDAOQuery m_query;
    TDataSource m_source{QStringLiteral("dsREP_Shown"), &m_query};
    ReportDefinition m_definition;
};
