#include "SearchResultsPopup.h"

#include "SearchFolder.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kHitRole = Qt::UserRole; // the item's key (results only)
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kHtmlRole = Qt::UserRole + 2;
constexpr int kMostHeight = 480;

QString markedHtml(const SearchHit& hit)
{
    QString html;
    qsizetype at = 0;
    for (const auto& [from, to] : hit.marks) {
        html += hit.snippet.mid(at, from - at).toHtmlEscaped();
        html += QStringLiteral("<b>") + hit.snippet.mid(from, to - from).toHtmlEscaped() + QStringLiteral("</b>");
        at = to;
    }
    html += hit.snippet.mid(at).toHtmlEscaped();
    QString title = QStringLiteral("<b>%1</b>").arg(hit.title.toHtmlEscaped());
    if (!hit.subtitle.isEmpty())
        title += QStringLiteral(" &nbsp;<span style='color:gray'>%1</span>").arg(hit.subtitle.toHtmlEscaped());
    return QStringLiteral("%1<br><span style='color:gray'>%2:</span> %3").arg(title, hit.field.toHtmlEscaped(), html);
}

// Draws a result as two lines of rich text.
class HitDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString html = index.data(kHtmlRole).toString();
        if (html.isEmpty())
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter);
        QTextDocument doc;
        doc.setDefaultFont(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        // Grey on the selection's colour cannot be read: the selection's text colour instead.
        doc.setHtml(selected ? QString(html).replace(QStringLiteral("color:gray"),
                                                     QStringLiteral("color:")
                                                         + opt.palette.color(QPalette::HighlightedText).name())
                             : html);
        doc.setTextWidth(opt.rect.width());
        painter->save();
        painter->translate(opt.rect.topLeft());
        QAbstractTextDocumentLayout::PaintContext context;
        if (selected)
            context.palette.setColor(QPalette::Text, opt.palette.color(QPalette::HighlightedText));
        painter->setClipRect(QRect(QPoint(0, 0), opt.rect.size()));
        doc.documentLayout()->draw(painter, context);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.data(kHtmlRole).toString().isEmpty())
            return QStyledItemDelegate::sizeHint(option, index);
        return {option.rect.width(), option.fontMetrics.height() * 2 + 6};
    }
};

QString headingText(const SearchFolderResult& f)
{
    const QString caption = SearchFolder::at(f.folder).caption;
    if (f.count < 0)
        return QStringLiteral("%1 (more than %2, first %2 shown)").arg(caption).arg(f.hits.size());
    if (f.count > qint64(f.hits.size()))
        return QStringLiteral("%1 (%2, first %3 shown)").arg(caption).arg(f.count).arg(f.hits.size());
    return QStringLiteral("%1 (%2)").arg(caption).arg(f.count);
}

} // namespace

void SearchResultsPopup::updateCounts(const SearchResults& results, const QString& note)
{
    qsizetype folder = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(0, kHitRole).isValid())
            continue;
        while (folder < qsizetype(results.folders.size()) && results.folders[size_t(folder)].count == 0)
            ++folder;
        if (folder < qsizetype(results.folders.size()))
            item->setText(0, headingText(results.folders[size_t(folder++)]));
    }
    m_note->setText(note);
}

SearchResultsPopup::SearchResultsPopup(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SearchResults"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameShape(QFrame::Box);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("SearchNote"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("SearchResultList"));
    m_list->setAccessibleName(QStringLiteral("Search results"));
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(false);
    m_list->setItemDelegate(new HitDelegate(m_list));
    m_list->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemActivated, this, &SearchResultsPopup::onActivated);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_note);
    layout->addWidget(m_list);
    resize(560, 420);
}

void SearchResultsPopup::show(const SearchResults& results, const QString& note)
{
    m_list->clear();
    for (const SearchFolderResult& f : results.folders) {
        if (f.count == 0)
            continue;
        auto* heading = new QTreeWidgetItem(m_list);
        heading->setText(0, headingText(f));
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        heading->setFlags(Qt::ItemIsEnabled);
        heading->setFirstColumnSpanned(true);
        for (const SearchHit& hit : f.hits) {
            auto* row = new QTreeWidgetItem(m_list);
            row->setData(0, kHitRole, hit.id);
            row->setData(0, kFolderRole, f.folder);
            row->setData(0, kHtmlRole, markedHtml(hit));
            // What a screen reader says and a test reads.
            row->setText(0, hit.title);
            row->setToolTip(0, QStringLiteral("%1: %2").arg(hit.field, hit.snippet));
        }
    }
    m_note->setText(note);
    // As tall as the results need, up to a height that leaves the window in view.
    const int line = fontMetrics().height();
    int height = m_note->sizeHint().height() + 2 * line;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        height += m_list->topLevelItem(i)->data(0, kHtmlRole).isValid() ? line * 2 + 6 : line + 4;
    resize(width(), std::min(height, kMostHeight));
    QFrame::show();
    raise();
}

bool SearchResultsPopup::currentHit(int& folder, qint64& id) const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->data(0, kHitRole).isValid())
        return false;
    folder = item->data(0, kFolderRole).toInt();
    id = item->data(0, kHitRole).toLongLong();
    return true;
}

void SearchResultsPopup::step(int direction)
{
    int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    for (row += direction; row >= 0 && row < m_list->topLevelItemCount(); row += direction) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        if (item->data(0, kHitRole).isValid()) {
            m_list->setCurrentItem(item);
            return;
        }
    }
}

void SearchResultsPopup::onActivated(QTreeWidgetItem* item)
{
    if (!item || !item->data(0, kHitRole).isValid())
        return;
    Q_EMIT activated(item->data(0, kFolderRole).toInt(), item->data(0, kHitRole).toLongLong());
}

bool SearchResultsPopup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Q_EMIT escaped();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
