#include "ProceduryWindows.h"

#include "ComboStrings.h"
#include "FolderDefinition.h"
#include "HeldNotifications.h"
#include "TDAODataset.h"
#include "TDAOQuery.h"
#include "TDAOTable.h"
#include "TKOLTForm.h"

#include <QComboBox>
#include <QStackedWidget>

namespace Procedury {

void ShowPanel(QWidget* panel)
{
    if (auto* stack = qobject_cast<QStackedWidget*>(panel->parentWidget()))
        stack->setCurrentWidget(panel);
    panel->show();
    panel->raise();
    panel->repaint();
}

void FillCategoryCombo()
{
    TKOLTForm& window = *KOLTForm;
    TDAOTable& table = window.categoryTable(window.CurrentFolder());
    QComboBox* box = window.categoryBox();
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(QStringLiteral("All categories"));
    box->setCurrentIndex(0);
    ReopenDataSet(table);
    QStringList names;
    if (!table.IsEmpty()) {
        const TField& name = table.FieldByName(QStringLiteral("Name"));
        for (table.First(); !table.Eof(); table.Next())
            names << name.AsString();
    }
    box->addItems(names); // at once: a list of thousands fills in one go
    box->setCurrentIndex(0);
}

QString CategoryFilter(const QString& category)
{
    QString quoted = category;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("Category = '%1'").arg(quoted);
}

void SetCategoryFilter(TDAOQuery& query)
{
    const QComboBox* box = KOLTForm->categoryBox();
    if (box->currentIndex() > 0) {
        query.setFilter(CategoryFilter(box->currentText()));
        query.setFiltered(true);
    } else {
        query.setFiltered(false);
    }
}

void ApplySortOrder(const QString& field, const QString& direction)
{
    TKOLTForm& window = *KOLTForm;
    const int folder = window.CurrentFolder();
    TDAOQuery& query = window.folderQuery(folder);
    const QString table = FolderDefinition::all()[size_t(folder)].tableName;
    const QString column = FolderDefinition::sortColumn(field);

    // Held back even when the opening fails, so the views are never left frozen.
    const HeldNotifications held(query);
    query.Close();
    query.setSQL({QStringLiteral("select * from %1 order by %2 %3").arg(table, column, direction)});
    SetCategoryFilter(query);
    query.Open();
}

} // namespace Procedury
