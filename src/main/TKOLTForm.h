#pragma once

#include <QMainWindow>
#include <QString>

class QAction;
class QLabel;
class QSessionManager;
class QToolBar;

// The main window: where the user spends the whole run.
class TKOLTForm : public QMainWindow
{
    Q_OBJECT

public:
    // `programFolder` holds the help file KOLT.HLP.
    explicit TKOLTForm(const QString& programFolder, QWidget* parent = nullptr);
    ~TKOLTForm() override;

    // Asks " Do you want exit? "; true when the window may close.
    bool FormCloseQuery();

    // Shows the window in front, restoring it when minimised (a later copy asked for it).
    void bringToFront();

    const QString& HelpFile() const { return m_helpFile; }

    // Command handlers.
    void tbExitClick();
    void tbHelpClick();
    void H_AboutClick();
    void tbPrintClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void commitData(QSessionManager& manager);
    QAction* command(const QString& text, const QString& hint, const QString& icon, void (TKOLTForm::*handler)());

    QString m_programFolder;
    QString m_helpFile;
    QToolBar* m_toolbar = nullptr;
    bool m_closeApproved = false;
};

extern TKOLTForm* KOLTForm;
