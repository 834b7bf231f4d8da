#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <initializer_list>

// What is wrong with how a window lays out some of its controls: a control that lies outside
// the window, is squeezed below the size it asks for, or overlaps another. Empty when nothing.
inline QString layoutFault(QWidget* window, std::initializer_list<QWidget*> controls)
{
    auto place = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    auto name = [](QWidget* w) {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    };
    for (QWidget* w : controls) {
        if (!window->rect().contains(place(w)))
            return name(w) + QStringLiteral(" lies outside the window");
        const QSize wanted = w->minimumSizeHint().expandedTo(w->minimumSize());
        if (w->width() < wanted.width() || w->height() < wanted.height())
            return name(w) + QStringLiteral(" is squeezed below its least size");
    }
    for (auto a = controls.begin(); a != controls.end(); ++a) {
        for (auto b = a + 1; b != controls.end(); ++b) {
            if (place(*a).intersects(place(*b)))
                return name(*a) + QStringLiteral(" overlaps ") + name(*b);
        }
    }
    return {};
}
