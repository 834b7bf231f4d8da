#include "TKOLTForm.h"

#include "ErrorGuard.h"
#include "HelpViewer.h"
#include "MessageService.h"
#include "TAboutForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QSessionManager>
#include <QStatusBar>
#include <QToolBar>

TKOLTForm* KOLTForm = nullptr;

TKOLTForm::TKOLTForm(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_programFolder(programFolder)
{
    setWindowTitle(QStringLiteral("Tarvena"));
    setWindowIcon(QIcon(QStringLiteral(":/app/kolt.svg")));
    buildMenus();
    buildToolbar();
    buildStatusBar();
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TKOLTForm::commitData);
    ErrorGuard::run([this] { FormCreate(); }, this);
}

TKOLTForm::~TKOLTForm()
{
    if (KOLTForm == this)
        KOLTForm = nullptr;
}

void TKOLTForm::FormCreate()
{
    m_helpFile = QDir(m_programFolder).filePath(QStringLiteral("KOLT.HLP"));
}

QAction* TKOLTForm::command(const QString& text, const QString& hint, const QString& icon,
                            void (TKOLTForm::*handler)())
{
    auto* action = new QAction(text, this);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/main/icons/%1.svg").arg(icon)));
    connect(action, &QAction::triggered, this, [this, handler] { ErrorGuard::run([&] { (this->*handler)(); }, this); });
    return action;
}

void TKOLTForm::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(command(QStringLiteral("Print..."), QStringLiteral("Print"), QStringLiteral("print"), &TKOLTForm::tbPrintClick));
    file->addSeparator();
    file->addAction(command(QStringLiteral("Exit"), QStringLiteral("Exit"), QStringLiteral("exit"), &TKOLTForm::tbExitClick));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* helpItem = command(QStringLiteral("Help "), QStringLiteral("Help"), QStringLiteral("help"), &TKOLTForm::tbHelpClick);
    helpItem->setShortcut(Qt::Key_F1);
    helpItem->setShortcutContext(Qt::ApplicationShortcut);
    help->addAction(helpItem);
    help->addSeparator();
    help->addAction(command(QStringLiteral("About..."), QString(), QString(), &TKOLTForm::H_AboutClick));
    addAction(helpItem); // F1 works while the menu bar is hidden too
}

void TKOLTForm::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar"));
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->addAction(command(QString(), QStringLiteral("Help"), QStringLiteral("help"), &TKOLTForm::tbHelpClick));
    m_toolbar->addAction(command(QString(), QStringLiteral("Exit"), QStringLiteral("exit"), &TKOLTForm::tbExitClick));
}

void TKOLTForm::buildStatusBar()
{
    auto* panel = new QLabel(QStringLiteral("F1 - Help"), this);
    panel->setFixedWidth(60);
    statusBar()->addWidget(panel);
}

bool TKOLTForm::FormCloseQuery()
{
    return MessageService::ask(QStringLiteral(" Do you want exit? "), this);
}

void TKOLTForm::closeEvent(QCloseEvent* event)
{
    bool allowed = m_closeApproved;
    if (!allowed)
        ErrorGuard::run([&] { allowed = FormCloseQuery(); }, this);
    if (allowed)
        event->accept();
    else
        event->ignore();
}

void TKOLTForm::commitData(QSessionManager& manager)
{
    // Logging off asks the same question; No refuses the log-off.
    if (!manager.allowsInteraction())
        return;
    const bool allowed = FormCloseQuery();
    manager.release();
    if (allowed)
        m_closeApproved = true;
    else
        manager.cancel();
}

void TKOLTForm::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TKOLTForm::tbExitClick()
{
    close();
}

void TKOLTForm::tbHelpClick()
{
    HelpViewer::showContents(m_helpFile);
}

void TKOLTForm::H_AboutClick()
{
    auto* about = new TAboutForm(this);
    about->exec();
}

void TKOLTForm::tbPrintClick()
{
    // Printing arrives with the reports.
}
