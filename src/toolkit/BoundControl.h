#pragma once

#include "FieldDataLink.h"

#include <QString>
#include <QVariant>

class QEvent;
class QObject;
class QWidget;
class TDAODataset;
class TDataSource;
class TField;

// What every control that edits one field shares, whatever its widget:
// - it shows the field of the current record and follows every move, re-run and cancel;
// - the record enters edit state before the user's input lands (a key, a paste, a drop, the
//   wheel, a pick from a list or a calendar); when it cannot, the input is dropped and the
//   reason shown;
// - what the user changed is marked, and only a marked value is written back, when the
//   control is left and whenever the record is posted, however the post is started;
// - its own writing never makes it show the field again (the text and cursor stay);
// - a post refused for its field gives it the focus; a value it cannot write keeps it.
// A control kind derives from its Qt widget and from this, and supplies only how its widget
// shows a value and what value the user entered.
class BoundControl
{
public:
    explicit BoundControl(QWidget* widget);
    virtual ~BoundControl();
    BoundControl(const BoundControl&) = delete;
    BoundControl& operator=(const BoundControl&) = delete;

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return m_link.DataSource(); }
    void setDataField(const QString& name);
    const QString& dataField() const { return m_link.FieldName(); }
    // The bound field, or nullptr while the dataset is closed or lacks it.
    TField* field() const { return m_link.Field(); }
    TDAODataset* dataSet() const { return m_link.DataSet(); }

    // Whether the user changed the value since it was last shown or written.
    bool modified() const { return m_modified; }
    // Writes a changed value into the field; raises when the field refuses it.
    void writeBack();

protected:
    // Shows the field's value (nullptr: the control is unbound or the dataset closed).
    virtual void showValue(const TField* field) = 0;
    // The value the user entered, as the field takes it (a date as a date, a number as a number);
    // raises, as the field would, when the entry is no value at all (a date that cannot be read).
    virtual QVariant enteredValue() const = 0;

    // For the control kind. Watches `target` (the widget or a part of it, such as a combo box's
    // line edit or one box of a group) for input that changes the value; call for each such part.
    // The control is left when the focus goes from one of its parts to a widget outside it.
    void watchInput(QObject* target);
    // The record must be editable before this input lands; false when it is not (dropped).
    bool beginEdit();
    // The user changed the value (from the widget's change signal). A change the input watch
    // did not see first still puts the record into edit state, or is taken back.
    void userChanged();
    // True while the control is showing the field: changes then are not the user's.
    bool showing() const { return m_showing; }
    // Shows the field again (dropping what the user entered).
    void refresh();

    // Whether `event`, on its way to `target` (the widget or a watched part), changes the value;
    // the default takes key presses of text, deleting and the clipboard.
    virtual bool changesValue(const QObject* target, const QEvent* event) const;

private:
    // The field link that shows, plus what editing needs: the control's own writing and its
    // own start of edit state are not followed, pending input is written before a post, and
    // a refused field takes the focus.
    class Link : public FieldDataLink
    {
    public:
        explicit Link(BoundControl& control)
            : FieldDataLink(QString(), [&control] { control.refresh(); })
            , m_control(control)
        {
        }

    protected:
        void editingChanged() override { m_control.stateChanged(); }
        void recordChanged(TField* field) override
        {
            if (m_control.m_writing || (!field && m_control.m_ownEdit))
                return;
            FieldDataLink::recordChanged(field);
        }
        void updateData() override { m_control.postPending(); }
        void focusControl(TField* field) override { m_control.takeFocusFor(field); }

    private:
        BoundControl& m_control;
    };
    class InputWatch;
    friend class InputWatch;

    bool inputEvent(QObject* target, QEvent* event);
    bool holdsFocus() const;
    void left();
    void stateChanged();
    void postPending();
    void takeFocusFor(TField* refused);
    void refuseLater(const QString& message);

    QWidget& m_widget;
    Link m_link{*this};
    InputWatch* m_watch;
    bool m_modified = false;
    bool m_showing = false;   // the control is showing the field
    bool m_writing = false;   // the control is writing the field
    bool m_ownEdit = false;   // the control itself is putting the record into edit state
    QString m_pendingRefusal; // the error of leaving the control, until it is shown
};
