#pragma once

#include "Procedury.h"
#include "TDM.h"

#include <QStringList>

// Steps on the data module as the windows take them, for store tests.
namespace ModuleSteps {

// What the main window and the movie editor open before a movie can be posted.
inline void openMovies(TDM& dm)
{
    for (TDAODataset* ds : std::initializer_list<TDAODataset*>{&dm.qrMovies, &dm.qrMv_Cast, &dm.tbC_Movies,
                                                               &dm.tbD_Movies, &dm.tbA_Movies})
        ds->Open();
}

// A cast member added to the current movie, as "Add cast" does.
inline void addCast(TDM& dm, const QString& name)
{
    dm.qrMv_Cast.Insert();
    dm.qrMv_Cast.FieldByName(QStringLiteral("Name")).SetAsString(name);
    Procedury::PostRecord(dm.qrMv_Cast);
}

// One field of every row a view of the dataset shows, in order.
inline QStringList rows(TDAODataset& ds, const QString& field)
{
    QStringList out;
    for (int r = 0; r < ds.RowCount(); ++r)
        out << ds.rowValue(r, ds.FieldByName(field)).toString();
    return out;
}

} // namespace ModuleSteps
