#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;

// The small window shown while a report is prepared or printed: one line of progress and
// Cancel. It keeps the program responsive by letting queued events through now and then.
class ReportProgress : public QDialog
{
    Q_OBJECT

public:
    // How wide the window must be for its caption to show whole in the title bar.
    static int captionWidth(const QString& caption);
    ReportProgress(const QString& caption, QWidget* owner);

    // Shows `line` and lets events through; false once the user has cancelled.
    bool report(const QString& line);
    bool cancelled() const { return m_cancelled; }
    QString line() const;

    void reject() override;

private:
    QLabel* m_line = nullptr;
    QElapsedTimer m_sincePump;
    bool m_cancelled = false;
};
