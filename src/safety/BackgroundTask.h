#pragma once

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

// Long work (copying or checking the catalogue) on a thread of its own, waited for behind a
// progress window that keeps the program painting and answers Cancel at once.
class BackgroundTask
{
public:
    struct Control
    {
        std::atomic<int> percent{0};
        std::atomic<bool> cancelled{false};
    };
    using Work = std::function<void(Control&)>;

    // Runs `work` and returns once it has ended: false when the user cancelled it. What the
    // work raised is raised here, on the calling thread. Short work shows no window at all.
    static bool run(QWidget* parent, const QString& label, const Work& work, bool cancellable = true);
};
