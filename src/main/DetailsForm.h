#pragma once

#include <QWidget>

class QGridLayout;
class TDataSource;
class TDBText;

// Label and value pairs, one per line: the labels in maroon, each value a field of the
// current item shown as its display text. Nothing here can be edited.
class DetailsForm : public QWidget
{
public:
    explicit DetailsForm(TDataSource* source, QWidget* parent = nullptr);

    // Adds a pair; `labelColor` invalid means maroon. Returns the value's label.
    TDBText* addPair(const QString& label, const QString& field, const QColor& labelColor = QColor());
    // A value on a line of its own under the previous pair, without a label.
    TDBText* addSecondLine(const QString& field);
    // Anything else on a line of its own (spanning both columns).
    void addRow(QWidget* widget);
    // Pushes the pairs to the top.
    void finish();

    static QColor maroon() { return QColor(128, 0, 0); }

private:
    TDBText* value(const QString& field);

    TDataSource* m_source;
    QGridLayout* m_grid;
    int m_row = 0;
    bool m_finished = false;
};
