#include "CompactReport.h"

#include <QPainter>
#include <cstring>

namespace {

// Enough for what a preview shows at once in the usual zooms and for printing, page after page.
constexpr size_t kPagesKeptReady = 12;

// A text's length and how it is stored share one number: the low two bits tell the form.
enum class TextForm : quint8 { Latin1 = 0, Utf8 = 1, Utf16 = 2 };

void appendNumber(std::string& out, quint64 n)
{
    while (n >= 0x80) {
        out.push_back(char((n & 0x7f) | 0x80));
        n >>= 7;
    }
    out.push_back(char(n));
}

quint64 readNumber(const char*& at)
{
    quint64 n = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = quint8(*at++);
        n |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return n;
    }
}

bool fitsLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}

// Most catalogue text is Latin-1, one byte a character; other text is kept as UTF-8, and
// text that is not valid UTF-16 (half a surrogate pair) as it is, so that every text comes back
// exactly.
void appendText(std::string& out, const QString& text)
{
    if (fitsLatin1(text)) {
        appendNumber(out, quint64(text.size()) << 2 | quint8(TextForm::Latin1));
        const size_t at = out.size();
        out.resize(at + size_t(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i)
            out[at + size_t(i)] = char(text[i].unicode());
        return;
    }
    if (QStringView(text).isValidUtf16()) {
        const QByteArray utf8 = text.toUtf8();
        appendNumber(out, quint64(utf8.size()) << 2 | quint8(TextForm::Utf8));
        out.append(utf8.constData(), size_t(utf8.size()));
        return;
    }
    const size_t bytes = size_t(text.size()) * sizeof(QChar);
    appendNumber(out, quint64(bytes) << 2 | quint8(TextForm::Utf16));
    out.append(reinterpret_cast<const char*>(text.constData()), bytes);
}

QString readText(const char*& at)
{
    const quint64 number = readNumber(at);
    const auto size = qsizetype(number >> 2);
    const char* from = at;
    at += size;
    switch (TextForm(number & 3)) {
    case TextForm::Latin1:
        return QString::fromLatin1(from, size);
    case TextForm::Utf8:
        return QString::fromUtf8(from, size);
    case TextForm::Utf16:
        break;
    }
    QString text(size / qsizetype(sizeof(QChar)), Qt::Uninitialized);
    std::memcpy(text.data(), from, size_t(size));
    return text;
}

} // namespace

CompactReport::CompactReport(const ReportDefinition& definition)
    : m_title(definition.title)
    , m_page(definition.page)
    , m_composer(definition)
{
    // Pages laid out are handed out by reference: the room for them never moves.
    m_ready.reserve(kPagesKeptReady);
}

void CompactReport::closeLastPage()
{
    // A page grows as its bands come; once done, it keeps no spare room.
    if (!m_pages.empty())
        m_pages.back().shrink_to_fit();
}

void CompactReport::startPage()
{
    closeLastPage();
    m_pages.emplace_back();
    m_pages.back().reserve(4096);
}

void CompactReport::addBand(PageComposer::Band band, const std::vector<QString>& texts)
{
    std::string& page = m_pages.back();
    page.push_back(char(band));
    for (const QString& text : texts)
        appendText(page, text);
    // The last page may have been drawn while the run still fills it: it is laid out anew.
    for (Ready& r : m_ready) {
        if (r.index == pageCount() - 1)
            r.index = -1;
    }
}

std::size_t CompactReport::keptBytes() const
{
    std::size_t bytes = m_pages.capacity() * sizeof(std::string);
    for (const std::string& page : m_pages)
        bytes += page.capacity() > 15 ? page.capacity() + 1 : 0;
    return bytes;
}

PreparedPage CompactReport::layOut(int index) const
{
    const std::string& bytes = m_pages.at(size_t(index));
    PreparedPage page;
    std::vector<QString> texts;
    // Bands follow one another down the page from the top margin, as the run placed them.
    qreal y = m_page.topMargin;
    const char* at = bytes.data();
    const char* end = at + bytes.size();
    while (at < end) {
        const auto band = PageComposer::Band(*at++);
        texts.resize(size_t(m_composer.cellCount(band)));
        for (QString& text : texts)
            text = readText(at);
        m_composer.place(band, y, texts.data(), page);
        y += m_composer.height(band);
    }
    return page;
}

const PreparedPage& CompactReport::laidOut(int index) const
{
    ++m_uses;
    for (Ready& r : m_ready) {
        if (r.index == index) {
            r.used = m_uses;
            return r.page;
        }
    }
    Ready* slot = nullptr;
    if (m_ready.size() < kPagesKeptReady) {
        slot = &m_ready.emplace_back();
    } else {
        slot = &m_ready.front();
        for (Ready& r : m_ready) {
            if (r.used < slot->used)
                slot = &r;
        }
    }
    slot->page = layOut(index);
    slot->index = index;
    slot->used = m_uses;
    return slot->page;
}

void CompactReport::paintPage(QPainter& painter, int index, QPointF origin, qreal pixelsPerUnit) const
{
    PreparedReport::paint(painter, styles(), laidOut(index), origin, pixelsPerUnit);
}
