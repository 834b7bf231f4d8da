#pragma once

#include "SafetySettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

// Tools > Options: the backups and the trash, for the catalogue beside the program.
class SafetyOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    SafetyOptionsDialog(const SafetySettings& settings, QWidget* parent = nullptr);
    SafetySettings settings() const;

    QCheckBox* backupsOn = nullptr;
    QSpinBox* backupsKept = nullptr;
    QLineEdit* backupFolder = nullptr;
    QCheckBox* trashOn = nullptr;
    QSpinBox* trashDays = nullptr;

private:
    void chooseFolder();
};
