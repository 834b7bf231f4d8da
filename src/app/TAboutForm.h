#pragma once

#include <QDialog>

class QPushButton;

// "About...": the picture strip, the version line and OK. Made fresh for every showing.
class TAboutForm : public QDialog
{
public:
    explicit TAboutForm(QWidget* owner);
    ~TAboutForm() override;

    QPushButton* okButton() const { return m_ok; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* m_ok = nullptr;
};

extern TAboutForm* AboutForm;
