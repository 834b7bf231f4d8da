#include "TrashDialog.h"

#include "ErrorGuard.h"
#include "MessageService.h"
#include "TrashBin.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TrashColumn { Deleted, Folder, Item, With };
constexpr int kIdRole = Qt::UserRole;

QString folderCaption(const QString& table)
{
    static const QStringList captions{QStringLiteral("Movies"), QStringLiteral("Music"), QStringLiteral("Books"),
                                      QStringLiteral("Programs"), QStringLiteral("Address Book")};
    const int folder = TrashBin::folderOf(table);
    QString caption = folder >= 0 ? captions.value(folder) : table;
    if (table == QLatin1String("Mv_Cast"))
        caption += QStringLiteral(" (cast)");
    else if (table == QLatin1String("Mu_Songs"))
        caption += QStringLiteral(" (song)");
    return caption;
}

QString withWhat(const TrashBin::Entry& e)
{
    if (e.details == 0)
        return {};
    if (e.table == QLatin1String("Movies"))
        return e.details == 1 ? QStringLiteral("1 cast member") : QStringLiteral("%1 cast members").arg(e.details);
    return e.details == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(e.details);
}

} // namespace

TrashDialog::TrashDialog(TrashBin& trash, QWidget* parent)
    : QDialog(parent)
    , m_trash(trash)
{
    setWindowTitle(QStringLiteral("Trash"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels(
        {QStringLiteral("Deleted"), QStringLiteral("Folder"), QStringLiteral("Item"), QStringLiteral("With")});
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAccessibleName(QStringLiteral("Deleted items"));
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_putBack = buttons->addButton(QStringLiteral("&Put back"), QDialogButtonBox::ActionRole);
    m_remove = buttons->addButton(QStringLiteral("&Remove for good"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_putBack, &QPushButton::clicked, this, [this] { putBackChosen(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { removeChosen(); });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    layout->addWidget(buttons);
    resize(680, 380);
    fill();
}

void TrashDialog::fill()
{
    m_list->clear();
    ErrorGuard::run(
        [&] {
            for (const TrashBin::Entry& e : m_trash.entries()) {
                auto* item = new QTreeWidgetItem(m_list);
                item->setText(Deleted, QLocale().toString(e.deletedAt.toLocalTime(), QLocale::ShortFormat));
                item->setText(Folder, folderCaption(e.table));
                item->setText(Item, e.title);
                item->setText(With, withWhat(e));
                item->setData(Deleted, kIdRole, e.id);
            }
        },
        this);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateButtons();
}

std::vector<qint64> TrashDialog::chosen() const
{
    std::vector<qint64> ids;
    for (const QTreeWidgetItem* item : m_list->selectedItems())
        ids.push_back(item->data(Deleted, kIdRole).toLongLong());
    return ids;
}

void TrashDialog::updateButtons()
{
    const bool any = !m_list->selectedItems().isEmpty();
    m_putBack->setEnabled(any);
    m_remove->setEnabled(any);
}

void TrashDialog::putBackChosen()
{
    // Items before the cast members and songs that belong to them: oldest deletes last.
    std::vector<qint64> ids = chosen();
    std::sort(ids.begin(), ids.end());
    for (const qint64 id : ids) {
        if (!ErrorGuard::run([&] { m_trash.putBack(id); }, this))
            break;
    }
    fill();
}

void TrashDialog::removeChosen()
{
    const std::vector<qint64> ids = chosen();
    if (ids.empty())
        return;
    const QString question
        = ids.size() == 1
              ? QStringLiteral("Remove the chosen item for good? It cannot be put back then.")
              : QStringLiteral("Remove the %1 chosen items for good? They cannot be put back then.").arg(ids.size());
    if (!MessageService::ask(question, this))
        return;
    ErrorGuard::run([&] { m_trash.removeForGood(ids); }, this);
    fill();
}
