#include "TDBEdit.h"

#include "TField.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QValidator>
#include <algorithm>
#include <utility>

namespace {

// The longest start of `text` that fits in `room` units and ends between two characters.
QString fitting(const QString& text, qsizetype room)
{
    if (text.size() <= room)
        return text;
    if (room <= 0)
        return {};
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(room);
    if (!graphemes.isAtBoundary())
        graphemes.toPreviousBoundary();
    return text.left(std::max<qsizetype>(graphemes.position(), 0));
}

} // namespace

// Keeps the box within its field: what is typed, pasted or dropped beyond the room left is
// dropped, whole characters only; an integer field takes digits and a sign.
class TDBEdit::Limit : public QValidator
{
public:
    explicit Limit(TDBEdit& edit)
        : QValidator(&edit)
        , m_edit(edit)
    {
    }

    int size = 0; // 0: no limit
    bool integer = false;
    QString before; // the text before the change being checked

    State validate(QString& input, int& pos) const override
    {
        if (m_edit.showing())
            return Acceptable;
        if (integer) {
            static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]*$"));
            if (!digits.match(input).hasMatch())
                return Invalid;
        }
        if (size <= 0 || input.size() <= size)
            return Acceptable;
        const auto [prefix, suffix] = changedRange(input);
        const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        const QString kept = fitting(inserted, size - prefix - suffix);
        if (kept.isEmpty() && !inserted.isEmpty() && prefix + suffix >= size)
            return Invalid;
        input = input.left(prefix) + kept + input.right(suffix);
        pos = int(prefix + kept.size());
        return input.size() <= size ? Acceptable : Invalid;
    }

    // Where the box's selection (or its cursor) stood before the change: what is typed, pasted
    // or dropped takes its place.
    qsizetype replaceFrom = 0;
    qsizetype replaceTo = 0;

private:
    // How much of the text before the change is kept at its start and at its end. The change
    // replaced the selection (or went in at the cursor): the text before it and after it are
    // kept. Comparing the texts alone cannot tell where an insertion went when it ends as the
    // replaced text did; that is only the way out for a change that did not start there.
    std::pair<qsizetype, qsizetype> changedRange(const QString& input) const
    {
        const qsizetype from = std::clamp<qsizetype>(replaceFrom, 0, before.size());
        const qsizetype to = std::clamp<qsizetype>(replaceTo, from, before.size());
        const qsizetype tail = before.size() - to;
        if (input.size() >= from + tail && QStringView(input).left(from) == QStringView(before).left(from)
            && QStringView(input).right(tail) == QStringView(before).right(tail))
            return {from, tail};
        qsizetype prefix = 0;
        while (prefix < input.size() && prefix < before.size() && input[prefix] == before[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < input.size() - prefix && suffix < before.size() - prefix
               && input[input.size() - 1 - suffix] == before[before.size() - 1 - suffix])
            ++suffix;
        return {prefix, suffix};
    }

    TDBEdit& m_edit;
};

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent)
    , BoundControl(this)
    , m_limit(new Limit(*this))
{
    setValidator(m_limit);
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_limit->before = text();
        userChanged();
    });
    // Told after each change has been checked, so the limit knows where the next one goes.
    const auto track = [this] {
        const bool selected = hasSelectedText();
        m_limit->replaceFrom = selected ? selectionStart() : cursorPosition();
        m_limit->replaceTo = selected ? selectionEnd() : cursorPosition();
    };
    connect(this, &QLineEdit::cursorPositionChanged, this, track);
    connect(this, &QLineEdit::selectionChanged, this, track);
}

void TDBEdit::setMaxChars(int chars)
{
    m_maxChars = chars;
    refresh();
}

int TDBEdit::limitFor(const TField* field) const
{
    int limit = field && field->DataType() == TFieldType::String ? field->Size() : 0;
    if (m_maxChars > 0)
        limit = limit > 0 ? std::min(limit, m_maxChars) : m_maxChars;
    return limit;
}

void TDBEdit::showValue(const TField* field)
{
    m_limit->size = limitFor(field);
    m_limit->integer = field && FieldTypes::isInteger(field->DataType());
    const QString shown = field ? field->DisplayText() : QString();
    m_limit->before = shown;
    if (text() != shown) {
        setText(shown);
        setCursorPosition(0); // a long value shows from its start
    }
}

bool TDBEdit::changesValue(const QObject* target, const QEvent* event) const
{
    // A number box refuses a letter as it is typed: it changes nothing, not even the record's state.
    if (event->type() == QEvent::KeyPress && m_limit && m_limit->integer) {
        const QString text = static_cast<const QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isDigit() && text.at(0) != QLatin1Char('-')
            && text.at(0) != QLatin1Char('+'))
            return false;
    }
    return BoundControl::changesValue(target, event);
}

QVariant TDBEdit::enteredValue() const
{
    return text();
}
