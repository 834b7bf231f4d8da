#pragma once

#include "FieldDataLink.h"

#include <QGroupBox>
#include <QList>

class QCheckBox;
class TDataSource;

// A read-only group of check boxes over an integer used as a bit set: box n is ticked exactly
// when bit n is set; an empty or negative value shows all clear.
class TDBCheckGroup : public QGroupBox
{
public:
    TDBCheckGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }
    const QList<QCheckBox*>& boxes() const { return m_boxes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    FieldDataLink m_link;
    QList<QCheckBox*> m_boxes;
};
