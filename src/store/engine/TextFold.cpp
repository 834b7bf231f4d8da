#include "TextFold.h"

#include <QChar>
#include <QList>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// How one code point folds: `primary` drops case and accents, `secondary` drops case only.
// Both are short runs of code points (case folding and decomposition may expand a character).
struct Folding
{
    std::u32string primary;
    std::u32string secondary;
};

// Letters that carry a stroke or similar instead of a combining accent: Unicode gives them
// no decomposition, yet a reader expects them beside their base letter.
char32_t strokeBase(char32_t c)
{
    switch (c) {
    case U'ł':
        return U'l';
    case U'ø':
        return U'o';
    case U'đ':
        return U'd';
    case U'ħ':
        return U'h';
    case U'ı':
        return U'i';
    case U'ŧ':
        return U't';
    case U'ŀ':
        return U'l';
    case U'ƀ':
        return U'b';
    case U'ɨ':
        return U'i';
    default:
        return 0;
    }
}

std::u32string toUcs4(const QString& s)
{
    std::u32string out;
    out.reserve(size_t(s.size()));
    for (const char32_t c : s.toUcs4())
        out.push_back(c);
    return out;
}

Folding computeFolding(char32_t cp)
{
    const QString one = QString::fromUcs4(&cp, 1);
    const QString secondary
        = one.normalized(QString::NormalizationForm_D).toCaseFolded().normalized(QString::NormalizationForm_D);
    QString primary;
    for (const char32_t c : secondary.toUcs4()) {
        if (QChar::category(c) == QChar::Mark_NonSpacing || QChar::category(c) == QChar::Mark_Enclosing)
            continue;
        const char32_t base = strokeBase(c);
        primary.append(QString::fromUcs4(base ? &base : &c, 1));
    }
    return {toUcs4(primary), toUcs4(secondary)};
}

// Lazily filled tables, one page of 256 code points at a time. Pages are published with
// release/acquire so that a lookup needs no lock once its page exists.
class FoldingTable
{
public:
    const Folding& lookup(char32_t cp)
    {
        const uint32_t pageNo = cp >> 8;
        Page* page = m_pages[pageNo].load(std::memory_order_acquire);
        if (!page)
            page = fill(pageNo);
        return page->entries[cp & 0xff];
    }

    ~FoldingTable()
    {
        for (auto& p : m_pages)
            delete p.load();
    }

private:
    static constexpr uint32_t kPages = 0x1100; // 0x110000 >> 8
    struct Page
    {
        std::array<Folding, 256> entries;
    };

    Page* fill(uint32_t pageNo)
    {
        std::lock_guard lock(m_mutex);
        if (Page* existing = m_pages[pageNo].load(std::memory_order_acquire))
            return existing;
        auto page = std::make_unique<Page>();
        for (uint32_t i = 0; i < 256; ++i)
            page->entries[i] = computeFolding((pageNo << 8) | i);
        m_pages[pageNo].store(page.get(), std::memory_order_release);
        return page.release();
    }

    std::mutex m_mutex;
    std::array<std::atomic<Page*>, kPages> m_pages{};
};

FoldingTable& table()
{
    static FoldingTable t;
    return t;
}

// Decodes UTF-8 leniently: an invalid byte stands for itself (as U+FFFD would lose information
// and make different texts compare equal).
char32_t nextCodePoint(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    auto cont = [&](size_t k) -> int {
        if (i + k >= s.size())
            return -1;
        const auto b = static_cast<unsigned char>(s[i + k]);
        return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
    };
    if ((b0 & 0xE0) == 0xC0) {
        const int c1 = cont(1);
        if (c1 >= 0) {
            i += 2;
            return char32_t(((b0 & 0x1F) << 6) | c1);
        }
    } else if ((b0 & 0xF0) == 0xE0) {
        const int c1 = cont(1), c2 = c1 >= 0 ? cont(2) : -1;
        if (c2 >= 0) {
            i += 3;
            return char32_t(((b0 & 0x0F) << 12) | (c1 << 6) | c2);
        }
    } else if ((b0 & 0xF8) == 0xF0) {
        const int c1 = cont(1), c2 = c1 >= 0 ? cont(2) : -1, c3 = c2 >= 0 ? cont(3) : -1;
        if (c3 >= 0) {
            i += 4;
            const char32_t cp = char32_t(((b0 & 0x07) << 18) | (c1 << 12) | (c2 << 6) | c3);
            return cp <= 0x10FFFF ? cp : 0xFFFD;
        }
    }
    ++i;
    return 0xDC00 | b0; // an unpaired surrogate value: distinct and never produced by valid text
}

