#include "TT_MusicForm.h"

#include "TDM.h"

TT_MusicForm* T_MusicForm = nullptr;

namespace {

const LookupListDefinition& musicLists()
{
    static const LookupListDefinition d{
        QStringLiteral("T_MusicForm"),
        QStringLiteral("Tools - music"),
        {LookupListDefinition::categories(&TDM::tbC_Music),
         {QStringLiteral("Artists"), &TDM::tbA_Music, QStringLiteral("Add artist"), QStringLiteral("Edit artist")}},
        &TDM::dsT_Music,
        QStringLiteral("gridT_Music"),
        QStringLiteral("tcT_Music")};
    return d;
}

} // namespace

TT_MusicForm::TT_MusicForm(QWidget* owner, TDM& dm)
    : LookupListForm(owner, dm, musicLists())
    , m_instance(T_MusicForm, this)
{
}
