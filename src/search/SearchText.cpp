#include "SearchText.h"

#include "TextFold.h"

namespace {

bool isWordChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_PrivateUse:
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<SearchText::Word> SearchText::words(QStringView text)
{
    std::vector<Word> out;
    Word current;
    bool inWord = false;
    auto close = [&] {
        if (inWord && !current.folded.isEmpty())
            out.push_back(current);
        inWord = false;
        current = Word();
    };
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        char32_t cp = text[i++].unicode();
        if (QChar::isHighSurrogate(cp) && i < text.size() && text[i].isLowSurrogate())
            cp = QChar::surrogateToUcs4(char16_t(cp), text[i++].unicode());
        // A character folds to a run of characters: each decides on its own whether it
        // continues the word, and all of them point back at the one they came from.
        auto take = [&](char32_t f) {
            if (!isWordChar(f)) {
                close();
                return;
            }
            if (!inWord) {
                inWord = true;
                current.start = start;
            }
            if (f < 0x10000)
                current.folded += QChar(char16_t(f));
            else
                current.folded += QString::fromUcs4(&f, 1);
            current.end = i;
        };
        if (cp < 0x80) {
            take((cp >= 'A' && cp <= 'Z') ? cp + 32 : cp);
            continue;
        }
        const std::u32string folded = TextFold::primaryKey(text.sliced(start, i - start));
        if (folded.empty()) {
            // A lone accent folds to nothing: it belongs to the word it follows.
            if (inWord)
                current.end = i;
            continue;
        }
        for (const char32_t f : folded)
            take(f);
    }
    close();
    return out;
}

void SearchText::appendFolded(QStringView text, QString& out)
{
    // Most text is ASCII: its letters and digits are folded here, and only the rest goes
    // through words(), one run of non-ASCII text at a time with the ASCII letters around it.
    bool inWord = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto separate = [&] {
        if (!out.isEmpty() && !out.endsWith(u' '))
            out += u' ';
    };
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            // The whole word around it, from its start, the slow way.
            qsizetype start = i;
            while (start > 0 && text[start - 1].unicode() < 0x80 && isWordChar(text[start - 1].unicode()))
                --start;
            if (inWord) {
                // Take back the ASCII part already written.
                out.chop(i - start);
            }
            qsizetype end = i;
            while (end < n && (text[end].unicode() >= 0x80 || isWordChar(text[end].unicode())))
                ++end;
            for (const Word& w : words(text.sliced(start, end - start))) {
                separate();
                out += w.folded;
            }
            inWord = false;
            i = end;
            continue;
        }
        if (!isWordChar(c)) {
            inWord = false;
            ++i;
            continue;
        }
        if (!inWord) {
            separate();
            inWord = true;
        }
        out += QChar((c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c);
        ++i;
    }
}

void SearchText::appendFolded(const QByteArray& utf8, QString& out)
{
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            appendFolded(QString::fromUtf8(utf8), out);
            return;
        }
    }
    // ASCII only: as the loop of the other form, a byte for a character.
    bool inWord = false;
    for (const char c : utf8) {
        if (!isWordChar(char32_t(c))) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            if (!out.isEmpty() && !out.endsWith(u' '))
                out += u' ';
            inWord = true;
        }
        out += QChar(char16_t((c >= 'A' && c <= 'Z') ? c + 32 : c));
    }
}

QStringList SearchText::foldedWords(QStringView text)
{
    QStringList out;
    for (Word& w : words(text))
        out << std::move(w.folded);
    return out;
}
