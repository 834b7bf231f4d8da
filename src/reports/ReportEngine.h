#pragma once

#include "PreparedReport.h"
#include "ReportDefinition.h"

#include <functional>

class TDAODataset;

// Runs a report definition over its data source into prepared pages, in one pass: the
// report title and the page header on page 1, then one master-data band per record, a new
// page with its page header whenever the next band would cross the bottom margin.
class ReportEngine
{
public:
    // Told the number of the page being made, now and then; answering false stops the run,
    // and the pages made so far are the result.
    using Progress = std::function<bool(int page)>;

    // Opens the report query anew (so every record posted so far is read), reads it from the
    // first record to the last and closes it again, also when the run fails.
    static PreparedReport run(const ReportDefinition& definition, const Progress& progress = {});

    // The query a definition reads; raises when it has none.
    static TDAODataset& dataSetOf(const ReportDefinition& definition);
};
