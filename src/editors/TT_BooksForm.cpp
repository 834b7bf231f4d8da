#include "TT_BooksForm.h"

#include "TDM.h"

TT_BooksForm* T_BooksForm = nullptr;

namespace {

const LookupListDefinition& booksLists()
{
    static const LookupListDefinition d{
        QStringLiteral("T_BooksForm"),
        QStringLiteral("Tools - books"),
        {LookupListDefinition::categories(&TDM::tbC_Books),
         {QStringLiteral("Authors"), &TDM::tbA_Books, QStringLiteral("Add author"), QStringLiteral("Edit author")}},
        &TDM::dsT_Books,
        QStringLiteral("gridT_Books"),
        QStringLiteral("tcT_Books")};
    return d;
}

} // namespace

TT_BooksForm::TT_BooksForm(QWidget* owner, TDM& dm)
    : LookupListForm(owner, dm, booksLists())
    , m_instance(T_BooksForm, this)
{
}