// Appends the folded run of each code point of `text` to `out`.
template <typename Source> void foldInto(Source&& nextCp, std::u32string& primary, std::u32string* secondary)
{
    char32_t cp;
    while (nextCp(cp)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            // Bytes that were not valid UTF-8 stand for themselves.
            primary.push_back(cp);
            if (secondary)
                secondary->push_back(cp);
            continue;
        }
        if (cp < 0x80) {
            const char32_t lower = (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
            primary.push_back(lower);
            if (secondary)
                secondary->push_back(lower);
            continue;
        }
        const Folding& f = table().lookup(cp);
        primary += f.primary;
        if (secondary)
            *secondary += f.secondary;
    }
}

void foldUtf16(QStringView s, std::u32string& primary, std::u32string* secondary)
{
    qsizetype i = 0;
    foldInto(
        [&](char32_t& cp) {
            if (i >= s.size())
                return false;
            const QChar c = s[i++];
            if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
                cp = QChar::surrogateToUcs4(c, s[i++]);
            else
                cp = c.unicode();
            return true;
        },
        primary, secondary);
}

int compareRuns(const std::u32string& a, const std::u32string& b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareFolded(std::u32string& pa, std::u32string& sa, std::u32string& pb, std::u32string& sb)
{
    if (const int c = compareRuns(pa, pb))
        return c;
    return compareRuns(sa, sb);
}

} // namespace

namespace {

// Walks a UTF-8 text as the run of folded code points the comparison sees, without building
// the folded text: sorting a large collection calls this a million times and more.
class FoldedStream
{
public:
    FoldedStream(std::string_view text, bool secondary)
        : m_text(text)
        , m_secondary(secondary)
    {
    }

