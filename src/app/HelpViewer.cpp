#include "HelpViewer.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

QPointer<HelpViewer> HelpViewer::s_viewer;

HelpViewer::HelpViewer()
    : QWidget(nullptr, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // An open help window must not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Tarvena Help"));
    resize(720, 640);

    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(QStringLiteral("Help text"));

    auto* bar = new QToolBar(this);
    QAction* contents = bar->addAction(QStringLiteral("Contents"));
    QAction* back = bar->addAction(QStringLiteral("Back"));
    QAction* forward = bar->addAction(QStringLiteral("Forward"));
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QAction::triggered, m_browser,
            [this] { m_browser->scrollToAnchor(QStringLiteral("contents")); });
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);
}

HelpViewer::~HelpViewer()
{
    if (s_viewer == this)
        s_viewer = nullptr;
}

void HelpViewer::load(const QString& helpFile)
{
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_loaded = false;
        m_browser->setHtml(QStringLiteral("<h2>Help is not available</h2><p>The help file <b>%1</b> cannot be "
                                          "opened: %2.</p><p>The program itself works as usual.</p>")
                               .arg(helpFile.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
        return;
    }
    m_loaded = true;
    m_browser->setSearchPaths({QFileInfo(helpFile).absolutePath()});
    m_browser->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()), QTextDocument::HtmlResource);
    m_browser->scrollToAnchor(QStringLiteral("contents"));
}

HelpViewer* HelpViewer::showContents(const QString& helpFile)
{
    if (!s_viewer)
        s_viewer = new HelpViewer;
    s_viewer->load(helpFile);
    s_viewer->showNormal();
    s_viewer->raise();
    s_viewer->activateWindow();
    return s_viewer;
}

void HelpViewer::quit()
{
    delete s_viewer.data();
}
