#pragma once

#include <QString>
#include <QVariant>

enum class TFieldType {
    Unknown,
    String,
    SmallInt,
    Integer,
    AutoInc,
    Boolean,
    Float,
    Currency,
    Date,
    Time,
    DateTime,
    Memo,
    Blob,
    // A computed result column without a declared type (max(...), count(...)): it binds to
    // whatever type the program declares for it.
    Variant,
};

enum class TFieldKind { Data, Calculated };

// Names, compatibility and value conversion of field types.
class FieldTypes
{
public:
    static QString name(TFieldType type);
    // Declared fields bind to columns of a compatible type: integers with each other, floating
    // point with currency, dates and times with each other, memo with binary.
    static bool compatible(TFieldType declared, TFieldType actual);
    // Reads SQLite's declared column type ("VARCHAR(50)", "SMALLINT", "MEMO", ...).
    static TFieldType fromDeclaration(const QString& declared, int* size);
    static TFieldType fromValue(const QVariant& value);

    static bool isText(TFieldType type) { return type == TFieldType::String || type == TFieldType::Memo; }
    static bool isInteger(TFieldType type);
    static bool isDate(TFieldType type);

    // Converts what SQLite returned into the value a field of this type holds.
    static QVariant fromEngine(TFieldType type, const QVariant& value);
    // Converts a field's value into what is written; an empty text becomes null.
    static QVariant toEngine(TFieldType type, const QVariant& value);
    static QString engineDateText(TFieldType type, const QDateTime& value);
    // Catalogue dates carry no time zone: they are kept as plain calendar dates and clock
    // times (UTC as a fixed reference, never converted), which also spares every read a
    // look at the system's time zone.
    static QDateTime naive(const QDate& date, const QTime& time);
    static QDateTime naive(const QDateTime& value);
};
