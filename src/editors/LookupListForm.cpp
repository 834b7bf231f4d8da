#include "LookupListForm.h"

#include "ButtonTabBar.h"
#include "ProceduryDialogs.h"
#include "TDBGrid.h"
#include "TDM.h"
#include "TItemAllForm.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

LookupListForm::LookupListForm(QWidget* owner, TDM& dm, const LookupListDefinition& definition)
    : KoltDialog(owner, definition.caption, QSize(332, 324))
    , m_dm(dm)
    , m_definition(definition)
{
    setObjectName(definition.formName);

    btAdd = button(QStringLiteral("Add"), {55, 21}, [this] { btAddClick(); });
    btAdd->setObjectName(QStringLiteral("btAdd"));
    btEdit = button(QStringLiteral("Edit"), {55, 21}, [this] { btEditClick(); });
    btEdit->setObjectName(QStringLiteral("btEdit"));
    btDel = button(QStringLiteral("Delete"), {55, 21}, [this] { btDelClick(); });
    btDel->setObjectName(QStringLiteral("btDel"));
    btExit = button(QStringLiteral("Exit"), {55, 21}, [this] { btExitClick(); });
    btExit->setObjectName(QStringLiteral("btExit"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btAdd);
    buttons->addWidget(btEdit);
    buttons->addSpacing(scaledHeight(8)); // "Delete" stands apart
    buttons->addWidget(btDel);
    buttons->addStretch();
    buttons->addWidget(btExit);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildList(), 1);
    layout->addLayout(buttons);

    setTabOrder(m_tabs, m_grid);
    setTabOrder(m_grid, btAdd);
    setTabOrder(btAdd, btEdit);
    setTabOrder(btEdit, btDel);
    setTabOrder(btDel, btExit);

    guarded([this] { FormCreate(); });
    // Selecting the first tab above was the dialog's own doing, not a change of the user's.
    connect(m_tabs, &QTabBar::currentChanged, this, [this] { guarded([this] { TabChange(); }); });
}

QWidget* LookupListForm::buildList()
{
    // The tab strip holds the tabs, a thin line under them and the list.
    auto* strip = new QWidget(this);
    strip->setMinimumSize(scaled({255, 317}));
    m_tabs = new ButtonTabBar(strip);
    m_tabs->setObjectName(m_definition.tabStripName);
    m_tabs->setAccessibleName(QStringLiteral("Lists"));
    for (const LookupListDefinition::Tab& tab : m_definition.tabs)
        m_tabs->addTab(tab.caption);

    auto* line = new QFrame(strip);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_grid = new TDBGrid(strip);
    m_grid->setObjectName(m_definition.gridName);
    m_grid->setAccessibleName(QStringLiteral("Names"));
    TDBGrid::Options options;
    options.rowSelect = true;
    options.deleteKey = true;
    m_grid->setOptions(options);
    m_grid->setColumns({GridColumn(QStringLiteral("Name"), QStringLiteral("Name"), 200)});
    m_grid->setMinimumSize(scaled({244, 275}));
    m_grid->setDataSource(&source());

    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    layout->addWidget(line);
    layout->addWidget(m_grid, 1);
    return strip;
}

TDataSource& LookupListForm::source() const
{
    return m_dm.*m_definition.source;
}

const LookupListDefinition::Tab& LookupListForm::selectedTab() const
{
    return m_definition.tabs.at(size_t(qMax(0, m_tabs->currentIndex())));
}

TDAODataset& LookupListForm::shownTable() const
{
    return *source().DataSet();
}

QWidget* LookupListForm::initialFocus() const
{
    return m_grid;
}

void LookupListForm::showTab(int index)
{
    TDAOTable& table = m_dm.*m_definition.tabs.at(size_t(index)).table;
    source().setDataSet(&table);
    Procedury::ReopenDataSet(table);
}

void LookupListForm::FormCreate()
{
    showTab(0); // the first tab, "Categories", is the current one
}

void LookupListForm::TabChange()
{
    showTab(m_tabs->currentIndex());
}

void LookupListForm::btAddClick()
{
    shownTable().Insert();
    TItemAllForm::enterName(this, selectedTab().addCaption, source());
}

void LookupListForm::btEditClick()
{
    if (shownTable().IsEmpty())
        return;
    TItemAllForm::enterName(this, selectedTab().editCaption, source());
}

void LookupListForm::btDelClick()
{
    Procedury::ConfirmDelete(shownTable());
}

void LookupListForm::btExitClick()
{
    close();
}
