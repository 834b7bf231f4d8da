#include "ExchangeCommands.h"

#include "CatalogueImporter.h"
#include "ExchangeError.h"
#include "ImportDialog.h"
#include "ImportSummaryDialog.h"
#include "MessageService.h"
#include "PictureImportStore.h"
#include "RtfReader.h"
#include "TDM.h"
#include "TellicoFile.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTextDocument>
#include <QVBoxLayout>

namespace ExchangeCommands {

namespace {

// A progress window that answers Cancel and repaints while the work runs on the GUI thread.
class Progress
{
public:
    Progress(QWidget* parent, const QString& title)
        : m_dialog(parent)
    {
        m_dialog.setWindowTitle(title);
        m_dialog.setCancelButtonText(QStringLiteral("Cancel"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setMinimumDuration(0);
        m_dialog.setLabelText(QStringLiteral("Reading the file…"));
        m_dialog.show();
        m_timer.start();
    }

    // `done` below 0: bytes of the file read before the import (-done of total bytes).
    bool step(qint64 done, qint64 total, const QString& verb)
    {
        if (m_timer.elapsed() < 50 && done != total)
            return !m_dialog.wasCanceled();
        m_timer.restart();
        const qint64 shown = done < 0 ? -done : done;
        const int scale = total > 1000000 ? 1024 : 1; // the bar counts in int
        m_dialog.setMaximum(int(std::max<qint64>(total, 1) / scale));
        m_dialog.setValue(int(std::min(shown, total) / scale));
        m_dialog.setLabelText(done < 0 ? QStringLiteral("Reading the file…")
                                       : QStringLiteral("%1: %2 of %3").arg(verb).arg(done).arg(total));
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_timer;
};

QString bodyOf(const QString& html)
{
    const qsizetype open = html.indexOf(QStringLiteral("<body"));
    const qsizetype start = open < 0 ? -1 : html.indexOf(u'>', open);
    const qsizetype end = html.lastIndexOf(QStringLiteral("</body>"));
    if (start < 0 || end < start)
        return html;
    return html.mid(start + 1, end - start - 1).trimmed();
}

} // namespace

QString memoPlainText(const QString& memo)
{
    if (!RtfReader::isRtf(memo))
        return memo;
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    return document.toPlainText();
}

QString memoHtml(const QString& memo)
{
    if (!RtfReader::isRtf(memo))
        return memo.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    return bodyOf(document.toHtml());
}

void importFile(const Context& context, QString path)
{
    if (path.isEmpty())
        path
            = QFileDialog::getOpenFileName(context.window, QStringLiteral("Import"), QString(),
                                           QStringLiteral("Collections (*.csv *.tsv *.txt *.tc *.xml);;All files (*)"));
    if (path.isEmpty())
        return;
    ImportDialog dialog(*context.dm, path, context.folder, context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CatalogueImporter::Options options = dialog.options();
    if (context.backUp && !context.backUp()
        && !MessageService::ask(QStringLiteral("No copy of the catalogue could be made before the import. Import "
                                               "all the same?"),
                                context.window))
        return;
    QFile file(dialog.filePath());
    if (!file.open(QIODevice::ReadOnly))
        throw ExchangeError(QStringLiteral("The file '%1' could not be opened: %2").arg(path, file.errorString()));
    CatalogueImporter::Summary summary;
    {
        Progress progress(context.window, QStringLiteral("Import"));
        CatalogueImporter importer(*context.dm);
        PictureImportStore pictures(context.dm->dbKOLT);
        importer.setPictures(dialog.pictures(), &pictures);
        try {
            summary = importer.run(file, options, [&](qint64 done, qint64 total) {
                return progress.step(done, total, QStringLiteral("Importing"));
            });
        } catch (const ImportCancelled& e) {
            if (context.showFolder)
                context.showFolder(options.folder);
            MessageService::inform(e.message(), context.window);
            return;
        }
    }
    if (context.showFolder)
        context.showFolder(options.folder);
    ImportSummaryDialog(summary.text(), context.window).exec();
}

void exportTo(const Context& context, Format format, bool onlyShown, const QString& path)
{
    const ExchangeFolder& folder = ExchangeFolder::at(context.folder);
    TDAODataset* rows = onlyShown ? context.shown : &folder.everyItem(*context.dm);
    if (!rows)
        return;
    const bool opened = !rows->Active();
    if (opened)
        rows->Open();
    struct CloseAfter
    {
        TDAODataset* rows;
        bool opened;
        ~CloseAfter()
        {
            if (opened)
                rows->Close();
        }
    } closeAfter{rows, opened};

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        throw ExchangeError(QStringLiteral("The file '%1' could not be written: %2").arg(path, out.errorString()));
    Progress progress(context.window, QStringLiteral("Export"));
    auto step = [&](qint64 done, qint64 total) { return progress.step(done, total, QStringLiteral("Exporting")); };
    CatalogueExporter exporter(*context.dm, context.folder);
    if (format == Format::Tellico) {
        out.cancelWriting();
        TellicoFile::write(exporter, context.folder, *rows, path, &memoPlainText);
        return;
    }
    if (format == Format::Csv)
        exporter.writeCsv(*rows, out, &memoPlainText, step);
    else
        exporter.writeHtml(*rows, context.gridColumns, out, &memoHtml, step);
    if (!out.commit())
        throw ExchangeError(QStringLiteral("The file '%1' could not be written: %2").arg(path, out.errorString()));
}

void exportFolder(const Context& context)
{
    const ExchangeFolder& folder = ExchangeFolder::at(context.folder);
    QDialog ask(context.window);
    ask.setWindowTitle(QStringLiteral("Export %1").arg(folder.caption));
    auto* csv = new QRadioButton(QStringLiteral("CSV (a table for spreadsheets and other programs)"), &ask);
    auto* html = new QRadioButton(QStringLiteral("HTML (one page for any browser)"), &ask);
    auto* tellico = new QRadioButton(QStringLiteral("Tellico collection (.tc)"), &ask);
    tellico->setEnabled(context.folder <= 2);
    csv->setChecked(true);
    auto* every = new QRadioButton(QStringLiteral("Every item of the folder"), &ask);
    const int shownCount = context.shown && context.shown->Active() ? context.shown->RowCount() : 0;
    auto* shown = new QRadioButton(QStringLiteral("Only the items shown (%1)").arg(shownCount), &ask);
    every->setChecked(true);
    shown->setEnabled(context.shown != nullptr);
    auto* formats = new QGroupBox(QStringLiteral("Format"), &ask);
    auto* formatLayout = new QVBoxLayout(formats);
    formatLayout->addWidget(csv);
    formatLayout->addWidget(html);
    formatLayout->addWidget(tellico);
    auto* items = new QGroupBox(QStringLiteral("Items"), &ask);
    auto* itemLayout = new QVBoxLayout(items);
    itemLayout->addWidget(every);
    itemLayout->addWidget(shown);
    auto* ok = new QPushButton(QStringLiteral("Export…"), &ask);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &ask);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &ask, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &ask, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&ask);
    layout->addWidget(formats);
    layout->addWidget(items);
    layout->addLayout(buttons);
    if (ask.exec() != QDialog::Accepted)
        return;
    const Format format = csv->isChecked() ? Format::Csv : html->isChecked() ? Format::Html : Format::Tellico;
    const QString suffix = format == Format::Csv    ? QStringLiteral("csv")
                           : format == Format::Html ? QStringLiteral("html")
                                                    : QStringLiteral("tc");
    const QString filter = format == Format::Csv    ? QStringLiteral("CSV files (*.csv)")
                           : format == Format::Html ? QStringLiteral("HTML pages (*.html *.htm)")
                                                    : QStringLiteral("Tellico collections (*.tc)");
    const QString path = QFileDialog::getSaveFileName(context.window, QStringLiteral("Export"),
                                                      folder.caption + u'.' + suffix, filter);
    if (path.isEmpty())
        return;
    exportTo(context, format, shown->isChecked(), path);
}

} // namespace ExchangeCommands