    // Returns false at the end.
    bool next(char32_t& out)
    {
        while (m_run == m_runEnd) {
            if (m_pos >= m_text.size())
                return false;
            const char32_t cp = nextCodePoint(m_text, m_pos);
            if (cp < 0x80 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                out = (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
                return true;
            }
            const Folding& f = table().lookup(cp);
            const std::u32string& run = m_secondary ? f.secondary : f.primary;
            m_run = run.data();
            m_runEnd = run.data() + run.size();
        }
        out = *m_run++;
        return true;
    }

private:
    std::string_view m_text;
    bool m_secondary;
    size_t m_pos = 0;
    const char32_t* m_run = nullptr;
    const char32_t* m_runEnd = nullptr;
};

int compareStreams(std::string_view a, std::string_view b, bool secondary)
{
    FoldedStream sa(a, secondary), sb(b, secondary);
    while (true) {
        char32_t ca = 0, cb = 0;
        const bool ha = sa.next(ca), hb = sb.next(cb);
        if (!ha || !hb)
            return ha == hb ? 0 : (ha ? 1 : -1);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

} // namespace

int TextFold::compareUtf8(std::string_view a, std::string_view b)
{
    // Equal bytes fold alike, and plain ASCII needs no table: go on while the bytes are the
    // same or ASCII letters that differ in case only, until another difference shows up.
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb)
            continue;
        if ((ca | cb) & 0x80)
            break;
        if (ca >= 'A' && ca <= 'Z')
            ca += 32;
        if (cb >= 'A' && cb <= 'Z')
            cb += 32;
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i == n && i == a.size() && i == b.size())
        return 0;
    // The rest starts where the character holding the first difference starts, so that it is
    // decoded whole: back over the bytes that continue a character, which both texts share.
    size_t rest = i;
    if (rest > 0 && (static_cast<unsigned char>(a[rest - 1]) & 0x80)) {
        --rest;
        while (rest > 0 && (static_cast<unsigned char>(a[rest]) & 0xC0) == 0x80)
            --rest;
    }
    // The common prefix folds alike in both texts, so only the rest decides: first without
    // case and accents, then without case only.
    const std::string_view restA = a.substr(rest), restB = b.substr(rest);
    if (const int c = compareStreams(restA, restB, false))
        return c;
    return compareStreams(restA, restB, true);
}

int TextFold::compare(QStringView a, QStringView b)
{
    std::u32string pa, sa, pb, sb;
    foldUtf16(a, pa, &sa);
    foldUtf16(b, pb, &sb);
    return compareFolded(pa, sa, pb, sb);
}

std::u32string TextFold::primaryKey(QStringView text)
{
    std::u32string p;
    foldUtf16(text, p, nullptr);
    return p;
}

std::u32string TextFold::equalityKey(QStringView text)
{
    std::u32string p, s;
    foldUtf16(text, p, &s);
    return s;
}

namespace {

// Pattern matching works on the equality keys of single characters, so that "É" matches "é"
// but not "e".
std::vector<std::u32string> charKeys(QStringView text)
{
    std::vector<std::u32string> keys;
    keys.reserve(size_t(text.size()));
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        ++i;
        if (text[start].isHighSurrogate() && i < text.size() && text[i].isLowSurrogate())
            ++i;
        // Combining marks belong to the character before them.
        while (i < text.size()
               && (text[i].category() == QChar::Mark_NonSpacing || text[i].category() == QChar::Mark_Enclosing))
            ++i;
        keys.push_back(TextFold::equalityKey(text.mid(start, i - start)));
    }
    return keys;
}

struct PatternItem
{
    enum Kind { Literal, AnyRun, AnyOne, Digit, Class } kind = Literal;
    std::u32string literal;
    std::vector<std::pair<std::u32string, std::u32string>> ranges; // for Class
    bool negated = false;
};

bool classMatches(const PatternItem& item, const std::u32string& key)
{
    bool hit = false;
    for (const auto& [lo, hi] : item.ranges) {
        if (hi.empty() ? key == lo : (key >= lo && key <= hi)) {
            hit = true;
            break;
        }
    }
    return hit != item.negated;
}

std::vector<PatternItem> parsePattern(QStringView pattern, TextFold::PatternKind kind, char32_t escape)
{
    const std::vector<std::u32string> keys = charKeys(pattern);
    std::vector<PatternItem> items;
    auto isChar = [&](size_t i, char32_t c) { return keys[i].size() == 1 && keys[i][0] == c; };
    for (size_t i = 0; i < keys.size(); ++i) {
        PatternItem item;
        if (kind == TextFold::PatternKind::Sql) {
            if (escape && isChar(i, escape) && i + 1 < keys.size()) {
                item.literal = keys[++i];
            } else if (isChar(i, U'%')) {
                item.kind = PatternItem::AnyRun;
            } else if (isChar(i, U'_')) {
                item.kind = PatternItem::AnyOne;
            } else {
                item.literal = keys[i];
            }
            items.push_back(std::move(item));
            continue;
        }
        if (isChar(i, U'*')) {
            item.kind = PatternItem::AnyRun;
        } else if (isChar(i, U'?')) {
            item.kind = PatternItem::AnyOne;
        } else if (isChar(i, U'#')) {
            item.kind = PatternItem::Digit;
        } else if (isChar(i, U'[')) {
            size_t j = i + 1;
            item.kind = PatternItem::Class;
            if (j < keys.size() && isChar(j, U'!')) {
                item.negated = true;
                ++j;
            }
            bool closed = false;
            for (; j < keys.size(); ++j) {
                if (isChar(j, U']') && j > i + 1 + (item.negated ? 1 : 0)) {
                    closed = true;
                    break;
                }
                if (j + 2 < keys.size() && isChar(j + 1, U'-') && !isChar(j + 2, U']')) {
                    item.ranges.emplace_back(keys[j], keys[j + 2]);
                    j += 2;
                } else {
                    item.ranges.emplace_back(keys[j], std::u32string());
                }
            }
            if (!closed) {
                // An unclosed "[" stands for itself.
                item = PatternItem();
                item.literal = keys[i];
            } else {
                i = j;
            }
        } else {
            item.literal = keys[i];
        }
        items.push_back(std::move(item));
    }
    return items;
}

bool itemMatches(const PatternItem& item, const std::u32string& key)
{
    switch (item.kind) {
    case PatternItem::Literal:
        return key == item.literal;
    case PatternItem::AnyOne:
        return true;
    case PatternItem::Digit:
        return key.size() == 1 && key[0] >= U'0' && key[0] <= U'9';
    case PatternItem::Class:
        return classMatches(item, key);
    case PatternItem::AnyRun:
        return true;
    }
    return false;
}

// Iterative matching with one backtrack point per "*": linear for the usual patterns and never
// worse than text × pattern.
bool matchItems(const std::vector<PatternItem>& items, const std::vector<std::u32string>& text, bool prefixOnly)
{
    size_t p = 0, t = 0;
    size_t starP = SIZE_MAX, starT = 0;
    while (true) {
        if (p == items.size()) {
            if (prefixOnly || t == text.size())
                return true;
        } else if (items[p].kind == PatternItem::AnyRun) {
            starP = p++;
            starT = t;
            continue;
        } else if (t < text.size() && itemMatches(items[p], text[t])) {
            ++p;
            ++t;
            continue;
        }
        if (starP == SIZE_MAX || starT >= text.size())
            return false;
        p = starP + 1;
        t = ++starT;
    }
}

} // namespace

