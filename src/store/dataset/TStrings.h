#pragma once

#include <QString>
#include <QStringList>

// A list of texts that a routine fills (a drop-down box's items, or a plain list in tests).
class TStrings
{
public:
    virtual ~TStrings() = default;
    virtual void Clear() = 0;
    virtual void Add(const QString& text) = 0;
};

// The plain list.
class TStringList : public TStrings
{
public:
    void Clear() override { items.clear(); }
    void Add(const QString& text) override { items << text; }
    QStringList items;
};
