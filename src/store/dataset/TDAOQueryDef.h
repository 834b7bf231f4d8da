#pragma once

#include "TParam.h"

#include <QString>

class TDAODatabase;

// A stored, named action statement of the catalogue, run with positional parameters.
// The text comes from the file, which may have come from anybody: a statement may only do
// what the program declared it is for (change or delete rows of one table); anything else
// (another table, ATTACH, VACUUM INTO, a PRAGMA, a transaction of its own) is refused unrun.
class TDAOQueryDef
{
public:
    enum class Effect { None, Update, Delete };

    explicit TDAOQueryDef(QString name);

    const QString& Name() const { return m_name; }
    TDAODatabase* Database() const { return m_database; }
    void setDatabase(TDAODatabase* database) { m_database = database; }
    const QString& QueryDefName() const { return m_queryDefName; }
    void setQueryDefName(const QString& value) { m_queryDefName = value; }
    TParams& Params() { return m_params; }
    TParam& ParamByName(const QString& name) { return m_params.ParamByName(name); }

    // What the statement is allowed to do: update or delete rows of `table`.
    void setPermittedEffect(Effect effect, const QString& table);

    // Runs the statement once; engine failures are raised as EDAOError.
    void Execute(int options = 0);
    int RecordsAffected() const { return m_recordsAffected; }

private:
    QString storedText();

    QString m_name;
    TDAODatabase* m_database = nullptr;
    QString m_queryDefName;
    TParams m_params;
    int m_recordsAffected = 0;
    Effect m_effect = Effect::None;
    QString m_effectTable;
};
