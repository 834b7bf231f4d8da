#pragma once

#include "TFieldType.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class TDAODataset;

// One field of a dataset: a column of its result (data) or a value its calculation handler
// sets (calculated). Values are read from and written to the dataset's current row.
class TField
{
public:
    TField(TDAODataset* dataSet, QString name, TFieldType type, int size, bool required, TFieldKind kind);

    const QString& FieldName() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    bool Required() const { return m_required; }
    void setRequired(bool value) { m_required = value; }
    TFieldKind FieldKind() const { return m_kind; }
    bool Calculated() const { return m_kind == TFieldKind::Calculated; }
    int Index() const { return m_index; }
    TDAODataset* DataSet() const { return m_dataSet; }

    // Reading: a null reads as the empty text, 0, false or an invalid date.
    QVariant Value() const;
    bool IsNull() const;
    QString AsString() const;
    qint32 AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    // The text a control shows: dates in the user's short date format.
    QString DisplayText() const;
    static QString displayText(TFieldType type, const QVariant& value);

    // Writing: only in edit or insert state (or while calculating, for calculated fields).
    void SetValue(const QVariant& value);
    void SetAsString(const QString& value);
    void SetAsInteger(qint64 value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);
    void SetAsDateTime(const QDateTime& value);
    void Clear();

    // The text as it would be stored: cut to the field's size, never inside a character.
    static QString cutText(const QString& text, int size);

    // For the dataset.
    void setIndex(int index) { m_index = index; }
    int column() const { return m_column; }
    void setColumn(int column) { m_column = column; }
    const QString& origin() const { return m_origin; }
    void setOrigin(const QString& origin) { m_origin = origin; }

private:
    QVariant normalized(const QVariant& value) const;
    QVariant fromText(const QString& text) const;
    QVariant checkedInteger(qint64 value) const;

    TDAODataset* m_dataSet;
    QString m_name;
    TFieldType m_type;
    int m_size;
    bool m_required;
    TFieldKind m_kind;
    int m_index = -1;
    int m_column = -1; // result column, -1 for calculated fields
    QString m_origin;  // the table column behind it
};
