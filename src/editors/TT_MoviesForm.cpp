#include "TT_MoviesForm.h"

#include "TDM.h"

TT_MoviesForm* T_MoviesForm = nullptr;

namespace {

const LookupListDefinition& moviesLists()
{
    static const LookupListDefinition d{
        QStringLiteral("T_MoviesForm"),
        QStringLiteral("Tools - movies"),
        {LookupListDefinition::categories(&TDM::tbC_Movies),
         {QStringLiteral("Directors"), &TDM::tbD_Movies, QStringLiteral("Add director"),
          QStringLiteral("Edit director")},
         {QStringLiteral("Actors"), &TDM::tbA_Movies, QStringLiteral("Add actor"), QStringLiteral("Edit actor")}},
        &TDM::dsT_Movies,
        QStringLiteral("gridT_Mov"),
        QStringLiteral("tcT_Mov")};
    return d;
}

} // namespace

TT_MoviesForm::TT_MoviesForm(QWidget* owner, TDM& dm)
    : LookupListForm(owner, dm, moviesLists())
    , m_instance(T_MoviesForm, this)
{
}
