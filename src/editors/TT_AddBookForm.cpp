#include "TT_AddBookForm.h"

#include "TDM.h"

TT_AddBookForm* T_AddBookForm = nullptr;

namespace {

const LookupListDefinition& addBookLists()
{
    static const LookupListDefinition d{QStringLiteral("T_AddBookForm"),
                                        QStringLiteral("Tools - addres book"),
                                        {LookupListDefinition::categories(&TDM::tbC_AddBook)},
                                        &TDM::dsT_AddBook,
                                        QStringLiteral("gridT_AddBook"),
                                        QString()};
    return d;
}

} // namespace

TT_AddBookForm::TT_AddBookForm(QWidget* owner, TDM& dm)
    : LookupListForm(owner, dm, addBookLists())
    , m_instance(T_AddBookForm, this)
{
}
