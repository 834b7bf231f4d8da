#include "SqliteFunctions.h"

#include "SqliteStatement.h"
#include "TextFold.h"

#include <QList>
#include <QString>
#include <sqlite3.h>

namespace {

int collate(void*, int lenA, const void* a, int lenB, const void* b)
{
    return TextFold::compareUtf8({static_cast<const char*>(a), size_t(lenA)},
                                 {static_cast<const char*>(b), size_t(lenB)});
}

QString textArg(sqlite3_value* v)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

// like(pattern, text [, escape]): SQL's LIKE, with letter case ignored for all of Unicode.
void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    char32_t escape = 0;
    if (argc == 3) {
        const QString e = textArg(argv[2]);
        if (e.toUcs4().size() != 1)
            return sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
        escape = e.toUcs4().front();
    }
    const bool hit = TextFold::matches(textArg(argv[1]), textArg(argv[0]), TextFold::PatternKind::Sql, escape);
    sqlite3_result_int(ctx, hit ? 1 : 0);
}

// kolt_prefix(text, prefix): the partial-key search; "*" and "?" are wildcards.
void prefixFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, TextFold::startsWith(textArg(argv[0]), textArg(argv[1]), true) ? 1 : 0);
}

// kolt_like(text, pattern): LIKE in filter expressions, with * ? # and [...] patterns.
void jetLikeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const bool hit = TextFold::matches(textArg(argv[0]), textArg(argv[1]), TextFold::PatternKind::Jet);
    sqlite3_result_int(ctx, hit ? 1 : 0);
}

void check(sqlite3* db, int rc)
{
    SqliteStatement::check(db, rc);
}

} // namespace

void SqliteFunctions::install(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    check(db, sqlite3_create_collation(db, kCollation, SQLITE_UTF8, nullptr, collate));
    check(db, sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr));
    check(db, sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr));
    check(db, sqlite3_create_function(db, "kolt_prefix", 2, flags, nullptr, prefixFunction, nullptr, nullptr));
    check(db, sqlite3_create_function(db, "kolt_like", 2, flags, nullptr, jetLikeFunction, nullptr, nullptr));
}
