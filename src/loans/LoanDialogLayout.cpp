#include "LoanDialogLayout.h"

#include <QBoxLayout>
#include <QPushButton>

namespace LoanDialogLayout {

void arrange(QWidget* dialog, QLayout* fields, QPushButton* ok, QPushButton* cancel)
{
    ok->setObjectName(QStringLiteral("btOK"));
    cancel->setObjectName(QStringLiteral("btCancel"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(fields, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

} // namespace LoanDialogLayout
