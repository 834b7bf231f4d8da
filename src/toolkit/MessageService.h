#pragma once

#include <QString>
#include <functional>

class QWidget;

// The one way the program shows an error or asks a question. Tests install a handler that
// answers instead of a person.
class MessageService
{
public:
    enum class Kind { Error, Question, Confirmation, Information };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Request
    {
        Kind kind;
        QString caption;
        QString text;
    };
    using Handler = std::function<Answer(const Request&)>;

    // The caption of every box: the application's title ("KOLT" once started).
    static void setTitle(const QString& title);
    static QString title();

    // Error icon, OK. A full stop is added when the last character sorts after ".".
    static void showError(const QString& text, QWidget* parent = nullptr);
    // Error icon, OK, under a caption of its own and with the text as it is (the print
    // dialog's "Printer selected is not valid" under "Error").
    static void showCaptionedError(const QString& caption, const QString& text, QWidget* parent = nullptr);
    // Information icon, OK: a result worth telling (a check that found nothing wrong).
    static void inform(const QString& text, QWidget* parent = nullptr);
    // Question icon, Yes and No, No the default. True for Yes.
    static bool ask(const QString& text, QWidget* parent = nullptr);
    // Question icon, OK and Cancel (the grids' own "Delete record?"). True for OK.
    static bool confirm(const QString& text, QWidget* parent = nullptr);

    static QString withFullStop(const QString& text);

    // Replaces the message boxes (nullptr restores them). Returns the previous handler.
    static Handler setHandler(Handler handler);

private:
    static Answer dispatch(const Request& request, QWidget* parent);
};
