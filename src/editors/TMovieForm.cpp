#include "TMovieForm.h"

#include "ProceduryDialogs.h"
#include "TDBCheckBoxGroup.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TItemAllForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

TMovieForm* MovieForm = nullptr;

TMovieForm::TMovieForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Movie"), {469, 404}, dm, dm.dsMovies)
    , m_instance(MovieForm, this)
{
    setObjectName(QStringLiteral("MovieForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(fields, {
        {{.label = QStringLiteral("Media number:"), .field = QStringLiteral("M_no"), .width = 73},
         {.label = QStringLiteral("Category:"), .field = QStringLiteral("Category"), .kind = K::List,
          .name = QStringLiteral("cbC_Movie"), .list = &dm.tbC_Movies}},
        {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .strong = true}},
        {{.label = QStringLiteral("Year:"), .field = QStringLiteral("Year"), .kind = K::Number, .width = 57, .maxChars = 4},
         {.label = QStringLiteral("Total time:"), .field = QStringLiteral("Tot_time"), .width = 73}},
        {{.label = QStringLiteral("Date acquired:"), .field = QStringLiteral("Date_aq"), .kind = K::Date, .width = 105},
         {.label = QStringLiteral("Media type:"), .field = QStringLiteral("Media_type"), .kind = K::FixedList, .width = 73,
          .items = {QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("VHS")}}},
        {{.label = QStringLiteral("Director:"), .field = QStringLiteral("Director"), .kind = K::List,
          .name = QStringLiteral("cbD_Movie"), .list = &dm.tbD_Movies}},
        {{.kind = K::Widget, .make = [this](QWidget* p) { return properties(p); }}},
        {{.label = QStringLiteral("Cast:"), .kind = K::Widget, .make = [this](QWidget* p) { return cast(p); }}},
        {{.label = QStringLiteral("Description:"), .field = QStringLiteral("Description"), .kind = K::Memo, .height = 77}},
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
    group->setAccessibleName(QStringLiteral("Properties"));
    group->setDataSource(&dm().dsMovies);
    group->setDataField(QStringLiteral("Prop"));
    group->setMinimumHeight(scaledHeight(55));
    for (QWidget* box : group->findChildren<QCheckBox*>())
        joinTabOrder(box);
    return group;
}

QWidget* TMovieForm::cast(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    gridMv_Cast = new TDBGrid(box);
    gridMv_Cast->setObjectName(QStringLiteral("gridMv_Cast"));
    gridMv_Cast->setAccessibleName(QStringLiteral("Cast"));
    gridMv_Cast->setColumns({{QStringLiteral("Name"), QStringLiteral("Name"), 190}});
    gridMv_Cast->setDataSource(&dm().dsMv_Cast);
    gridMv_Cast->setFixedSize(scaled({231, 107}));
    joinTabOrder(gridMv_Cast);
    QPushButton* add = button(QStringLiteral("Add"), {55, 20}, [this] { RxSpeedButton1Click(); });
    add->setObjectName(QStringLiteral("RxSpeedButton1"));
    QPushButton* remove = button(QStringLiteral("Delete"), {55, 20}, [this] { RxSpeedButton3Click(); });
    remove->setObjectName(QStringLiteral("RxSpeedButton3"));
    joinTabOrder(add);
    joinTabOrder(remove);
    layout->addWidget(gridMv_Cast, 0, 0, 3, 1, Qt::AlignLeft);
    layout->addWidget(add, 0, 1, Qt::AlignTop);
    layout->addWidget(remove, 1, 1, Qt::AlignTop);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(2, 1);
    return box;
}

void TMovieForm::RxSpeedButton1Click()
{
    TItemAllForm::addCast(this, dm());
}

void TMovieForm::RxSpeedButton3Click()
{
    Procedury::ConfirmDelete(dm().qrMv_Cast);
}
