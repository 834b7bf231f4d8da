#pragma once

#include <QDockWidget>

// Holds the toolbar in the dock strip. It can be dragged off to float; a floating toolbar
// has a close button, which hides it (and tells the window, so that its menu item unchecks).
class ToolbarDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit ToolbarDock(const QString& title, QWidget* parent = nullptr);

Q_SIGNALS:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateTitleBar(bool floating);
    QWidget* m_noTitle;
};
