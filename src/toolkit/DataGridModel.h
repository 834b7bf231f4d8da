#pragma once

#include "GridColumn.h"
#include "TDataLink.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <vector>

class GridRowMarks;
class TDataSource;

// A table model over a dataset: one row per row of its result (plus the pending new row),
// one column per grid column. It asks the dataset only for the rows a view shows. A row that
// cannot be read shows empty cells over a hatched background, with the reason as its tip.
class DataGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DataGridModel(QObject* parent = nullptr);
    ~DataGridModel() override;

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return m_link.DataSource(); }
    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return m_columns; }
    GridColumn& column(int index) { return m_columns.at(size_t(index)); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The dataset's current row (-1 when none).
    int currentRow() const;

    // Marks shown in the record indicator column (nullptr: none); not owned. Say when they
    // change with rowMarksChanged().
    void setRowMarks(const GridRowMarks* marks);
    void rowMarksChanged();

    // The background of every cell of a row that cannot be read.
    static QBrush unreadableBrush();

Q_SIGNALS:
    // The dataset's current row moved (or the result changed under it).
    void currentRowChanged(int row);
    // The current row moved onto a row that cannot be read. Sent once per arrival, from the
    // dataset's notification: whoever shows it must not do so before that has finished.
    void unreadableRowReached(const QString& message);

private:
    class Link : public TDataLink
    {
    public:
        explicit Link(DataGridModel& model)
            : m_model(model)
        {
        }

    protected:
        void activeChanged() override { m_model.reload(); }
        void editingChanged() override { m_model.changed(); }
        void dataSetChanged() override { m_model.changed(); }
        void dataSetScrolled(int) override { m_model.moved(); }
        void recordChanged(TField*) override { m_model.rowEdited(); }

    private:
        DataGridModel& m_model;
    };

    void reload();
    // The same result changed: a row edited, added or taken away, or the rows re-read.
    void changed();
    void moved();
    void rowEdited();
    void checkArrival();
    // Why the row cannot be read; empty when it can (or when that is not known yet).
    QString rowError(int row) const;

    Link m_link{*this};
    std::vector<GridColumn> m_columns;
    int m_rows = 0;
    quint64 m_resultSerial = 0; // the dataset's result the rows belong to
    int m_current = -1;
    int m_arrived = -1; // the current row the last arrival was checked for
    const GridRowMarks* m_marks = nullptr;
};
