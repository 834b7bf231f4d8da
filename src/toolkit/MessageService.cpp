#include "MessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString& storedTitle()
{
    static QString title;
    return title;
}

MessageService::Handler& storedHandler()
{
    static MessageService::Handler handler;
    return handler;
}

QWidget* ownerFor(QWidget* parent)
{
    if (parent)
        return parent->window();
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

MessageService::Answer showBox(const MessageService::Request& r, QWidget* parent)
{
    QMessageBox box(ownerFor(parent));
    box.setWindowTitle(r.caption);
    box.setText(r.text);
    box.setTextFormat(Qt::PlainText);
    switch (r.kind) {
    case MessageService::Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return MessageService::Answer::Ok;
    case MessageService::Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return MessageService::Answer::Ok;
    case MessageService::Kind::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageService::Answer::Yes : MessageService::Answer::No;
    case MessageService::Kind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? MessageService::Answer::Ok : MessageService::Answer::Cancel;
    }
    return MessageService::Answer::Cancel;
}

} // namespace

void MessageService::setTitle(const QString& title)
{
    storedTitle() = title;
}

QString MessageService::title()
{
    return storedTitle();
}

QString MessageService::withFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

MessageService::Handler MessageService::setHandler(Handler handler)
{
    Handler previous = std::move(storedHandler());
    storedHandler() = std::move(handler);
    return previous;
}

MessageService::Answer MessageService::dispatch(const Request& request, QWidget* parent)
{
    if (storedHandler())
        return storedHandler()(request);
    return showBox(request, parent);
}

void MessageService::showError(const QString& text, QWidget* parent)
{
    dispatch({Kind::Error, title(), withFullStop(text)}, parent);
}

void MessageService::showCaptionedError(const QString& caption, const QString& text, QWidget* parent)
{
    dispatch({Kind::Error, caption, text}, parent);
}

void MessageService::inform(const QString& text, QWidget* parent)
{
    dispatch({Kind::Information, title(), withFullStop(text)}, parent);
}

bool MessageService::ask(const QString& text, QWidget* parent)
{
    return dispatch({Kind::Question, title(), text}, parent) == Answer::Yes;
}

bool MessageService::confirm(const QString& text, QWidget* parent)
{
    return dispatch({Kind::Confirmation, title(), text}, parent) == Answer::Ok;
}
