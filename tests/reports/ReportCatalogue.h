#pragma once

#include "CatalogueReports.h"
#include "ReportEngine.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

// A data module over a temporary catalogue filled by `setupSql`, with the five reports.
class ReportCatalogue
{
public:
    explicit ReportCatalogue(const QString& setupSql = QString())
        : dm(cat.folder())
    {
        dm.DataModuleCreate();
        if (!setupSql.isEmpty())
            exec(setupSql);
    }

    void exec(const QString& sql) { SqliteStatement::exec(dm.dbKOLT.handle(), sql); }

    PreparedReport run(int folder, const ReportEngine::Progress& progress = {})
    {
        const CatalogueReports reports(dm);
        return ReportEngine::run(reports.byFolder(folder), progress);
    }

    TempCatalogue cat;
    TDM dm;
};

// `count` movies titled T001, T002, ... in category Drama.
inline QString movies(int count)
{
    return QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                          "insert into Movies (Category, Title, Media_type, M_no) "
                          "select 'Drama', printf('T%03d', i), 'CD', printf('M%d', i) from n;")
        .arg(count);
}
