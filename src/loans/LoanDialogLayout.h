#pragma once

class QLayout;
class QPushButton;
class QWidget;

// The loan dialogs' layout: their fields on the left, OK and Cancel in a column on the right.
namespace LoanDialogLayout {

void arrange(QWidget* dialog, QLayout* fields, QPushButton* ok, QPushButton* cancel);

} // namespace LoanDialogLayout
