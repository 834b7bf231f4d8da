#include "TParam.h"

#include "EDatabaseError.h"

#include <QStringList>

void TParam::SetAsInteger(qint64 value)
{
    m_type = TFieldType::Integer;
    m_value = value;
    m_bound = true;
}

void TParam::SetAsString(const QString& value)
{
    m_type = TFieldType::String;
    m_value = value;
    m_bound = true;
}

void TParam::SetValue(const QVariant& value)
{
    if (m_type == TFieldType::Unknown && !value.isNull())
        m_type = FieldTypes::fromValue(value);
    m_value = value;
    m_bound = true;
}

void TParam::Clear()
{
    m_value = QVariant();
    m_bound = true;
}

void TParam::assignFromMaster(TFieldType type, const QVariant& value)
{
    m_type = type;
    m_value = value;
    m_bound = false;
}

TParam* TParams::FindParam(const QString& name) const
{
    for (const auto& p : m_items) {
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    }
    return nullptr;
}

TParam& TParams::ParamByName(const QString& name) const
{
    if (TParam* p = FindParam(name))
        return *p;
    const QString message = QStringLiteral("Parameter '%1' not found").arg(name);
    throw EDatabaseError(m_owner.isEmpty() ? message : m_owner + QStringLiteral(": ") + message);
}

TParam& TParams::CreateParam(const QString& name, TFieldType type)
{
    m_items.push_back(std::make_unique<TParam>(name, type));
    return *m_items.back();
}

void TParams::rebuild(const QStringList& names)
{
    std::vector<std::unique_ptr<TParam>> next;
    for (const QString& name : names) {
        auto it = std::find_if(m_items.begin(), m_items.end(),
                               [&](const auto& p) { return p && p->Name().compare(name, Qt::CaseInsensitive) == 0; });
        if (it != m_items.end())
            next.push_back(std::move(*it));
        else
            next.push_back(std::make_unique<TParam>(name));
    }
    m_items = std::move(next);
}
