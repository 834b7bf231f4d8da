#include "TDBText.h"

#include "TField.h"

TDBText::TDBText(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_link.setOnChange([this] { refresh(); });
}

void TDBText::refresh()
{
    const TField* field = m_link.Field();
    setText(field ? field->DisplayText() : QString());
}
