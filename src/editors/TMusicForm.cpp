#include "TMusicForm.h"

#include "ProceduryDialogs.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TSongForm.h"

#include <QGridLayout>
#include <QPushButton>

TMusicForm* MusicForm = nullptr;

TMusicForm::TMusicForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("Music"), {469, 406}, dm, dm.dsMusic)
    , m_instance(MusicForm, this)
{
    setObjectName(QStringLiteral("MusicForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(fields, {
        {{.label = QStringLiteral("Category:"), .field = QStringLiteral("Category"), .kind = K::List, .width = 145,
          .name = QStringLiteral("cbC_Music"), .list = &dm.tbC_Music}},
        {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .strong = true}},
        {{.label = QStringLiteral("Artist:"), .field = QStringLiteral("Artist"), .kind = K::List,
          .name = QStringLiteral("cbA_Music"), .list = &dm.tbA_Music}},
        {{.label = QStringLiteral("Year:"), .field = QStringLiteral("Year"), .kind = K::Number, .width = 57, .maxChars = 4},
         {.label = QStringLiteral("Total time:"), .field = QStringLiteral("Tot_time"), .width = 73}},
        {{.label = QStringLiteral("Date acquired:"), .field = QStringLiteral("Date_aq"), .kind = K::Date, .width = 105},
         {.label = QStringLiteral("Media type:"), .field = QStringLiteral("Media_type"), .kind = K::FixedList, .width = 73,
          .items = {QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("VHS"), QStringLiteral("MD"),
                    QStringLiteral("Tape")}}},
        {{.label = QStringLiteral("Songs:"), .kind = K::Widget, .make = [this](QWidget* p) { return songs(p); }}},
        {{.label = QStringLiteral("Description:"), .field = QStringLiteral("Description"), .kind = K::Memo, .height = 91}},
    });
    // Enter right after the editor opens closes it: the focus starts on Cancel.
    finish(fields, btCancel);
}

QWidget* TMusicForm::songs(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    gridMu_Songs = new TDBGrid(box);
    gridMu_Songs->setObjectName(QStringLiteral("gridMu_Songs"));
    gridMu_Songs->setAccessibleName(QStringLiteral("Songs"));
    gridMu_Songs->setColumns({{QStringLiteral("Track"), QStringLiteral("Track"), 35},
                              {QStringLiteral("Title"), QStringLiteral("Title"), 170},
                              {QStringLiteral("Time"), QStringLiteral("Time"), 45}});
    gridMu_Songs->setDataSource(&dm().dsMu_Songs);
    gridMu_Songs->setFixedSize(scaled({291, 119}));
    joinTabOrder(gridMu_Songs);
    QPushButton* add = button(QStringLiteral("Add"), {55, 20}, [this] { RxSpeedButton1Click(); });
    add->setObjectName(QStringLiteral("RxSpeedButton1"));
    QPushButton* remove = button(QStringLiteral("Delete"), {55, 20}, [this] { RxSpeedButton3Click(); });
    remove->setObjectName(QStringLiteral("RxSpeedButton3"));
    joinTabOrder(add);
    joinTabOrder(remove);
    layout->addWidget(gridMu_Songs, 0, 0, 1, 3, Qt::AlignLeft);
    layout->addWidget(add, 1, 0);
    layout->addWidget(remove, 1, 1);
    layout->setColumnStretch(2, 1);
    return box;
}

void TMusicForm::RxSpeedButton1Click()
{
    dm().qrMu_Songs.Insert();
    (new TSongForm(this, dm()))->showModal();
}

void TMusicForm::RxSpeedButton3Click()
{
    Procedury::ConfirmDelete(dm().qrMu_Songs);
}
