#include "DetailsForm.h"

#include "TDBText.h"

#include <QGridLayout>
#include <QLabel>

DetailsForm::DetailsForm(TDataSource* source, QWidget* parent)
    : QWidget(parent)
    , m_source(source)
    , m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(6, 4, 6, 4);
    m_grid->setHorizontalSpacing(8);
    m_grid->setVerticalSpacing(3);
    m_grid->setColumnStretch(1, 1);
}

TDBText* DetailsForm::value(const QString& field)
{
    auto* text = new TDBText(this);
    text->setObjectName(QStringLiteral("db") + field);
    text->setDataSource(m_source);
    text->setDataField(field);
    return text;
}

TDBText* DetailsForm::addPair(const QString& label, const QString& field, const QColor& labelColor)
{
    auto* caption = new QLabel(label, this);
    QPalette pal = caption->palette();
    pal.setColor(QPalette::WindowText, labelColor.isValid() ? labelColor : maroon());
    caption->setPalette(pal);
    // A screen reader reads the value as its name (a value label has no name of its own) and
    // the caption through the label relation the buddy gives.
    TDBText* text = value(field);
    caption->setBuddy(text);
    m_grid->addWidget(caption, m_row, 0, Qt::AlignLeft | Qt::AlignTop);
    m_grid->addWidget(text, m_row, 1, Qt::AlignLeft | Qt::AlignTop);
    ++m_row;
    return text;
}

TDBText* DetailsForm::addSecondLine(const QString& field)
{
    TDBText* text = value(field);
    m_grid->addWidget(text, m_row++, 1, Qt::AlignLeft | Qt::AlignTop);
    return text;
}

void DetailsForm::addRow(QWidget* widget)
{
    // A row added once the form is finished still goes above the stretch.
    if (m_finished)
        m_grid->setRowStretch(m_row, 0);
    m_grid->addWidget(widget, m_row++, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    if (m_finished)
        m_grid->setRowStretch(m_row, 1);
}

void DetailsForm::finish()
{
    m_grid->setRowStretch(m_row, 1);
    m_finished = true;
}
