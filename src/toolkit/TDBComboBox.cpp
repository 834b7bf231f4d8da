#include "TDBComboBox.h"

#include "TField.h"

#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

TDBComboBox::TDBComboBox(Style style, QWidget* parent)
    : QComboBox(parent)
    , BoundControl(this)
    , m_style(style)
{
    setEditable(style == Style::DropDown);
    setInsertPolicy(QComboBox::NoInsert);
    // A list of ten thousand names is not measured item by item: the box takes the width its
    // layout gives it, and the drop-down rows are all one height.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(6);
    if (auto* rows = qobject_cast<QListView*>(view()))
        rows->setUniformItemSizes(true);
    // Only the user's own picks and typing count as changes, not the box following the field.
    connect(this, &QComboBox::activated, this, [this] { userChanged(); });
    if (QLineEdit* edit = lineEdit()) {
        // Names that begin with what was typed are proposed in a list under the box; the
        // text stays what the user typed unless one of them is picked. (Completing in the box
        // itself would store "Grace Brown" for a new actor typed as "Grace".)
        if (QCompleter* proposals = completer()) {
            proposals->setCompletionMode(QCompleter::PopupCompletion);
            proposals->setCaseSensitivity(Qt::CaseInsensitive);
        }
        watchInput(edit);
        connect(edit, &QLineEdit::textEdited, this, [this] { userChanged(); });
    }
}

void TDBComboBox::setItems(const QStringList& items)
{
    clear();
    addItems(items);
    refresh();
}

void TDBComboBox::showPopup()
{
    // Picking from the list changes the record: it must be editable before the list opens.
    if (!beginEdit())
        return;
    QComboBox::showPopup();
}

bool TDBComboBox::changesValue(const QObject* target, const QEvent* event) const
{
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        return m_style == Style::DropDownList; // in a typed box they only move the cursor
    default:
        return BoundControl::changesValue(target, event);
    }
}

void TDBComboBox::showValue(const TField* field)
{
    const QString text = field ? field->AsString() : QString();
    if (m_style == Style::DropDown) {
        if (currentText() != text)
            setEditText(text);
        return;
    }
    setCurrentIndex(findText(text, Qt::MatchExactly));
}

QVariant TDBComboBox::enteredValue() const
{
    return currentText();
}
