#pragma once

#include "TDataLink.h"

#include <QString>
#include <functional>

class TField;

// The link of a control that shows one field: it calls `changed` whenever what the control
// shows may be different (a move, a re-run, a field edit, opening or closing).
class FieldDataLink : public TDataLink
{
public:
    explicit FieldDataLink(QString fieldName = QString(), std::function<void()> changed = {})
        : m_fieldName(std::move(fieldName))
        , m_changed(std::move(changed))
    {
    }

    const QString& FieldName() const { return m_fieldName; }
    void setFieldName(const QString& name)
    {
        m_fieldName = name;
        notify();
    }
    void setOnChange(std::function<void()> changed) { m_changed = std::move(changed); }

    // The bound field, or nullptr while the dataset is closed or lacks it.
    TField* Field() const;

protected:
    void activeChanged() override { notify(); }
    void editingChanged() override { notify(); }
    void dataSetChanged() override { notify(); }
    void dataSetScrolled(int) override { notify(); }
    void recordChanged(TField* field) override;

private:
    void notify();

    QString m_fieldName;
    std::function<void()> m_changed;
};
