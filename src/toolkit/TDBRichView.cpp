#include "TDBRichView.h"

#include "RtfReader.h"
#include "TField.h"

TDBRichView::TDBRichView(QWidget* parent)
    : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    m_link.setOnChange([this] { refresh(); });
}

void TDBRichView::refresh()
{
    const TField* field = m_link.Field();
    const QString memo = field ? field->AsString() : QString();
    // Moving between items with the same memo (often none) needs no new document.
    if (m_hasShown && memo == m_shown)
        return;
    m_shown = memo;
    m_hasShown = true;
    RtfReader::loadMemo(memo, *document());
}
