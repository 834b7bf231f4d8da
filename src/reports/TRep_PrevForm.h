#pragma once

#include "ReportDefinition.h"
#include "ShownReport.h"

#include <QDialog>
#include <memory>
#include <optional>

class PreviewArea;
class QButtonGroup;
class QCheckBox;
class QToolButton;
class ReportPrinter;
struct ZoomState;

// The print preview: a toolbar over the preview area of one report run. Created by each
// print command, shown modally, freed when it closes.
class TRep_PrevForm : public QDialog
{
    Q_OBJECT

public:
    explicit TRep_PrevForm(QWidget* owner);
    ~TRep_PrevForm() override;

    // The print command's work: runs the report into this window's preview area, sets the
    // caption and shows the window modally. An error of the run is shown in the standard error
    // box and the window opens without pages. With `shown`, the window offers "Only the items
    // shown", which runs that report instead. The window keeps copies of both.
    static void showReport(const ReportDefinition& definition, QWidget* owner,
                           std::unique_ptr<ShownReport> shown = nullptr);

    // Runs the report into the preview area: page 1 at once (a short report whole), the rest
    // in steps while the window is shown. Errors of the run reach the caller, with the preview
    // left without pages.
    void prepare(const ReportDefinition& definition);
    // How long the run goes on before the window shows (at least until page 1 is whole), and
    // how long each later step may keep the window from its events.
    void setStepMilliseconds(int firstStep, int step);

    PreviewArea* frPreview1 = nullptr;
    QWidget* Panel1 = nullptr;
    QToolButton* frSpeedButton2 = nullptr;  // Zoom to 100%
    QToolButton* frSpeedButton1 = nullptr;  // Zoom to fit
    QToolButton* frSpeedButton3 = nullptr;  // Zoom to page width
    QToolButton* frSpeedButton4 = nullptr;  // First page
    QToolButton* frSpeedButton5 = nullptr;  // Previous page
    QToolButton* frSpeedButton6 = nullptr;  // Next page
    QToolButton* frSpeedButton7 = nullptr;  // Last page
    QToolButton* frSpeedButton10 = nullptr; // Print report
    QToolButton* frSpeedButton11 = nullptr; // Close
    QCheckBox* chShown = nullptr;           // "Only the items shown"

    void frSpeedButton1Click();
    void frSpeedButton2Click();
    void frSpeedButton3Click();
    void frSpeedButton4Click();
    void frSpeedButton5Click();
    void frSpeedButton6Click();
    void frSpeedButton7Click();
    void frSpeedButton10Click();
    void frSpeedButton11Click();

    ReportPrinter& printer() { return *m_printer; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    void buildToolbar();
    QToolButton* button(const QString& name, const QString& icon, const QString& hint,
                        void (TRep_PrevForm::*handler)());
    // The zoom button that stands for `zoom`; none for a fixed scale other than 100 % or two
    // pages.
    QToolButton* zoomButtonFor(const ZoomState& zoom) const;
    // Exactly one zoom button is down: the one of the zoom in force, or, for a zoom that no
    // button stands for, the one that was down before.
    void showZoomInGroup();

    QButtonGroup* m_zoomGroup = nullptr;
    std::optional<ReportDefinition> m_whole;
    std::unique_ptr<ShownReport> m_shown;
    QToolButton* m_zoomDown = nullptr;
    std::unique_ptr<ReportPrinter> m_printer;
    int m_firstStepMilliseconds = 200;
};

// The preview on show, if any.
extern TRep_PrevForm* Rep_PrevForm;
