#include "ReportProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Often enough for Cancel and repainting to feel immediate, rarely enough to cost nothing.
constexpr int kPumpIntervalMs = 40;

} // namespace

ReportProgress::ReportProgress(const QString& caption, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ReportProgress"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    m_line = new QLabel(this);
    m_line->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &ReportProgress::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_line);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool ReportProgress::report(const QString& line)
{
    if (m_line->text() != line)
        m_line->setText(line);
    if (!isVisible()) {
        show();
        QApplication::processEvents();
        m_sincePump.start();
    } else if (m_sincePump.elapsed() >= kPumpIntervalMs) {
        QApplication::processEvents();
        m_sincePump.restart();
    }
    return !m_cancelled;
}

QString ReportProgress::line() const
{
    return m_line->text();
}

void ReportProgress::reject()
{
    // Cancel, Escape and the close box all stop the work; the caller closes the window.
    m_cancelled = true;
}
