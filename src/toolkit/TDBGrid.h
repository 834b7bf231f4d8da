#pragma once

#include "DataGridModel.h"

#include <QTableView>

class SortMarkerHeader;
class TDataSource;

// A read-only grid bound to a data source: its current row is the dataset's current row, it
// shows a record indicator, column titles that may be buttons with sort markers, and it asks
// the dataset only for the rows in view.
class TDBGrid : public QTableView
{
    Q_OBJECT

public:
    struct Options
    {
        bool titles = true;
        bool indicator = true;
        bool rowSelect = false;
        bool fitWidth = false;  // columns share the grid's width in proportion
        int rowHeight = 0;      // 0: fitted to the font
        bool deleteKey = false; // Ctrl+Delete deletes the current row after "Delete record?"
    };

    explicit TDBGrid(QWidget* parent = nullptr);

    void setOptions(const Options& options);
    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return m_model->dataSource(); }
    void setColumns(std::vector<GridColumn> columns);
    DataGridModel* gridModel() const { return m_model; }
    SortMarkerHeader* titles() const { return m_header; }

    // Redraws the titles (after sort markers changed).
    void refreshTitles();

Q_SIGNALS:
    void titleClicked(int column, Qt::KeyboardModifiers modifiers);
    void controlReleased();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followDataset(int row);
    int scaled(int width) const;
    void fitColumns();

    DataGridModel* m_model;
    SortMarkerHeader* m_header;
    Options m_options;
    bool m_following = false;
};
