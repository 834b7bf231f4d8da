#include "LendDialog.h"

#include "DateText.h"
#include "LoanDialogLayout.h"
#include "TextFold.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDateEdit* dateBox(const QDate& date, QWidget* parent)
{
    auto* box = new QDateEdit(date, parent);
    box->setDisplayFormat(DateText::shortFormat());
    box->setCalendarPopup(true);
    return box;
}

} // namespace

LendDialog::LendDialog(QWidget* owner, LoansBook& book, int folder, qint64 itemId, const QString& title,
                       const QDate& today)
    : KoltDialog(owner, QStringLiteral("Lend"), QSize(320, 150))
    , m_book(book)
    , m_folder(folder)
    , m_itemId(itemId)
{
    setObjectName(QStringLiteral("LendForm"));
    auto* what = new QLabel(QStringLiteral("%1: “%2”").arg(LoansBook::kindOf(folder), title), this);
    QFont bold = what->font();
    bold.setBold(true);
    what->setFont(bold);
    what->setWordWrap(true);

    cbPerson = new QComboBox(this);
    cbPerson->setObjectName(QStringLiteral("cbPerson"));
    cbPerson->setAccessibleName(QStringLiteral("Lent to"));
    cbPerson->setEditable(true);
    cbPerson->setInsertPolicy(QComboBox::NoInsert);
    cbPerson->setMinimumWidth(scaledWidth(180));
    for (const LoansBook::Person& p : book.people())
        cbPerson->addItem(p.name, p.id);
    cbPerson->setCurrentIndex(-1);
    cbPerson->setEditText(QString());
    cbAddPerson = new QCheckBox(QStringLiteral("Add to the address book"), this);
    cbAddPerson->setObjectName(QStringLiteral("cbAddPerson"));
    cbAddPerson->setEnabled(false);
    connect(cbPerson, &QComboBox::editTextChanged, this, [this] { personEdited(); });

    edLent = dateBox(today, this);
    edLent->setObjectName(QStringLiteral("edLent"));
    edLent->setAccessibleName(QStringLiteral("Lent on"));
    cbDue = new QCheckBox(QStringLiteral("Due back:"), this);
    cbDue->setObjectName(QStringLiteral("cbDue"));
    edDue = dateBox(today.addDays(28), this);
    edDue->setObjectName(QStringLiteral("edDue"));
    edDue->setAccessibleName(QStringLiteral("Due back"));
    edDue->setEnabled(false);
    connect(cbDue, &QCheckBox::toggled, edDue, &QWidget::setEnabled);
    edNote = new QLineEdit(this);
    edNote->setObjectName(QStringLiteral("edNote"));
    edNote->setAccessibleName(QStringLiteral("Note"));

    auto* form = new QFormLayout;
    form->addRow(what);
    auto* lentTo = new QLabel(QStringLiteral("Lent &to:"), this);
    lentTo->setBuddy(cbPerson);
    form->addRow(lentTo, cbPerson);
    form->addRow(QString(), cbAddPerson);
    auto* lentOn = new QLabel(QStringLiteral("Lent &on:"), this);
    lentOn->setBuddy(edLent);
    form->addRow(lentOn, edLent);
    form->addRow(cbDue, edDue);
    auto* note = new QLabel(QStringLiteral("&Note:"), this);
    note->setBuddy(edNote);
    form->addRow(note, edNote);

    btOK = button(QStringLiteral("OK"), {75, 23}, [this] { btOKClick(); });
    btCancel = button(QStringLiteral("Cancel"), {75, 23}, [this] { close(); });
    LoanDialogLayout::arrange(this, form, btOK, btCancel);
}

bool LendDialog::lend(QWidget* owner, LoansBook& book, int folder, qint64 itemId, const QString& title,
                      const QDate& today)
{
    bool lent = false;
    auto* dialog = new LendDialog(owner, book, folder, itemId, title, today);
    dialog->m_lent = &lent;
    dialog->showModal();
    return lent;
}

QWidget* LendDialog::initialFocus() const
{
    return cbPerson;
}

std::pair<QString, QString> LendDialog::splitName(const QString& typed)
{
    const QString name = typed.simplified();
    if (const qsizetype comma = name.indexOf(QLatin1Char(',')); comma >= 0)
        return {name.left(comma).trimmed(), name.mid(comma + 1).trimmed()};
    const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
    if (space < 0)
        return {name, QString()};
    return {name.mid(space + 1), name.left(space)};
}

qint64 LendDialog::chosenPerson() const
{
    const QString typed = cbPerson->currentText().trimmed();
    for (int i = 0; i < cbPerson->count(); ++i) {
        if (TextFold::equals(cbPerson->itemText(i), typed))
            return cbPerson->itemData(i).toLongLong();
    }
    return 0;
}

void LendDialog::personEdited()
{
    const bool ownName = !cbPerson->currentText().trimmed().isEmpty() && chosenPerson() == 0;
    cbAddPerson->setEnabled(ownName);
    if (!ownName)
        cbAddPerson->setChecked(false);
}

void LendDialog::btOKClick()
{
    LoansBook::Lending lending;
    lending.folder = m_folder;
    lending.itemId = m_itemId;
    lending.personId = chosenPerson();
    lending.person = cbPerson->currentText().trimmed();
    lending.lent = edLent->date();
    lending.due = cbDue->isChecked() ? edDue->date() : QDate();
    lending.note = edNote->text();
    if (lending.personId == 0 && cbAddPerson->isChecked()) {
        const auto [last, first] = splitName(lending.person);
        m_book.lend(lending, {last, first, QLatin1String(kNewPersonCategory)});
    } else {
        m_book.lend(lending);
    }
    if (m_lent)
        *m_lent = true;
    close();
}
