#include "ImportRow.h"

#include "CsvReader.h"
#include "DateText.h"
#include "TDAODataset.h"
#include "TField.h"

#include <QLocale>

namespace {

// A number as the field keeps it, or the reason it cannot be.
std::optional<qint64> readNumber(const QString& text, TFieldType type, QString& error)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok) {
        error = QStringLiteral("'%1' is not a number").arg(text);
        return std::nullopt;
    }
    const qint64 low = type == TFieldType::SmallInt ? -32768 : -2147483648LL;
    const qint64 high = type == TFieldType::SmallInt ? 32767 : 2147483647LL;
    if (n < low || n > high) {
        error = QStringLiteral("%1 is out of range").arg(n);
        return std::nullopt;
    }
    return n;
}

// Dates as files write them: "2024-03-01" (with or without a time after it), or as the user's
// locale writes them.
QDate readDate(const QString& text)
{
    QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (date.isValid())
        return date;
    return DateText::fromText(text, QLocale());
}

} // namespace

const ImportValue* ImportRow::value(const QString& field) const
{
    for (const ImportValue& v : values) {
        if (v.field == field)
            return &v;
    }
    return nullptr;
}

QString ImportRow::title(const ExchangeFolder& folder) const
{
    const ImportValue* v = value(folder.titleField);
    return v ? v->value.toString() : QString();
}

std::optional<int> ImportRow::year() const
{
    const ImportValue* v = value(QStringLiteral("Year"));
    if (!v || v->value.isNull())
        return std::nullopt;
    return v->value.toInt();
}

ImportRow ImportRow::read(const ExchangeFolder& folder, const TDAODataset& items, const TDAODataset* details,
                          const Settings& settings, const CsvRecord& record)
{
    ImportRow row;
    row.line = record.line;
    const qsizetype columns = std::min<qsizetype>(record.fields.size(), qsizetype(settings.mapping.size()));
    for (qsizetype c = 0; c < columns; ++c) {
        const int target = settings.mapping[size_t(c)];
        const QString& raw = record.fields.at(c);
        if (target == ExchangeFolder::kDetails) {
            row.hasDetails = true;
            if (folder.details == ExchangeFolder::Details::Cast && details) {
                const int size = details->FieldByName(QStringLiteral("Name")).Size();
                for (const QString& name : DetailText::readCast(raw)) {
                    const QString stored = TField::cutText(name, size);
                    row.detailsCut |= stored != name;
                    row.cast << stored;
                }
            } else if (folder.details == ExchangeFolder::Details::Songs && details) {
                const int titleSize = details->FieldByName(QStringLiteral("Title")).Size();
                const int timeSize = details->FieldByName(QStringLiteral("Time")).Size();
                for (SongEntry song : DetailText::readSongs(raw)) {
                    const QString title = TField::cutText(song.title, titleSize);
                    const QString time = TField::cutText(song.time, timeSize);
                    row.detailsCut |= title != song.title || time != song.time;
                    song.title = title;
                    song.time = time;
                    song.track = std::clamp(song.track, 1, 999);
                    row.songs.push_back(song);
                }
            }
            continue;
        }
        if (target == ExchangeFolder::kPicture) {
            row.picture = raw.trimmed();
            continue;
        }
        if (target < 0 || size_t(target) >= folder.fields.size())
            continue;
        const ExchangeField& wanted = folder.fields[size_t(target)];
        const TField& field = items.FieldByName(wanted.name);
        // A memo keeps its text as it is; other values lose the blanks around them.
        const QString text = field.DataType() == TFieldType::Memo ? raw : raw.trimmed();
        if (text.trimmed().isEmpty())
            continue;
        ImportValue v;
        v.field = wanted.name;
        QString problem;
        switch (field.DataType()) {
        case TFieldType::String: {
            const QString stored = TField::cutText(text, field.Size());
            v.cut = stored != text;
            v.value = stored;
            break;
        }
        case TFieldType::SmallInt:
        case TFieldType::Integer:
            if (const auto n = readNumber(text, field.DataType(), problem))
                v.value = *n;
            break;
        case TFieldType::DateTime:
        case TFieldType::Date: {
            const QDate date = readDate(text);
            if (date.isValid())
                v.value = QDateTime(date, QTime(0, 0));
            else
                problem = QStringLiteral("'%1' is not a date").arg(text);
            break;
        }
        default:
            v.value = text;
            break;
        }
        if (!problem.isEmpty()) {
            if (row.error.isEmpty())
                row.error = wanted.caption + QStringLiteral(": ") + problem;
            continue;
        }
        row.values.push_back(std::move(v));
    }
    if (!row.error.isEmpty())
        return row;
    if (row.title(folder).isEmpty()) {
        const QString caption
            = folder.fields[0].name == folder.titleField ? folder.fields[0].caption : QStringLiteral("Last name");
        row.error = QStringLiteral("%1 is empty").arg(caption);
        return row;
    }
    if (!row.value(QStringLiteral("Category"))) {
        if (settings.defaultCategory.trimmed().isEmpty()) {
            row.error = QStringLiteral("Category is empty");
            return row;
        }
        const TField& field = items.FieldByName(QStringLiteral("Category"));
        const QString text = settings.defaultCategory.trimmed();
        const QString stored = TField::cutText(text, field.Size());
        row.values.push_back({QStringLiteral("Category"), stored, stored != text});
    }
    return row;
}
