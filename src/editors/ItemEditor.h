#pragma once

#include "EditorField.h"
#include "GridColumn.h"
#include "KoltDialog.h"

#include <QHash>
#include <vector>

class BoundControl;
class PictureBox;
class QGridLayout;
class QPushButton;
class TDAODataset;
class TDataSource;
class TDBComboBox;
class TDBGrid;
class TDM;

// What the editors of an item (and of a song) share: labelled controls laid out from a table,
// bound to the current record of one query, OK and Cancel at the top right. OK posts the
// record and closes only when the post succeeded; Cancel closes; closing by any means cancels
// what was not posted. The editable lists are filled from their lookup tables when the editor
// opens and are not refreshed while it is open.
class ItemEditor : public KoltDialog
{
    Q_OBJECT

public:
    // The record edited is the current one of `source`'s dataset (inserted by the caller, or
    // left in browse state until the first change).
    ItemEditor(QWidget* owner, const QString& caption, QSize drawn, TDM& dm, TDataSource& source);

    void btOKClick();
    void btCancelClick();

    QPushButton* btOK = nullptr;
    QPushButton* btCancel = nullptr;

    // The control bound to a field (for the editor's own code and for tests).
    BoundControl* control(const QString& field) const { return m_controls.value(field); }
    QWidget* controlWidget(const QString& field) const;
    // The item's picture beside the fields (none in the song editor).
    PictureBox* pictureBox() const { return m_picture; }

protected:
    // Lays `rows` out on `page`: labels right-aligned before their controls, two fields a line
    // or one across the whole line. Controls join the tab order in the order of the rows.
    void addFields(QWidget* page, const std::vector<EditorRow>& rows);
    // Puts the fields at the left, the item's picture beside them, and OK and Cancel at the top
    // right, and fixes the tab order;
    // `first` has the focus when the editor opens (the first control when none is given).
    void finish(QWidget* fields, QWidget* first = nullptr);
    // Joins a widget of the editor's own to the tab order at this point.
    void joinTabOrder(QWidget* widget);

    // A detail list (a movie's cast, an album's songs) that allows no editing of its own, with
    // its "Add" and "Delete" buttons beside it (stacked) or under its left end.
    struct DetailList
    {
        QString name;   // the grid's object name
        QString spoken; // what a screen reader calls it
        TDataSource* source = nullptr;
        std::vector<GridColumn> columns;
        QSize drawn;
        bool buttonsBeside = false;
        std::function<void()> add;
        std::function<void()> remove;
    };
    QWidget* detailList(QWidget* parent, const DetailList& details, TDBGrid** grid);

    // Fills every editable list from its lookup table.
    void FormCreate();
    void FormClose() override;
    void showEvent(QShowEvent* event) override;
    QWidget* initialFocus() const override { return m_first; }

    TDataSource& source() const { return m_source; }
    TDM& dm() const { return m_dm; }
    TDAODataset& dataSet() const;

private:
    QWidget* makeControl(const EditorField& entry, QWidget* parent);
    QWidget* label(const EditorField& entry, QWidget* control, QWidget* parent);

    TDM& m_dm;
    TDataSource& m_source;
    QHash<QString, BoundControl*> m_controls;
    QHash<QString, QWidget*> m_widgets;
    std::vector<std::pair<TDBComboBox*, TDAOTable*>> m_lists;
    QList<QWidget*> m_tabOrder;
    QWidget* m_first = nullptr;
    PictureBox* m_picture = nullptr;
    bool m_created = false;
};
