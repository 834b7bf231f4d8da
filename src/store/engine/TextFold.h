#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

// The catalogue's one rule for comparing text: letter case never matters (for all of Unicode),
// accented letters sort beside their base letter, and the order is fixed: it depends only on
// Unicode's case folding and canonical decomposition, never on the user's locale. Indexes built
// with it stay valid from run to run; `version()` changes only when that order could change.
class TextFold
{
public:
    // Three-way comparison of two UTF-8 texts: <0, 0, >0. Equal means "the same text but for
    // letter case" (and canonically equivalent forms).
    static int compareUtf8(std::string_view a, std::string_view b);
    static int compare(QStringView a, QStringView b);
    static bool equals(QStringView a, QStringView b) { return compare(a, b) == 0; }

    // True when `text` begins with `prefix` under the same rule. With `wildcards`, "*" in the
    // prefix matches any run of characters and "?" any one character; every other character,
    // "%" and "_" included, stands for itself.
    static bool startsWith(QStringView text, QStringView prefix, bool wildcards);

    // Bounds [lower, upper) in the catalogue's order holding every text that begins with
    // `prefix` (as startsWith() sees it without wildcards), so that an index can go straight
    // to them. Nothing when no bounds can be given (an empty prefix).
    static std::optional<std::pair<QString, QString>> prefixBounds(QStringView prefix);

    // Whole-text pattern match under the same rule. `Jet` patterns use * ? # and [...] classes;
    // `Sql` patterns use % and _ with an optional escape character.
    enum class PatternKind { Jet, Sql };
    static bool matches(QStringView text, QStringView pattern, PatternKind kind, char32_t escape = 0);

    // Identifies the order; stored in the catalogue so that its indexes are rebuilt if it changes.
    static QString version();

    // Folded form used for the first comparison level (no case, no accents).
    static std::u32string primaryKey(QStringView text);
    // Folded form used for equality (no case; accents kept; canonical decomposition).
    static std::u32string equalityKey(QStringView text);
};
