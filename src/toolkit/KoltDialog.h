#pragma once

#include <QDialog>
#include <QSize>
#include <functional>

class QPushButton;

// The program's modal dialogs: a fixed size with a single border and only the close box,
// centred on the desktop, modal over their owner, destroyed when closed. They have no default
// and no cancel button: Enter acts only on the button that has the focus, Escape does nothing.
// However a dialog closes (a button, the close box, Alt+F4, the window manager), its close
// handler runs once; closing is never refused.
class KoltDialog : public QDialog
{
    Q_OBJECT

public:
    // `clientSize` is the size the dialog was drawn at, for an 8-point MS Sans Serif at 96 dpi;
    // it is scaled to the font in use and is the least the dialog takes.
    KoltDialog(QWidget* owner, const QString& caption, QSize clientSize);

    // Shows the dialog modally, centred on the desktop, and returns once it has closed (the
    // dialog is gone then).
    void showModal();

    // A size given for the small font the dialogs were drawn with, in the font in use.
    QSize scaled(QSize drawn) const;
    int scaledWidth(int drawn) const;
    int scaledHeight(int drawn) const;

protected:
    // Runs whatever closes the dialog, once.
    virtual void FormClose() { }
    // The control that holds the keyboard focus when the dialog opens (nullptr: Qt's choice).
    virtual QWidget* initialFocus() const { return nullptr; }

    // A push button that never acts as a default button.
    QPushButton* button(const QString& caption, QSize drawn, std::function<void()> handler);
    // Runs a handler the user triggered; an error shows the standard box and leaves the dialog
    // as it is.
    bool guarded(const std::function<void()>& handler);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

public:
    void done(int result) override;

private:
    void runClose();
    void fixSize();

    QSize m_drawn;
    bool m_closed = false;
};

// Keeps a dialog class's global instance variable pointing at the dialog while it exists.
template <typename Form> class InstanceSlot
{
public:
    InstanceSlot(Form*& slot, Form* self)
        : m_slot(slot)
        , m_self(self)
    {
        m_slot = self;
    }
    ~InstanceSlot()
    {
        if (m_slot == m_self)
            m_slot = nullptr;
    }
    InstanceSlot(const InstanceSlot&) = delete;
    InstanceSlot& operator=(const InstanceSlot&) = delete;

private:
    Form*& m_slot;
    Form* m_self;
};
