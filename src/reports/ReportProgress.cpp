#include "ReportProgress.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Often enough for Cancel and repainting to feel immediate, rarely enough to cost nothing.
constexpr int kPumpIntervalMs = 40;

} // namespace

int ReportProgress::captionWidth(const QString& caption)
{
    // The caption stands in the title bar, often in bold, beside the bar's buttons: the
    // window is wide enough for all of it to show.
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setBold(true);
    const QFontMetrics metrics(title);
    return metrics.horizontalAdvance(caption) + 4 * metrics.height();
}

ReportProgress::ReportProgress(const QString& caption, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ReportProgress"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    m_line = new QLabel(this);
    m_line->setMinimumWidth(std::max(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32, captionWidth(caption)));
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
