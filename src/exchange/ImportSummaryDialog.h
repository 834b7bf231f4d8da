#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The end of an import: how many items were added, updated and skipped, and each refused row
// with its line and reason; the text can be saved as a file.
class ImportSummaryDialog : public QDialog
{
    Q_OBJECT

public:
    ImportSummaryDialog(const QString& text, QWidget* parent = nullptr);

    // Writes the text to a file; false (said) when it cannot be written.
    bool saveTo(const QString& path);

    QPlainTextEdit* edText = nullptr;
    QPushButton* btSave = nullptr;
    QPushButton* btClose = nullptr;
};
