#include "ProgressWindow.h"

#include "WorkBeside.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <memory>

ProgressWindow::ProgressWindow(const QString& label, const QString& note, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint)
    , m_label(label)
    , m_text(new QLabel)
    , m_bar(new QProgressBar)
{
    setObjectName(QStringLiteral("ProgressWindow"));
    setWindowTitle(QStringLiteral("Tarvena"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_text->setObjectName(QStringLiteral("lbProgress"));
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(label);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    if (!note.isEmpty()) {
        auto* explained = new QLabel(note);
        explained->setWordWrap(true);
        layout->addWidget(explained);
    }
    auto* stop = new QPushButton(QStringLiteral("Finish later"));
    stop->setObjectName(QStringLiteral("btFinishLater"));
    stop->setAutoDefault(false);
    connect(stop, &QPushButton::clicked, this, [this] { askToStop(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    setPercent(0);
    m_since.start();
    m_lastTurn.start();
}

ProgressWindow::~ProgressWindow() = default;

QString ProgressWindow::text() const
{
    return m_text->text();
}

void ProgressWindow::setPercent(int percent)
{
    percent = qBound(0, percent, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    m_text->setText(QStringLiteral("%1: %2 %").arg(m_label).arg(percent));
    m_bar->setValue(percent);
}

void ProgressWindow::showWhenDue()
{
    if (isVisible() || m_stop || m_finished || m_since.elapsed() < kShowAfterMs)
        return;
    show();
    raise();
}

bool ProgressWindow::keepUp(int percent)
{
    setPercent(percent);
    if (m_lastTurn.elapsed() < kTurnEveryMs)
        return !m_stop;
    m_lastTurn.restart();
    showWhenDue();
    // Until the window is up and holds the input, clicks elsewhere wait: the work is not done.
    QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !m_stop;
}

void ProgressWindow::askToStop()
{
    m_stop = true;
    hide();
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    if (!m_finished)
        m_stop = true;
    QDialog::closeEvent(event);
}

void ProgressWindow::reject()
{
    askToStop();
}

bool ProgressWindow::runInThread(const QString& label, const QString& note, const Work& work, QWidget* parent)
{
    Control control;
    ProgressWindow window(label, note, parent);
    const std::exception_ptr failure = WorkBeside::run([&] { work(control); }, kTurnEveryMs,
                                                       [&] {
                                                           window.setPercent(control.percent);
                                                           if (window.stopRequested())
                                                               control.stop = true;
                                                           window.showWhenDue();
                                                       });
    window.m_finished = true;
    const bool stopped = window.stopRequested() || control.stop;
    window.hide();
    if (failure)
        std::rethrow_exception(failure);
    return !stopped;
}
