#include "TProgForm.h"

#include "TDM.h"

TProgForm* ProgForm = nullptr;

TProgForm::TProgForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Program"), {469, 316}, dm, dm.dsProg)
    , m_instance(ProgForm, this)
{
    setObjectName(QStringLiteral("ProgForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(fields, {
                          {{.label = QStringLiteral("Media number:"), .field = QStringLiteral("M_no"), .width = 73},
                           {.label = QStringLiteral("Category:"),
                            .field = QStringLiteral("Category"),
                            .kind = K::List,
                            .name = QStringLiteral("cbC_Prog"),
                            .list = &dm.tbC_Programs}},
                          {{.label = QStringLiteral("Name:"), .field = QStringLiteral("Name"), .strong = true}},
                          {{.label = QStringLiteral("Version:"), .field = QStringLiteral("Version"), .width = 97},
                           {.label = QStringLiteral("Size:"), .field = QStringLiteral("Size"), .width = 97}},
                          {{.label = QStringLiteral("Year:"),
                            .field = QStringLiteral("Year"),
                            .kind = K::Number,
                            .width = 57,
                            .maxChars = 4},
                           {.label = QStringLiteral("Media type:"),
                            .field = QStringLiteral("Media_type"),
                            .kind = K::FixedList,
                            .width = 97,
                            .items = {QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("HDD"),
                                      QStringLiteral("Floppy"), QStringLiteral("ZIP"), QStringLiteral("JAZ")}}},
                          {{.label = QStringLiteral("Date acquired:"),
                            .field = QStringLiteral("Date_aq"),
                            .kind = K::Date,
                            .width = 105}},
                          {{.label = QStringLiteral("Author:"), .field = QStringLiteral("Author")}},
                          {{.label = QStringLiteral("Description:"),
                            .field = QStringLiteral("Description"),
                            .kind = K::Memo,
                            .height = 139}},
                      });
    finish(fields);
}
