#pragma once

#include <QHeaderView>

class DataGridModel;

// Column titles of a data grid: titles marked as buttons react to clicks (with the keyboard
// modifiers held), and each title draws its column's sort marker.
class SortMarkerHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit SortMarkerHeader(DataGridModel& model, QWidget* parent = nullptr);

Q_SIGNALS:
    void titleClicked(int column, Qt::KeyboardModifiers modifiers);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool isButton(int column) const;

    DataGridModel& m_model;
    int m_pressed = -1;
};
