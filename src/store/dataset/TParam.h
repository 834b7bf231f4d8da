#pragma once

#include "TFieldType.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

// A parameter of a query or stored statement.
class TParam
{
public:
    TParam(QString name, TFieldType type = TFieldType::Unknown)
        : m_name(std::move(name))
        , m_type(type)
    {
    }

    const QString& Name() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    void setDataType(TFieldType type) { m_type = type; }
    const QVariant& Value() const { return m_value; }
    bool IsNull() const { return m_value.isNull(); }
    // Set once the program has assigned a value; a query's master never overrides it then.
    bool Bound() const { return m_bound; }
    void setBound(bool bound) { m_bound = bound; }

    void SetAsInteger(qint64 value);
    void SetAsString(const QString& value);
    void SetValue(const QVariant& value);
    void Clear();

    // Used when a detail query takes the value from its master: not marked as bound.
    void assignFromMaster(TFieldType type, const QVariant& value);

private:
    QString m_name;
    TFieldType m_type;
    QVariant m_value;
    bool m_bound = false;
};

class TParams
{
public:
    explicit TParams(QString ownerName = QString())
        : m_owner(std::move(ownerName))
    {
    }

    int Count() const { return int(m_items.size()); }
    TParam& operator[](int index) const { return *m_items.at(size_t(index)); }
    TParam* FindParam(const QString& name) const;
    // Fails with "Parameter '%s' not found".
    TParam& ParamByName(const QString& name) const;
    TParam& CreateParam(const QString& name, TFieldType type = TFieldType::Unknown);
    void Clear() { m_items.clear(); }
    // Replaces the list by these names, keeping what was set on parameters that stay.
    void rebuild(const QStringList& names);

private:
    QString m_owner;
    std::vector<std::unique_ptr<TParam>> m_items;
};
