#pragma once

#include <QPointer>
#include <QWidget>

class QTextBrowser;

// The help viewer: a window of its own beside the main window, showing the help file at its
// contents. It reports a help file it cannot read in its own window; it is told to quit when
// the program ends.
class HelpViewer : public QWidget
{
public:
    // The finder command: opens (or brings forward) the viewer at the contents page.
    static HelpViewer* showContents(const QString& helpFile);
    static HelpViewer* current() { return s_viewer; }
    // The quit command.
    static void quit();

    QTextBrowser* browser() const { return m_browser; }
    bool loaded() const { return m_loaded; }

private:
    HelpViewer();
    ~HelpViewer() override;
    void load(const QString& helpFile);

    QTextBrowser* m_browser = nullptr;
    bool m_loaded = false;
    static QPointer<HelpViewer> s_viewer;
};
