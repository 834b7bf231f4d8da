#include "TRep_PrevForm.h"

#include "CompactReport.h"
#include "ErrorGuard.h"
#include "PreviewArea.h"
#include "ReportPrinter.h"
#include "ReportProgress.h"
#include "ReportRun.h"
#include "ShownReport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

TRep_PrevForm* Rep_PrevForm = nullptr;

TRep_PrevForm::TRep_PrevForm(QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                         | Qt::WindowCloseButtonHint)
    , m_printer(std::make_unique<ReportPrinter>(this))
{
    Rep_PrevForm = this;
    setObjectName(QStringLiteral("Rep_PrevForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(false);
    resize(485, 325);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(33);
    frPreview1 = new PreviewArea(this);
    buildToolbar();
    connect(frPreview1, &PreviewArea::zoomChanged, this, &TRep_PrevForm::showZoomInGroup);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(frPreview1, 1);
    // A remembered whole-page or page-width mode opens with its button down, any other zoom
    // with "Zoom to 100%".
    m_zoomDown = frSpeedButton2;
    showZoomInGroup();
}

TRep_PrevForm::~TRep_PrevForm()
{
    if (Rep_PrevForm == this)
        Rep_PrevForm = nullptr;
}

QToolButton* TRep_PrevForm::button(const QString& name, const QString& icon, const QString& hint,
                                   void (TRep_PrevForm::*handler)())
{
    auto* b = new QToolButton(Panel1);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(24, 24);
    b->setIconSize(QSize(16, 16));
    if (!icon.isEmpty())
        b->setIcon(QIcon(QStringLiteral(":/reports/%1.svg").arg(icon)));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    connect(b, &QToolButton::clicked, this, [this, handler] { ErrorGuard::run([&] { (this->*handler)(); }, this); });
    return b;
}

void TRep_PrevForm::buildToolbar()
{
    frSpeedButton2 = button(QStringLiteral("frSpeedButton2"), QStringLiteral("zoom100"), QStringLiteral("Zoom to 100%"),
                            &TRep_PrevForm::frSpeedButton2Click);
    frSpeedButton1 = button(QStringLiteral("frSpeedButton1"), QStringLiteral("zoom-fit"), QStringLiteral("Zoom to fit"),
                            &TRep_PrevForm::frSpeedButton1Click);
    frSpeedButton3 = button(QStringLiteral("frSpeedButton3"), QStringLiteral("zoom-width"),
                            QStringLiteral("Zoom to page width"), &TRep_PrevForm::frSpeedButton3Click);
    frSpeedButton4 = button(QStringLiteral("frSpeedButton4"), QStringLiteral("first"), QStringLiteral("First page"),
                            &TRep_PrevForm::frSpeedButton4Click);
    frSpeedButton5 = button(QStringLiteral("frSpeedButton5"), QStringLiteral("previous"),
                            QStringLiteral("Previous page"), &TRep_PrevForm::frSpeedButton5Click);
    frSpeedButton6 = button(QStringLiteral("frSpeedButton6"), QStringLiteral("next"), QStringLiteral("Next page"),
                            &TRep_PrevForm::frSpeedButton6Click);
    frSpeedButton7 = button(QStringLiteral("frSpeedButton7"), QStringLiteral("last"), QStringLiteral("Last page"),
                            &TRep_PrevForm::frSpeedButton7Click);
    frSpeedButton10 = button(QStringLiteral("frSpeedButton10"), QStringLiteral("print"), QStringLiteral("Print report"),
                             &TRep_PrevForm::frSpeedButton10Click);
    frSpeedButton10->setFixedWidth(23);
    frSpeedButton11 = button(QStringLiteral("frSpeedButton11"), QString(), QStringLiteral("Close preview"),
                             &TRep_PrevForm::frSpeedButton11Click);
    frSpeedButton11->setText(QStringLiteral("Close"));
    frSpeedButton11->setFixedWidth(57);

    m_zoomGroup = new QButtonGroup(this);
    m_zoomGroup->setExclusive(true);
    for (QToolButton* b : {frSpeedButton2, frSpeedButton1, frSpeedButton3}) {
        b->setCheckable(true);
        m_zoomGroup->addButton(b);
    }

    // Left edges 4, 28, 52 | 88 ... 160 | 196 | 232, as the buttons are laid out on the panel.
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 4, 4, 5);
    row->setSpacing(0);
    for (QToolButton* b : {frSpeedButton2, frSpeedButton1, frSpeedButton3})
        row->addWidget(b);
    row->addSpacing(12);
    for (QToolButton* b : {frSpeedButton4, frSpeedButton5, frSpeedButton6, frSpeedButton7})
        row->addWidget(b);
    row->addSpacing(12);
    row->addWidget(frSpeedButton10);
    row->addSpacing(13);
    row->addWidget(frSpeedButton11);
    row->addSpacing(16);
    chShown = new QCheckBox(QStringLiteral("Only the items shown"), Panel1);
    chShown->setObjectName(QStringLiteral("chShown"));
    chShown->setToolTip(QStringLiteral("The same report over the folder's category and sort order"));
    chShown->setVisible(false);
    row->addWidget(chShown);
    connect(chShown, &QCheckBox::toggled, this, [this](bool only) {
        const ReportDefinition* definition
            = only ? (m_shown ? &m_shown->definition() : nullptr) : (m_whole ? &*m_whole : nullptr);
        if (definition)
            ErrorGuard::run([&] { prepare(*definition); }, this);
    });
    row->addStretch(1);
}

QToolButton* TRep_PrevForm::zoomButtonFor(const ZoomState& zoom) const
{
    switch (zoom.mode) {
    case ZoomState::Mode::FixedScale:
        return qFuzzyCompare(zoom.scale, 1.0) ? frSpeedButton2 : nullptr;
    case ZoomState::Mode::WholePage:
        return frSpeedButton1;
    case ZoomState::Mode::PageWidth:
        return frSpeedButton3;
    case ZoomState::Mode::TwoPages:
        return nullptr;
    }
    return nullptr;
}

void TRep_PrevForm::showZoomInGroup()
{
    if (QToolButton* b = zoomButtonFor(ZoomState::current()))
        m_zoomDown = b;
    // Also after a click that changed nothing (a preview without pages): the button of the
    // zoom in force, or the one down before, stays down.
    m_zoomDown->setChecked(true);
}

void TRep_PrevForm::prepare(const ReportDefinition& definition)
{
    frPreview1->clear();
    auto run = std::make_unique<ReportRun>(definition);
    const QDeadlineTimer firstStep(m_firstStepMilliseconds);
    // Until page 1 is whole (the run has begun page 2) or the run is finished.
    while (!run->step(firstStep) && run->pages().pageCount() < 2) { }
    frPreview1->setRun(std::move(run));
}

void TRep_PrevForm::setStepMilliseconds(int firstStep, int step)
{
    m_firstStepMilliseconds = firstStep;
    frPreview1->setStepMilliseconds(step);
}

void TRep_PrevForm::showReport(const ReportDefinition& definition, QWidget* owner, std::unique_ptr<ShownReport> shown)
{
    auto* form = new TRep_PrevForm(owner);
    form->m_whole = definition;
    form->m_shown = std::move(shown);
    form->chShown->setVisible(form->m_shown != nullptr);
    ErrorGuard::run([&] { form->prepare(*form->m_whole); }, owner);
    form->setWindowTitle(definition.title);
    form->setWindowState(Qt::WindowMaximized);
    form->exec();
}

void TRep_PrevForm::frSpeedButton2Click()
{
    frPreview1->setFixedScale(100);
    showZoomInGroup();
}

void TRep_PrevForm::frSpeedButton1Click()
{
    frPreview1->zoomWholePage();
    showZoomInGroup();
}

void TRep_PrevForm::frSpeedButton3Click()
{
    frPreview1->zoomPageWidth();
    showZoomInGroup();
}

void TRep_PrevForm::frSpeedButton4Click()
{
    frPreview1->goToPage(1);
}

void TRep_PrevForm::frSpeedButton5Click()
{
    frPreview1->goToPage(frPreview1->currentPage() - 1);
}

void TRep_PrevForm::frSpeedButton6Click()
{
    frPreview1->goToPage(frPreview1->currentPage() + 1);
}

void TRep_PrevForm::frSpeedButton7Click()
{
    frPreview1->goToPage(frPreview1->pageCount());
}

void TRep_PrevForm::frSpeedButton10Click()
{
    const CompactReport* pages = frPreview1->pages();
    if (!pages || pages->isEmpty())
        return;
    if (!frPreview1->countComplete()) {
        // The print dialog offers the pages there are: all of them are made first.
        ReportProgress progress(QStringLiteral("Report preparing - ") + pages->name(), this);
        const bool complete = frPreview1->completeCount(
            [&](int page) { return progress.report(QStringLiteral("Processing page: %1").arg(page)); });
        progress.hide();
        if (!complete)
            return;
    }
    m_printer->printWithDialog(*frPreview1->pages(), frPreview1->currentPage());
}

void TRep_PrevForm::frSpeedButton11Click()
{
    close();
}

void TRep_PrevForm::keyPressEvent(QKeyEvent* event)
{
    // The preview has no keyboard shortcut of its own: Escape leaves it open.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TRep_PrevForm::FormClose()
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void TRep_PrevForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}
