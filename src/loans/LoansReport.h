#pragma once

#include "ReportDefinition.h"
#include "TDAOQuery.h"
#include "TDataSource.h"

#include <QDate>

class TDAODatabase;

// The list of every item out, printed through the program's report engine and preview like
// the folders' list reports: a title, a silver caption row on every page, one ruled row per
// loan with its running number, overdue loans first.
class LoansReport
{
public:
    explicit LoansReport(TDAODatabase& db);

    // The report as of `today` (which loans are overdue).
    const ReportDefinition& definition(const QDate& today);

    TDAOQuery qrLoans{QStringLiteral("qrLoans")};
    TDataSource dsLoans{QStringLiteral("dsLoans"), &qrLoans};

private:
    ReportDefinition m_definition;
};