bool TextFold::startsWith(QStringView text, QStringView prefix, bool wildcards)
{
    std::vector<PatternItem> items;
    for (const std::u32string& key : charKeys(prefix)) {
        PatternItem item;
        if (wildcards && key == U"*")
            item.kind = PatternItem::AnyRun;
        else if (wildcards && key == U"?")
            item.kind = PatternItem::AnyOne;
        else
            item.literal = key;
        items.push_back(std::move(item));
    }
    return matchItems(items, charKeys(text), true);
}

std::optional<std::pair<QString, QString>> TextFold::prefixBounds(QStringView prefix)
{
    // Texts compare first by their primary folding, and a text that begins with the prefix has
    // a primary folding that begins with the prefix's (each character folds on its own). So
    // such texts lie above the prefix's folding without its last character (a shorter primary
    // folding) and below it with its last character raised by one. Each bound must fold to
    // itself, as the engine reads it, for that to hold.
    const std::u32string folded = primaryKey(prefix);
    if (folded.empty() || folded.back() >= 0x10FFFF)
        return std::nullopt;
    std::u32string lower(folded.begin(), folded.end() - 1);
    std::u32string upper = folded;
    ++upper.back();
    auto text = [](const std::u32string& s) { return QString::fromUcs4(s.data(), qsizetype(s.size())); };
    auto foldsToItself
        = [](const QString& t, const std::u32string& s) { return primaryKey(QString::fromUtf8(t.toUtf8())) == s; };
    const QString lowerText = text(lower), upperText = text(upper);
    if (!foldsToItself(lowerText, lower) || !foldsToItself(upperText, upper))
        return std::nullopt;
    return std::make_pair(lowerText, upperText);
}

bool TextFold::matches(QStringView text, QStringView pattern, PatternKind kind, char32_t escape)
{
    return matchItems(parsePattern(pattern, kind, escape), charKeys(text), false);
}

QString TextFold::version()
{
    // Bump the first number whenever the folding rules above change.
    return QStringLiteral("1/unicode-%1").arg(int(QChar::currentUnicodeVersion()));
}
