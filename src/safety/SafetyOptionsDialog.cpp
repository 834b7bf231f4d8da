#include "SafetyOptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

SafetyOptionsDialog::SafetyOptionsDialog(const SafetySettings& s, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);

    auto* backups = new QGroupBox(QStringLiteral("Backups"), this);
    auto* backupForm = new QFormLayout(backups);
    backupsOn = new QCheckBox(QStringLiteral("&Back up the catalogue when the program closes after changes"), backups);
    backupsOn->setChecked(s.backupsOn);
    backupForm->addRow(backupsOn);
    backupsKept = new QSpinBox(backups);
    backupsKept->setRange(1, 1000);
    backupsKept->setValue(s.backupsKept);
    backupForm->addRow(
        QStringLiteral("&Newest backups kept (besides one a week for %1 weeks):").arg(SafetySettings::kWeeksKept),
        backupsKept);
    auto* folderRow = new QHBoxLayout;
    backupFolder = new QLineEdit(s.backupFolder, backups);
    backupFolder->setPlaceholderText(QStringLiteral("Backups, beside the catalogue"));
    auto* browse = new QPushButton(QStringLiteral("B&rowse…"), backups);
    connect(browse, &QPushButton::clicked, this, [this] { chooseFolder(); });
    folderRow->addWidget(backupFolder);
    folderRow->addWidget(browse);
    backupForm->addRow(QStringLiteral("&Folder:"), folderRow);
    layout->addWidget(backups);

    auto* trash = new QGroupBox(QStringLiteral("Trash"), this);
    auto* trashForm = new QFormLayout(trash);
    trashOn = new QCheckBox(QStringLiteral("&Keep deleted items in the trash"), trash);
    trashOn->setChecked(s.trashOn);
    trashForm->addRow(trashOn);
    trashDays = new QSpinBox(trash);
    trashDays->setRange(1, 3650);
    trashDays->setValue(s.trashDays);
    trashDays->setSuffix(QStringLiteral(" days"));
    trashForm->addRow(QStringLiteral("Items are removed for good &after:"), trashDays);
    layout->addWidget(trash);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

SafetySettings SafetyOptionsDialog::settings() const
{
    SafetySettings s;
    s.backupsOn = backupsOn->isChecked();
    s.backupsKept = backupsKept->value();
    s.backupFolder = backupFolder->text().trimmed();
    s.trashOn = trashOn->isChecked();
    s.trashDays = trashDays->value();
    return s;
}

void SafetyOptionsDialog::chooseFolder()
{
    const QString folder
        = QFileDialog::getExistingDirectory(this, QStringLiteral("Folder for backups"), backupFolder->text());
    if (!folder.isEmpty())
        backupFolder->setText(folder);
}
