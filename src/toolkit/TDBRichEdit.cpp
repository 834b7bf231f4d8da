#include "TDBRichEdit.h"

#include "RtfReader.h"
#include "RtfWriter.h"
#include "TField.h"

#include <QKeyEvent>

TDBRichEdit::TDBRichEdit(QWidget* parent)
    : QTextEdit(parent)
    , BoundControl(this)
{
    setTabChangesFocus(false);
    // Drops land on the viewport, not on the box itself.
    watchInput(viewport());
    connect(document(), &QTextDocument::contentsChanged, this, [this] { userChanged(); });
}

bool TDBRichEdit::changesValue(const QObject* target, const QEvent* event) const
{
    if (event->type() != QEvent::KeyPress)
        return BoundControl::changesValue(target, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo))
        return document()->isUndoAvailable();
    if (key->matches(QKeySequence::Redo))
        return document()->isRedoAvailable();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return !tabChangesFocus() && !(key->modifiers() & Qt::ControlModifier);
    default:
        return BoundControl::changesValue(target, event);
    }
}

void TDBRichEdit::showValue(const TField* field)
{
    const QString memo = field ? field->AsString() : QString();
    // Following the record into edit state (or back) with the same memo keeps the document,
    // its cursor and where it is scrolled to, unless the user changed it meanwhile.
    if (m_hasLoaded && memo == m_loaded && !document()->isModified())
        return;
    m_loaded = memo;
    m_hasLoaded = true;
    RtfReader::loadMemo(memo, *document()); // no step the user can undo
    document()->setModified(false);
}

QVariant TDBRichEdit::enteredValue() const
{
    return RtfWriter::memoText(*document());
}
