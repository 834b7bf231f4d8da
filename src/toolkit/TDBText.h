#pragma once

#include "FieldDataLink.h"

#include <QLabel>

class TDataSource;

// A label that shows one field's display text (dates in the user's short date format).
class TDBText : public QLabel
{
    Q_OBJECT

public:
    explicit TDBText(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const FieldDataLink& link() const { return m_link; }

private:
    void refresh();
    FieldDataLink m_link;
};
