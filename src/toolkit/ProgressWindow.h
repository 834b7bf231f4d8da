#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;

// A small window that says how far long work is, in words and with a bar ("Preparing the
// catalogue for fast sorting: 40 %"), and keeps the program painted while the work runs. It
// comes up only when the work takes a while. Closing it (its button, the close box, Escape)
// asks the work to stop; what the work does then is the work's affair, which `note` tells.
class ProgressWindow : public QDialog
{
    Q_OBJECT

public:
    ProgressWindow(const QString& label, const QString& note, QWidget* parent = nullptr);
    ~ProgressWindow() override;

    // Work on a thread of its own is told how far it is through this, and looks at `stop`.
    struct Control
    {
        std::atomic<int> percent{0};
        std::atomic<bool> stop{false};
    };
    using Work = std::function<void(Control& control)>;

    // Runs `work` on a thread of its own and returns once it has ended, the event loop running
    // meanwhile: true when nobody asked it to stop. What the work raised is raised here.
    static bool runInThread(const QString& label, const QString& note, const Work& work, QWidget* parent = nullptr);

    // For work done on this thread in slices, called between them as often as it likes: shows
    // `percent` and, when a few tens of milliseconds have passed, lets the event loop run.
    // False once the user has asked the work to stop.
    bool keepUp(int percent);

    void setPercent(int percent);
    int percent() const { return m_percent; }
    bool stopRequested() const { return m_stop; }
    // The line the window shows.
    QString text() const;

    // How long work goes before the window comes up, and how often the event loop runs.
    static constexpr int kShowAfterMs = 300;
    static constexpr int kTurnEveryMs = 30;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void askToStop();
    void showWhenDue();

    QString m_label;
    QLabel* m_text;
    QProgressBar* m_bar;
    QElapsedTimer m_since;
    QElapsedTimer m_lastTurn;
    int m_percent = -1;
    bool m_stop = false;
    bool m_finished = false;
};
