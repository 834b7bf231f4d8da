#include "TSongForm.h"

#include "TDBSpinEdit.h"
#include "TDM.h"

// A new song's proposed number is one the track box can show.
static_assert(TDM::kHighestTrack == TDBSpinEdit::highest);

TSongForm* SongForm = nullptr;

TSongForm::TSongForm(QWidget* owner, TDM& dm)
    : ItemEditor(owner, QStringLiteral("New song"), {298, 97}, dm, dm.dsMu_Songs)
    , m_instance(SongForm, this)
{
    setObjectName(QStringLiteral("SongForm"));
    using K = EditorField::Kind;
    auto* fields = new QWidget(this);
    addFields(fields,
              {
                  {{.label = QStringLiteral("Track:"), .field = QStringLiteral("Track"), .kind = K::Spin, .width = 61}},
                  {{.label = QStringLiteral("Title:"), .field = QStringLiteral("Title"), .width = 167}},
                  {{.label = QStringLiteral("Time:"), .field = QStringLiteral("Time"), .width = 61}},
              });
    finish(fields, controlWidget(QStringLiteral("Title")));
}

void TSongForm::addSong(QWidget* owner, TDM& dm)
{
    dm.qrMu_Songs.Insert();
    (new TSongForm(owner, dm))->showModal();
}
