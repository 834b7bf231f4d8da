#include "DataGridModel.h"

#include "GridRowMarks.h"
#include "MessageService.h"
#include "TDAODataset.h"
#include "TDataSource.h"
#include "TField.h"

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

// The record indicator: a triangle on the current row, a star on a new one, a pen mark on
// one being edited.
QIcon indicator(TDataSetState state)
{
    static QIcon browse, insert, edit;
    QIcon& icon = state == TDataSetState::Insert ? insert : (state == TDataSetState::Edit ? edit : browse);
    if (!icon.isNull())
        return icon;
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (state == TDataSetState::Insert) {
        p.setPen(QPen(Qt::black, 1.6));
        p.drawLine(QPointF(6, 2), QPointF(6, 10));
        p.drawLine(QPointF(2.5, 4), QPointF(9.5, 8));
        p.drawLine(QPointF(2.5, 8), QPointF(9.5, 4));
    } else if (state == TDataSetState::Edit) {
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(3, 10), QPointF(9.5, 2.5));
        p.drawLine(QPointF(2, 11), QPointF(5, 11));
    } else {
        const QPointF tri[3] = {{3.5, 2}, {9.5, 6}, {3.5, 10}};
        p.drawPolygon(tri, 3);
    }
    p.end();
    icon = QIcon(pm);
    return icon;
}

// The indicator with a row's mark, small, in its top right corner.
QIcon withMark(const QIcon& indicator, const QIcon& mark)
{
    QPixmap pm = indicator.pixmap(12, 12);
    QPainter p(&pm);
    p.drawPixmap(QRect(7, 0, 5, 5), mark.pixmap(10, 10));
    p.end();
    return QIcon(pm);
}

} // namespace

DataGridModel::DataGridModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

DataGridModel::~DataGridModel() = default;

void DataGridModel::setDataSource(TDataSource* source)
{
    m_link.setDataSource(source);
    reload();
}

void DataGridModel::setColumns(std::vector<GridColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

int DataGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

int DataGridModel::currentRow() const
{
    return m_current;
}

QBrush DataGridModel::unreadableBrush()
{
    return QBrush(QColor(192, 0, 0), Qt::BDiagPattern);
}

QString DataGridModel::rowError(int row) const
{
    TDAODataset* ds = m_link.DataSet();
    if (!ds || !ds->Active() || row < 0 || row >= ds->RowCount())
        return {};
    try {
        return ds->rowError(row);
    } catch (...) {
        // The file is in use elsewhere: the row is read again at the next paint.
        return {};
    }
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= int(m_columns.size()))
        return {};
    const GridColumn& column = m_columns[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        TDAODataset* ds = m_link.DataSet();
        if (!ds || !ds->Active() || index.row() >= ds->RowCount())
            return {};
        if (const QString error = rowError(index.row()); !error.isEmpty())
            return role == Qt::ToolTipRole ? QVariant(MessageService::withFullStop(error)) : QVariant();
        const TField* field = ds->FindField(column.field);
        if (!field)
            return {};
        try {
            const QString text = TField::displayText(field->DataType(), ds->rowValue(index.row(), *field));
            if (role == Qt::ToolTipRole)
                return text.size() > 20 ? QVariant(text) : QVariant();
            return text;
        } catch (...) {
            // Painting cannot stop to show an error; the cell stays empty.
            return {};
        }
    }
    case Qt::AccessibleDescriptionRole:
        if (const QString error = rowError(index.row()); !error.isEmpty())
            return QStringLiteral("Unreadable row: %1").arg(MessageService::withFullStop(error));
        return {};
    case Qt::TextAlignmentRole:
        return int(column.alignment);
    case Qt::BackgroundRole:
        if (!rowError(index.row()).isEmpty())
            return unreadableBrush();
        return column.background.isValid() ? QVariant(QBrush(column.background)) : QVariant();
    default:
        return {};
    }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= int(m_columns.size()))
            return {};
        const GridColumn& c = m_columns[size_t(section)];
        if (role == Qt::DisplayRole)
            return c.title.isEmpty() ? c.field : c.title;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    if (role == Qt::DecorationRole && section == m_current) {
        TDAODataset* ds = m_link.DataSet();
        const QIcon shown = indicator(ds ? ds->State() : TDataSetState::Browse);
        if (const QVariant mark = m_marks ? m_marks->rowMark(section, role) : QVariant(); mark.isValid())
            return withMark(shown, mark.value<QIcon>());
        return shown;
    }
    if (m_marks && (role == Qt::DecorationRole || role == Qt::ToolTipRole) && section >= 0 && section < m_rows)
        return m_marks->rowMark(section, role);
    if (role == Qt::DisplayRole)
        return QString();
    return {};
}

void DataGridModel::setRowMarks(const GridRowMarks* marks)
{
    m_marks = marks;
    rowMarksChanged();
}

void DataGridModel::rowMarksChanged()
{
    if (m_rows > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void DataGridModel::reload()
{
    TDAODataset* ds = m_link.DataSet();
    beginResetModel();
    m_rows = ds && ds->Active() ? ds->RowCount() : 0;
    m_resultSerial = ds && ds->Active() ? ds->ResultSerial() : 0;
    m_current = ds && ds->Active() ? ds->CurrentRow() : -1;
    endResetModel();
    Q_EMIT currentRowChanged(m_current);
    m_arrived = -1; // a new result: its current row is arrived at anew
    checkArrival();
}

void DataGridModel::changed()
{
    // Telling the view exactly what changed keeps its scroll position and selection, and
    // costs a repaint of the rows in view rather than a reset. The row an insert, a cancel or
    // a delete adds or takes away is at the current row; the rows in view are said to have
    // changed as well, as a post may have changed what they show.
    TDAODataset* ds = m_link.DataSet();
    if (!ds || !ds->Active() || m_rows == 0 || ds->ResultSerial() != m_resultSerial) {
        reload(); // a new result: a new order, other rows
        return;
    }
    const int rows = ds->RowCount();
    const int current = ds->CurrentRow();
    if (rows == m_rows + 1 && current >= 0 && current < rows) {
        beginInsertRows(QModelIndex(), current, current);
        m_rows = rows;
        endInsertRows();
    } else if (rows == m_rows - 1 && m_current >= 0 && m_current < m_rows) {
        beginRemoveRows(QModelIndex(), m_current, m_current);
        m_rows = rows;
        endRemoveRows();
    } else if (rows != m_rows) {
        reload();
        return;
    }
    if (m_rows > 0 && !m_columns.empty()) {
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
        Q_EMIT headerDataChanged(Qt::Vertical, 0, m_rows - 1);
    }
    m_current = current;
    Q_EMIT currentRowChanged(m_current);
    m_arrived = -1; // the rows were read again: the current row is arrived at anew
    checkArrival();
}

void DataGridModel::moved()
{
    TDAODataset* ds = m_link.DataSet();
    const int old = m_current;
    m_current = ds ? ds->CurrentRow() : -1;
    if (old >= 0 && old < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (m_current >= 0 && m_current < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, m_current, m_current);
    Q_EMIT currentRowChanged(m_current);
    checkArrival();
}

void DataGridModel::checkArrival()
{
    if (m_current == m_arrived)
        return;
    m_arrived = m_current;
    if (const QString error = rowError(m_current); !error.isEmpty())
        Q_EMIT unreadableRowReached(error);
}

void DataGridModel::rowEdited()
{
    if (m_current < 0 || m_current >= m_rows || m_columns.empty())
        return;
    Q_EMIT dataChanged(index(m_current, 0), index(m_current, int(m_columns.size()) - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, m_current, m_current);
}
