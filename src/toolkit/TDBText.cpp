#include "TDBText.h"

#include "TField.h"

#include <QAccessibleWidget>

namespace {

// A screen reader hears the value itself, also when it is empty. Qt would name an empty label
// after the caption whose buddy it is, so that "Title:" with no title read as the title.
class ValueAccessible : public QAccessibleWidget
{
public:
    explicit ValueAccessible(TDBText* value)
        : QAccessibleWidget(value, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const TDBText*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* valueAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("TDBText") && object && object->isWidgetType())
        return new ValueAccessible(static_cast<TDBText*>(object));
    return nullptr;
}

} // namespace

TDBText::TDBText(QWidget* parent)
    : QLabel(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(&valueAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_link.setOnChange([this] { refresh(); });
}

void TDBText::refresh()
{
    const TField* field = m_link.Field();
    setText(field ? field->DisplayText() : QString());
}
