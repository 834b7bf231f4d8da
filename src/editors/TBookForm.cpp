#include "TBookForm.h"

#include "TDM.h"

TBookForm* BookForm = nullptr;

TBookForm::TBookForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Book"), {469, 297}, dm, dm.dsBooks)
    , m_instance(BookForm, this)
{
    setObjectName(QStringLiteral("BookForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(fields, {
                          {{.label = QStringLiteral("Category:"),
                            .field = QStringLiteral("Category"),
                            .kind = K::List,
                            .width = 145,
                            .name = QStringLiteral("cbC_Book"),
                            .list = &dm.tbC_Books}},
                          {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .strong = true}},
                          {{.label = QStringLiteral("Author:"),
                            .field = QStringLiteral("Author"),
                            .kind = K::List,
                            .name = QStringLiteral("cbA_Book"),
                            .list = &dm.tbA_Books}},
                          {{.label = QStringLiteral("Year:"),
                            .field = QStringLiteral("Year"),
                            .kind = K::Number,
                            .width = 57,
                            .maxChars = 4},
                           {.label = QStringLiteral("Total pages:"),
                            .field = QStringLiteral("Tot_pg"),
                            .kind = K::Number,
                            .width = 57}},
                          {{.label = QStringLiteral("Date acquired:"),
                            .field = QStringLiteral("Date_aq"),
                            .kind = K::Date,
                            .width = 105}},
                          {{.label = QStringLiteral("Publishers:"), .field = QStringLiteral("Publishers")}},
                          {{.label = QStringLiteral("Description:"),
                            .field = QStringLiteral("Description"),
                            .kind = K::Memo,
                            .height = 117}},
                      });
    finish(fields);
}
