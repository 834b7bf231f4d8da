#pragma once

#include "FolderDefinition.h"

#include <QWidget>

class CaptionStrip;
class DetailsForm;
class DetailsPicture;
class QSplitter;
class QToolButton;
class TDBGrid;
class TDBRichView;
class TDM;

// One folder of the main window: its grid on the left; on the right the Details pane above
// and, below, the cast or song list and the description.
class FolderPanel : public QWidget
{
public:
    FolderPanel(const FolderDefinition& definition, TDM& dm, QWidget* parent = nullptr);

    const FolderDefinition& definition() const { return m_definition; }
    TDBGrid* grid() const { return m_grid; }
    TDBGrid* detailList() const { return m_detailList; }
    QToolButton* addDetailButton() const { return m_addDetail; }
    QToolButton* deleteDetailButton() const { return m_deleteDetail; }
    TDBRichView* description() const { return m_description; }
    QWidget* detailsPane() const { return m_details; }
    // The label and value pairs at the top of the Details pane (the names in the address book).
    DetailsForm* detailsForm() const { return m_form; }
    DetailsPicture* picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildDetails(TDM& dm);
    QWidget* buildAddressDetails(TDM& dm);
    QWidget* buildLower(TDM& dm);
    QWidget* buildDescription(TDM& dm);
    DetailsPicture* picture(TDM& dm);
    void applyProportions();

    const FolderDefinition& m_definition;
    TDBGrid* m_grid = nullptr;
    TDBGrid* m_detailList = nullptr;
    QToolButton* m_addDetail = nullptr;
    QToolButton* m_deleteDetail = nullptr;
    TDBRichView* m_description = nullptr;
    DetailsPicture* m_picture = nullptr;
    QWidget* m_details = nullptr;
    DetailsForm* m_form = nullptr;
    QSplitter* m_across = nullptr;
    QSplitter* m_right = nullptr;
    QSplitter* m_lower = nullptr;
    bool m_proportioned = false;
};
