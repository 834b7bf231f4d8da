#pragma once

#include "TParam.h"

#include <QString>

class TDAODatabase;

// A stored, named action statement of the catalogue, run with positional parameters.
class TDAOQueryDef
{
public:
    explicit TDAOQueryDef(QString name);

    const QString& Name() const { return m_name; }
    TDAODatabase* Database() const { return m_database; }
    void setDatabase(TDAODatabase* database) { m_database = database; }
    const QString& QueryDefName() const { return m_queryDefName; }
    void setQueryDefName(const QString& value) { m_queryDefName = value; }
    TParams& Params() { return m_params; }
    TParam& ParamByName(const QString& name) { return m_params.ParamByName(name); }

    // Runs the statement once; engine failures are raised as EDAOError.
    void Execute(int options = 0);
    int RecordsAffected() const { return m_recordsAffected; }

private:
    QString m_name;
    TDAODatabase* m_database = nullptr;
    QString m_queryDefName;
    TParams m_params;
    int m_recordsAffected = 0;
};
