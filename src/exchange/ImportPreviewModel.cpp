#include "ImportPreviewModel.h"

#include "DateText.h"
#include "TellicoPictures.h"

#include <QBrush>
#include <QColor>

void ImportPreviewModel::setRows(const ExchangeFolder* folder, std::vector<int> mapping, std::vector<ImportRow> rows,
                                 const TellicoPictures* pictures)
{
    beginResetModel();
    m_folder = folder;
    m_pictures = pictures;
    m_targets.clear();
    for (int target : mapping) {
        if (target != ExchangeFolder::kSkip && std::find(m_targets.begin(), m_targets.end(), target) == m_targets.end())
            m_targets.push_back(target);
    }
    m_rows = std::move(rows);
    endResetModel();
}

int ImportPreviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ImportPreviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_folder ? 0 : int(m_targets.size()) + 1;
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_folder)
        return {};
    if (orientation == Qt::Vertical)
        return section >= 0 && size_t(section) < m_rows.size() ? QVariant(m_rows[size_t(section)].line) : QVariant();
    if (section == 0)
        return QStringLiteral("Problem");
    return size_t(section) <= m_targets.size() ? m_folder->targetCaption(m_targets[size_t(section - 1)]) : QVariant();
}

QString ImportPreviewModel::cellText(const ImportRow& row, int target, bool& cut) const
{
    cut = false;
    if (target == ExchangeFolder::kPicture) {
        // Whether the entry brings a picture; whether it is a good one shows only when it is read.
        if (row.picture.isEmpty())
            return {};
        return m_pictures && m_pictures->has(row.picture) ? QStringLiteral("Yes") : QStringLiteral("Missing");
    }
    if (target == ExchangeFolder::kDetails) {
        cut = row.detailsCut;
        QString text = m_folder->details == ExchangeFolder::Details::Songs ? DetailText::songsText(row.songs)
                                                                           : DetailText::castText(row.cast);
        return text.replace(u'\n', u'↵');
    }
    const ImportValue* v = row.value(m_folder->fields[size_t(target)].name);
    if (!v)
        return {};
    cut = v->cut;
    if (v->value.typeId() == QMetaType::QDateTime)
        return DateText::toText(v->value.toDateTime().date());
    QString text = v->value.toString();
    text.replace(u'\n', u'↵');
    return text;
}

QVariant ImportPreviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_folder || size_t(index.row()) >= m_rows.size())
        return {};
    const ImportRow& row = m_rows[size_t(index.row())];
    const bool problemColumn = index.column() == 0;
    if (problemColumn) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row.error;
        if (role == Qt::ForegroundRole && !row.error.isEmpty())
            return QBrush(QColor(170, 0, 0));
        return {};
    }
    bool cut = false;
    const QString text = cellText(row, m_targets[size_t(index.column() - 1)], cut);
    switch (role) {
    case Qt::DisplayRole:
        return cut ? text + QStringLiteral(" ✂") : text;
    case Qt::ToolTipRole:
        return cut ? QStringLiteral("Cut to the size of the field: %1").arg(text) : QVariant();
    case Qt::BackgroundRole:
        if (!row.error.isEmpty())
            return QBrush(QColor(250, 222, 222));
        return cut ? QVariant(QBrush(QColor(255, 243, 205))) : QVariant();
    default:
        return {};
    }
}
