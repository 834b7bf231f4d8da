#pragma once

#include "ImportRow.h"

#include <QAbstractTableModel>
#include <vector>

class TellicoPictures;

// The first rows of a file as they will be stored: first the reason a row cannot be stored
// (such a row is red), then one column per field the mapping fills, the cast or songs, and
// whether the item brings a picture; a value cut to its field is marked.
class ImportPreviewModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    static constexpr int kRows = 50;

    void setRows(const ExchangeFolder* folder, std::vector<int> mapping, std::vector<ImportRow> rows,
                 const TellicoPictures* pictures = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const std::vector<ImportRow>& rows() const { return m_rows; }

private:
    QString cellText(const ImportRow& row, int target, bool& cut) const;

    const ExchangeFolder* m_folder = nullptr;
    const TellicoPictures* m_pictures = nullptr;
    std::vector<int> m_targets; // the targets shown, in the order of the file's columns
    std::vector<ImportRow> m_rows;
};
