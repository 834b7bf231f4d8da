#include "TMusicForm.h"

#include "ProceduryDialogs.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TSongForm.h"

#include <QPushButton>

TMusicForm* MusicForm = nullptr;

TMusicForm::TMusicForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Music"), {469, 406}, dm, dm.dsMusic)
    , m_instance(MusicForm, this)
{
    setObjectName(QStringLiteral("MusicForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(
        fields,
        {
            {{.label = QStringLiteral("Category:"),
              .field = QStringLiteral("Category"),
              .kind = K::List,
              .width = 145,
              .name = QStringLiteral("cbC_Music"),
              .list = &dm.tbC_Music}},
            {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .strong = true}},
            {{.label = QStringLiteral("Artist:"),
              .field = QStringLiteral("Artist"),
              .kind = K::List,
              .name = QStringLiteral("cbA_Music"),
              .list = &dm.tbA_Music}},
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
              .items = {QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("VHS"), QStringLiteral("MD"),
                        QStringLiteral("Tape")}}},
            {{.label = QStringLiteral("Songs:"), .kind = K::Widget, .make = [this](QWidget* p) { return songs(p); }}},
            {{.label = QStringLiteral("Description:"),
              .field = QStringLiteral("Description"),
              .kind = K::Memo,
              .height = 91}},
        });
    // Enter right after the editor opens closes it: the focus starts on Cancel.
    finish(fields, btCancel);
}

QWidget* TMusicForm::songs(QWidget* parent)
{
    return detailList(parent,
                      {.name = QStringLiteral("gridMu_Songs"),
                       .spoken = QStringLiteral("Songs"),
                       .source = &dm().dsMu_Songs,
                       .columns = {{QStringLiteral("Track"), QStringLiteral("Track"), 35},
                                   {QStringLiteral("Title"), QStringLiteral("Title"), 170},
                                   {QStringLiteral("Time"), QStringLiteral("Time"), 45}},
                       .drawn = {291, 119},
                       .add = [this] { RxSpeedButton1Click(); },
                       .remove = [this] { RxSpeedButton3Click(); }},
                      &gridMu_Songs);
}

void TMusicForm::RxSpeedButton1Click()
{
    TSongForm::addSong(this, dm());
}

void TMusicForm::RxSpeedButton3Click()
{
    Procedury::ConfirmDelete(dm().qrMu_Songs);
}
