#include "TItemAllForm.h"

#include "ProceduryDialogs.h"
#include "TDM.h"
#include "TDAODataset.h"
#include "TDBComboBox.h"
#include "TDBEdit.h"
#include "TDataSource.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <memory>

TItemAllForm* ItemAllForm = nullptr;

TItemAllForm::TItemAllForm(QWidget* owner)
    : KoltDialog(owner, QString(), QSize(298, 72))
    , m_instance(ItemAllForm, this)
{
    setObjectName(QStringLiteral("ItemAllForm"));
    auto* label = new QLabel(QStringLiteral("Name:"), this);

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
    m_boxes->setCurrentWidget(DBEdit1);
    label->setBuddy(DBEdit1);

    btOK = button(QStringLiteral("OK"), {55, 21}, [this] { btOKClick(); });
    btOK->setObjectName(QStringLiteral("btOK"));
    btCancel = button(QStringLiteral("Cancel"), {55, 21}, [this] { btCancelClick(); });
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(m_boxes, 0, 1, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->addLayout(buttons, 0, 2);
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
    if (auto* label = findChild<QLabel*>())
        label->setBuddy(DBComboBox1);
}

QWidget* TItemAllForm::boxInUse() const
{
    return m_boxes->currentWidget();
}

void TItemAllForm::showEvent(QShowEvent* event)
{
    KoltDialog::showEvent(event);
    boxInUse()->setFocus(Qt::OtherFocusReason);
}

void TItemAllForm::btOKClick()
{
    if (DBEdit1->dataSource())
        Procedury::PostRecord(*DBEdit1->dataSet());
    if (DBComboBox1->dataSource())
        Procedury::PostRecord(*DBComboBox1->dataSet());
    close();
}

void TItemAllForm::addCast(QWidget* owner)
{
    // A step that fails leaves no dialog behind, and no new row either.
    std::unique_ptr<TItemAllForm> form(new TItemAllForm(owner));
    form->setWindowTitle(QStringLiteral("Add cast"));
    Procedury::FillComboFromTable(DM->tbA_Movies, *form->DBComboBox1);
    DM->qrMv_Cast.Insert();
    form->bindList(&DM->dsMv_Cast);
    form.release()->showModal();
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
