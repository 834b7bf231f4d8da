#include "ProceduryDialogs.h"

#include "MessageService.h"
#include "TDAODataset.h"
#include "TDAOTable.h"
#include "TStrings.h"

#include <QComboBox>
#include <QStringListModel>

namespace Procedury {

void ConfirmDelete(TDAODataset& dataSet)
{
    if (dataSet.IsEmpty())
        return;
    if (MessageService::ask(QStringLiteral("Delete item?")))
        dataSet.Delete();
}

void FillComboFromTable(TDAOTable& table, QComboBox& box)
{
    TStringList names;
    FillComboFromTable(table, names);
    // One model for the whole list: ten thousand names go in at once, not one by one.
    const QString text = box.currentText();
    auto* model = qobject_cast<QStringListModel*>(box.model());
    if (!model) {
        model = new QStringListModel(&box);
        box.setModel(model);
    }
    model->setStringList(names.items);
    // A new list makes its first item current; the current item is the one the text names,
    // or none, so that the first arrow key picks the first name and not the second.
    box.setCurrentIndex(box.findText(text, Qt::MatchExactly));
    if (box.isEditable())
        box.setEditText(text);
}

} // namespace Procedury
