#pragma once

#include "KoltDialog.h"

class QLabel;
class QStackedWidget;
class TDataSource;
class TDBComboBox;
class TDBEdit;
class TDM;

// The small dialog in which one name is entered, over a row its caller has inserted or
// positioned. The caller sets its caption and binds one of its two boxes to the field Name:
// the edit box (name mode), or the drop-down list with items of the caller's (list mode).
class TItemAllForm : public KoltDialog
{
    Q_OBJECT

public:
    explicit TItemAllForm(QWidget* owner);

    // Name mode over the current row of `source` (new, or the one to rename), shown modally.
    static void enterName(QWidget* owner, const QString& caption, TDataSource& source);
    // "Add cast": a new row of the cast query, its name typed or picked from the actors.
    static void addCast(QWidget* owner, TDM& dm);

    // Name mode: the edit box shows and edits the field Name of `source`'s current row.
    void bindName(TDataSource* source);
    // List mode: the drop-down list does, in front of the edit box; fill its items after.
    void bindList(TDataSource* source);

    void btOKClick();
    void btCancelClick();

    TDBEdit* DBEdit1 = nullptr;
    TDBComboBox* DBComboBox1 = nullptr;
    QPushButton* btOK = nullptr;
    QPushButton* btCancel = nullptr;

protected:
    void FormClose() override;
    QWidget* initialFocus() const override;

private:
    QLabel* m_label = nullptr;
    QStackedWidget* m_boxes = nullptr;
    InstanceSlot<TItemAllForm> m_instance;
};

extern TItemAllForm* ItemAllForm;
