#include "RestoreDialog.h"

#include "BackupRotation.h"
#include "CatalogueBackup.h"
#include "ErrorGuard.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum BackupColumn { Made, Movies, Music, Books, Programs, AddressBook, State, Columns };
constexpr int kPathRole = Qt::UserRole;
constexpr int kWholeRole = Qt::UserRole + 1;

} // namespace

RestoreDialog::RestoreDialog(const QString& folder, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Restore from backup"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Backups in %1:").arg(QDir::toNativeSeparators(folder)), this));
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Made"), QStringLiteral("Movies"), QStringLiteral("Music"),
                             QStringLiteral("Books"), QStringLiteral("Programs"), QStringLiteral("Address Book"),
                             QStringLiteral("State")});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAccessibleName(QStringLiteral("Backups"));
    layout->addWidget(m_list);
    m_empty = new QLabel(QStringLiteral("There are no backups yet: one is made when the program closes after a "
                                        "change."),
                         this);
    m_empty->setWordWrap(true);
    layout->addWidget(m_empty);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, [this] { restoreChosen(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButton(); });
    connect(m_list, &QTreeWidget::itemActivated, this, [this] { restoreChosen(); });
    layout->addWidget(buttons);
    resize(720, 360);
    fill(folder);
    updateButton();
    readInBackground();
}

RestoreDialog::~RestoreDialog()
{
    m_stop = true;
    if (m_reader)
        m_reader->wait();
}

void RestoreDialog::fill(const QString& folder)
{
    const QDir dir(folder);
    for (const auto& copy : BackupRotation::copies(dir.entryList(QDir::Files))) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(Made, QLocale().toString(copy.made, QLocale::ShortFormat));
        item->setText(State, QStringLiteral("Checking…"));
        item->setData(Made, kPathRole, dir.filePath(copy.fileName));
        item->setData(Made, kWholeRole, false);
        for (int c = Movies; c <= AddressBook; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        m_paths << dir.filePath(copy.fileName);
    }
    m_pending = int(m_paths.size());
    m_empty->setVisible(m_paths.isEmpty());
    m_list->setVisible(!m_paths.isEmpty());
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void RestoreDialog::readInBackground()
{
    if (m_paths.isEmpty())
        return;
    const QStringList paths = m_paths;
    m_reader.reset(QThread::create([this, paths] {
        for (int row = 0; row < paths.size() && !m_stop; ++row) {
            std::vector<qint64> counts;
            QString problem = CatalogueBackup::problem(paths[row]);
            if (problem.isEmpty()) {
                try {
                    counts = CatalogueBackup::folderCounts(paths[row]);
                } catch (const std::exception& e) {
                    problem = ErrorGuard::messageOf(e);
                }
            }
            QMetaObject::invokeMethod(
                this, [this, row, counts, problem] { showRead(row, counts, problem); }, Qt::QueuedConnection);
        }
    }));
    m_reader->start();
}

void RestoreDialog::showRead(int row, const std::vector<qint64>& counts, const QString& problem)
{
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item)
        return;
    --m_pending;
    const bool whole = problem.isEmpty();
    item->setData(Made, kWholeRole, whole);
    item->setText(State, whole ? QStringLiteral("Whole") : QStringLiteral("Damaged: cannot be restored"));
    item->setToolTip(State, problem);
    if (!whole) {
        for (int c = 0; c < Columns; ++c)
            item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    for (size_t i = 0; i < counts.size(); ++i)
        item->setText(Movies + int(i), QLocale().toString(counts[i]));
    updateButton();
}

void RestoreDialog::updateButton()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_restore->setEnabled(item && item->data(Made, kWholeRole).toBool());
}

void RestoreDialog::restoreChosen()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->data(Made, kWholeRole).toBool())
        return;
    m_chosen = item->data(Made, kPathRole).toString();
    accept();
}
