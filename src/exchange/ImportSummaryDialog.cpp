#include "ImportSummaryDialog.h"

#include "MessageService.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

ImportSummaryDialog::ImportSummaryDialog(const QString& text, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import finished"));
    edText = new QPlainTextEdit(text, this);
    edText->setReadOnly(true);
    edText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    btSave = new QPushButton(QStringLiteral("Save…"), this);
    btClose = new QPushButton(QStringLiteral("Close"), this);
    btSave->setAutoDefault(false);
    btClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btSave);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edText, 1);
    layout->addLayout(buttons);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    resize(em * 40, em * 24);
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(btSave, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the summary"), QString(),
                                                          QStringLiteral("Text files (*.txt)"));
        if (!path.isEmpty())
            saveTo(path);
    });
}

bool ImportSummaryDialog::saveTo(const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = edText->toPlainText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    MessageService::showError(QStringLiteral("The summary could not be saved: %1").arg(file.errorString()), this);
    return false;
}
