#include "TT_ProgForm.h"

#include "TDM.h"

TT_ProgForm* T_ProgForm = nullptr;

namespace {

const LookupListDefinition& progLists()
{
    static const LookupListDefinition d{QStringLiteral("T_ProgForm"),
                                        QStringLiteral("Tools - programs"),
                                        {LookupListDefinition::categories(&TDM::tbC_Programs)},
                                        &TDM::dsT_Prog,
                                        QStringLiteral("gridT_Prog"),
                                        QString()};
    return d;
}

} // namespace

TT_ProgForm::TT_ProgForm(QWidget* owner, TDM& dm)
    : LookupListForm(owner, dm, progLists())
    , m_instance(T_ProgForm, this)
{
}
