#include "ItemEditor.h"

#include "ESavedError.h"
#include "PictureBox.h"
#include "PictureRules.h"
#include "PictureView.h"
#include "ProceduryDialogs.h"
#include "TDAODataset.h"
#include "TDBComboBox.h"
#include "TDBDateEdit.h"
#include "TDBEdit.h"
#include "TDBGrid.h"
#include "TDBRichEdit.h"
#include "TDBSpinEdit.h"
#include "TDataSource.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A label's words without the colon, for the control's accessible name.
QString spoken(const QString& label)
{
    QString text = label.trimmed();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

ItemEditor::ItemEditor(QWidget* owner, const QString& caption, QSize drawn, TDM& dm, TDataSource& source)
    : KoltDialog(owner, caption, drawn)
    , m_dm(dm)
    , m_source(source)
{
    btOK = button(QStringLiteral("OK"), {55, 21}, [this] { btOKClick(); });
    btOK->setObjectName(QStringLiteral("btOK"));
    btCancel = button(QStringLiteral("Cancel"), {55, 21}, [this] { btCancelClick(); });
    btCancel->setObjectName(QStringLiteral("btCancel"));
}

TDAODataset& ItemEditor::dataSet() const
{
    return *m_source.DataSet();
}

QWidget* ItemEditor::controlWidget(const QString& field) const
{
    return m_widgets.value(field);
}

QWidget* ItemEditor::makeControl(const EditorField& entry, QWidget* parent)
{
    QWidget* widget = nullptr;
    BoundControl* bound = nullptr;
    auto take = [&](auto* control) {
        widget = control;
        bound = control;
    };
    switch (entry.kind) {
    case EditorField::Kind::Text:
    case EditorField::Kind::Number: {
        auto* edit = new TDBEdit(parent);
        edit->setMaxChars(entry.maxChars);
        take(edit);
        break;
    }
    case EditorField::Kind::Date:
        take(new TDBDateEdit(parent));
        break;
    case EditorField::Kind::List: {
        auto* box = new TDBComboBox(TDBComboBox::Style::DropDown, parent);
        if (entry.list)
            m_lists.emplace_back(box, entry.list);
        take(box);
        break;
    }
    case EditorField::Kind::FixedList: {
        auto* box = new TDBComboBox(TDBComboBox::Style::DropDownList, parent);
        box->setItems(entry.items);
        take(box);
        break;
    }
    case EditorField::Kind::Memo:
        take(new TDBRichEdit(parent));
        break;
    case EditorField::Kind::Spin:
        take(new TDBSpinEdit(parent));
        break;
    case EditorField::Kind::Widget:
        widget = entry.make(parent);
        break;
    }
    if (!entry.name.isEmpty())
        widget->setObjectName(entry.name);
    if (bound) {
        bound->setDataSource(&m_source);
        bound->setDataField(entry.field);
        m_controls.insert(entry.field, bound);
        if (widget->objectName().isEmpty())
            widget->setObjectName(entry.field);
    }
    if (!entry.field.isEmpty())
        m_widgets.insert(entry.field, widget);
    if (entry.width > 0)
        widget->setFixedWidth(scaledWidth(entry.width));
    if (entry.height > 0)
        widget->setMinimumHeight(scaledHeight(entry.height));
    widget->setAccessibleName(entry.label.isEmpty() ? entry.spoken : spoken(entry.label));
    if (entry.kind != EditorField::Kind::Widget)
        m_tabOrder << widget;
    return widget;
}

QWidget* ItemEditor::label(const EditorField& entry, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(entry.label, parent);
    label->setBuddy(control);
    if (entry.strong) {
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(128, 0, 0)); // maroon
        label->setPalette(palette);
    }
    return label;
}

