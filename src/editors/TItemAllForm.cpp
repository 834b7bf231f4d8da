#include "TItemAllForm.h"

#include "ProceduryDialogs.h"
#include "TDAODataset.h"
#include "TDBComboBox.h"
#include "TDBEdit.h"
#include "TDM.h"
#include "TDataSource.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TItemAllForm* ItemAllForm = nullptr;

TItemAllForm::TItemAllForm(QWidget* owner)
    : KoltDialog(owner, QString(), QSize(298, 72))
    , m_instance(ItemAllForm, this)
{
    setObjectName(QStringLiteral("ItemAllForm"));
    m_label = new QLabel(QStringLiteral("Name:"), this);

    // The two boxes take the very same place; the one in use is in front.
    m_boxes = new QStackedWidget(this);
    DBEdit1 = new TDBEdit(m_boxes);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBComboBox1 = new TDBComboBox(TDBComboBox::Style::DropDown, m_boxes);
    DBComboBox1->setObjectName(QStringLiteral("DBComboBox1"));
    for (QWidget* box : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBComboBox1)}) {
        box->setAccessibleName(QStringLiteral("Name"));
        m_boxes->addWidget(box);
    }
    m_boxes->setFixedWidth(scaledWidth(167));
    m_boxes->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_boxes->setCurrentWidget(DBEdit1);
    m_label->setBuddy(DBEdit1);

    btOK = button(QStringLiteral("OK"), {55, 21}, [this] { btOKClick(); });
    btOK->setObjectName(QStringLiteral("btOK"));
    btCancel = button(QStringLiteral("Cancel"), {55, 21}, [this] { btCancelClick(); });
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    buttons->addStretch();
    // The label stands level with the box, whichever box is in use.
    auto* name = new QHBoxLayout;
    name->addWidget(m_label);
    name->addWidget(m_boxes);
    auto* top = new QVBoxLayout;
    top->addLayout(name);
    top->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addLayout(buttons);
    setTabOrder(DBEdit1, DBComboBox1);
    setTabOrder(DBComboBox1, btOK);
    setTabOrder(btOK, btCancel);
}

void TItemAllForm::bindName(TDataSource* source)
{
    DBEdit1->setDataSource(source);
    DBEdit1->setDataField(QStringLiteral("Name"));
    m_boxes->setCurrentWidget(DBEdit1);
}

void TItemAllForm::bindList(TDataSource* source)
{
    DBComboBox1->setDataSource(source);
    DBComboBox1->setDataField(QStringLiteral("Name"));
    m_boxes->setCurrentWidget(DBComboBox1);
    m_label->setBuddy(DBComboBox1);
}

QWidget* TItemAllForm::initialFocus() const
{
    return m_boxes->currentWidget();
}

void TItemAllForm::enterName(QWidget* owner, const QString& caption, TDataSource& source)
{
    auto* form = new TItemAllForm(owner);
    form->setWindowTitle(caption);
    form->bindName(&source);
    form->showModal();
}

void TItemAllForm::addCast(QWidget* owner, TDM& dm)
{
    dm.qrMv_Cast.Insert();
    auto* form = new TItemAllForm(owner);
    form->setWindowTitle(QStringLiteral("Add cast"));
    form->bindList(&dm.dsMv_Cast);
    try {
        Procedury::FillComboFromTable(dm.tbA_Movies, *form->DBComboBox1);
    } catch (...) {
        // No dialog without its list, and no new row left behind without its dialog: closing
        // gives the row up.
        form->close();
        throw;
    }
    form->showModal();
}

void TItemAllForm::btOKClick()
{
    if (DBEdit1->dataSource())
        Procedury::PostRecord(*DBEdit1->dataSet());
    if (DBComboBox1->dataSource())
        Procedury::PostRecord(*DBComboBox1->dataSet());
    close();
}

void TItemAllForm::btCancelClick()
{
    close();
}

void TItemAllForm::FormClose()
{
    // Whatever was not posted is given up: a new row goes, a change is undone.
    if (DBEdit1->dataSource() && DBEdit1->dataSet())
        DBEdit1->dataSet()->Cancel();
    if (DBComboBox1->dataSource() && DBComboBox1->dataSet())
        DBComboBox1->dataSet()->Cancel();
}
