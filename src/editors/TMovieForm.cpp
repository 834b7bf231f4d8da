#include "TMovieForm.h"

#include "ProceduryDialogs.h"
#include "TDBCheckBoxGroup.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TItemAllForm.h"

#include <QCheckBox>

TMovieForm* MovieForm = nullptr;

TMovieForm::TMovieForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Movie"), {469, 404}, dm, dm.dsMovies)
    , m_instance(MovieForm, this)
{
    setObjectName(QStringLiteral("MovieForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(
        fields,
        {
            {{.label = QStringLiteral("Media number:"), .field = QStringLiteral("M_no"), .width = 73},
             {.label = QStringLiteral("Category:"),
              .field = QStringLiteral("Category"),
              .kind = K::List,
              .name = QStringLiteral("cbC_Movie"),
              .list = &dm.tbC_Movies}},
            {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .strong = true}},
            {{.label = QStringLiteral("Year:"),
              .field = QStringLiteral("Year"),
              .kind = K::Number,
              .width = 57,
              .maxChars = 4},
             {.label = QStringLiteral("Total time:"), .field = QStringLiteral("Tot_time"), .width = 73}},
            {{.label = QStringLiteral("Date acquired:"),
              .field = QStringLiteral("Date_aq"),
              .kind = K::Date,
              .width = 105},
             {.label = QStringLiteral("Media type:"),
              .field = QStringLiteral("Media_type"),
              .kind = K::FixedList,
              .width = 73,
              .items = {QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("VHS")}}},
            {{.label = QStringLiteral("Director:"),
              .field = QStringLiteral("Director"),
              .kind = K::List,
              .name = QStringLiteral("cbD_Movie"),
              .list = &dm.tbD_Movies}},
            {{.kind = K::Widget,
              .make = [this](QWidget* p) { return properties(p); },
              .spoken = QStringLiteral("Properties")}},
            {{.label = QStringLiteral("Cast:"), .kind = K::Widget, .make = [this](QWidget* p) { return cast(p); }}},
            {{.label = QStringLiteral("Description:"),
              .field = QStringLiteral("Description"),
              .kind = K::Memo,
              .height = 77}},
        });
    finish(fields);
}

QWidget* TMovieForm::properties(QWidget* parent)
{
    auto* group = new TDBCheckBoxGroup(QStringLiteral("Properties"),
                                       {QStringLiteral("color"), QStringLiteral("stereo"), QStringLiteral("widescreen"),
                                        QStringLiteral("HiFi"), QStringLiteral("dolby surround")},
                                       2, parent);
    group->setObjectName(QStringLiteral("Prop"));
    group->setDataSource(&source());
    group->setDataField(QStringLiteral("Prop"));
    group->setMinimumHeight(scaledHeight(55));
    for (QCheckBox* box : group->boxes())
        joinTabOrder(box);
    return group;
}

QWidget* TMovieForm::cast(QWidget* parent)
{
    return detailList(parent,
                      {.name = QStringLiteral("gridMv_Cast"),
                       .spoken = QStringLiteral("Cast"),
                       .source = &dm().dsMv_Cast,
                       .columns = {{QStringLiteral("Name"), QStringLiteral("Name"), 190}},
                       .drawn = {231, 107},
                       .buttonsBeside = true,
                       .add = [this] { RxSpeedButton1Click(); },
                       .remove = [this] { RxSpeedButton3Click(); }},
                      &gridMv_Cast);
}

void TMovieForm::RxSpeedButton1Click()
{
    TItemAllForm::addCast(this, dm());
}

void TMovieForm::RxSpeedButton3Click()
{
    Procedury::ConfirmDelete(dm().qrMv_Cast);
}