void ItemEditor::addFields(QWidget* page, const std::vector<EditorRow>& rows)
{
    // Four columns: a label and its control, twice.
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(scaledWidth(6));
    grid->setVerticalSpacing(scaledHeight(3));
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    int line = 0;
    for (const EditorRow& row : rows) {
        if (row.empty()) { // a little room between two blocks of fields
            grid->setRowMinimumHeight(line++, scaledHeight(6));
            continue;
        }
        for (size_t i = 0; i < row.size(); ++i) {
            const EditorField& entry = row[i];
            QWidget* control = makeControl(entry, page);
            const int column = int(i) * 2;
            const bool alone = row.size() == 1;
            // The label of a tall control (a list, a memo) stands level with its top.
            const bool tall = entry.kind == EditorField::Kind::Memo || entry.kind == EditorField::Kind::Widget;
            if (!entry.label.isEmpty())
                grid->addWidget(label(entry, control, page), line, column,
                                Qt::AlignRight | (tall ? Qt::AlignTop : Qt::AlignVCenter));
            const Qt::Alignment align = entry.width > 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment();
            if (entry.indent > 0) {
                auto* holder = new QHBoxLayout;
                holder->setContentsMargins(scaledWidth(entry.indent), 0, 0, 0);
                holder->addWidget(control, 0, align);
                holder->addStretch();
                grid->addLayout(holder, line, column + 1, 1, alone ? 3 : 1);
            } else {
                grid->addWidget(control, line, column + 1, 1, alone ? 3 : 1, align);
            }
        }
        ++line;
    }
    grid->setRowStretch(line, 1);
}

void ItemEditor::joinTabOrder(QWidget* widget)
{
    m_tabOrder << widget;
}

QWidget* ItemEditor::detailList(QWidget* parent, const DetailList& details, TDBGrid** grid)
{
    auto* box = new QWidget(parent);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = new TDBGrid(box);
    list->setObjectName(details.name);
    list->setAccessibleName(details.spoken);
    list->setColumns(details.columns);
    list->setDataSource(details.source);
    list->setFixedSize(scaled(details.drawn));
    joinTabOrder(list);
    QPushButton* add = button(QStringLiteral("Add"), {55, 20}, details.add);
    add->setObjectName(QStringLiteral("RxSpeedButton1"));
    QPushButton* remove = button(QStringLiteral("Delete"), {55, 20}, details.remove);
    remove->setObjectName(QStringLiteral("RxSpeedButton3"));
    joinTabOrder(add);
    joinTabOrder(remove);
    if (details.buttonsBeside) {
        layout->addWidget(list, 0, 0, 3, 1, Qt::AlignLeft);
        layout->addWidget(add, 0, 1, Qt::AlignTop);
        layout->addWidget(remove, 1, 1, Qt::AlignTop);
        layout->setRowStretch(2, 1);
    } else {
        layout->addWidget(list, 0, 0, 1, 3, Qt::AlignLeft);
        layout->addWidget(add, 1, 0);
        layout->addWidget(remove, 1, 1);
    }
    layout->setColumnStretch(2, 1);
    *grid = list;
    return box;
}

void ItemEditor::finish(QWidget* fields, QWidget* first)
{
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    buttons->addStretch();
    auto* whole = new QHBoxLayout(this);
    whole->addWidget(fields, 1);
    if (const int folder = PictureRules::folderOf(m_dm, dataSet()); folder >= 0) {
        m_picture = new PictureBox(dataSet(), folder, this);
        whole->addWidget(m_picture, 0, Qt::AlignTop);
        m_tabOrder << m_picture->view() << m_picture->chooseButton() << m_picture->removeButton();
    }
    whole->addLayout(buttons);
    m_tabOrder << btOK << btCancel;
    for (int i = 1; i < m_tabOrder.size(); ++i)
        setTabOrder(m_tabOrder[i - 1], m_tabOrder[i]);
    m_first = first ? first : m_tabOrder.value(0);
}

void ItemEditor::showEvent(QShowEvent* event)
{
    if (!m_created) {
        m_created = true;
        guarded([this] { FormCreate(); });
    }
    KoltDialog::showEvent(event);
}

void ItemEditor::FormCreate()
{
    for (const auto& [box, table] : m_lists)
        Procedury::FillComboFromTable(*table, *box);
    if (m_picture)
        m_picture->load();
}

void ItemEditor::btOKClick()
{
    // A picture still being prepared is waited for before the save, not inside its
    // transaction; a refused one leaves the editor open.
    if (m_picture)
        m_picture->waitUntilReady();
    try {
        Procedury::PostRecord(dataSet());
    } catch (const ESavedError&) {
        close(); // the item is stored: only what followed failed, and the message says so
        throw;
    }
    close();
}

void ItemEditor::btCancelClick()
{
    close();
}

void ItemEditor::FormClose()
{
    // Nothing after a successful OK; otherwise a new record is dropped, a change undone.
    dataSet().Cancel();
}
