#pragma once

#include "SearchResults.h"

#include <QFrame>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The results of "Search everywhere" under its field: a heading per folder with the number of
// items found there, then the first items, each with its title, the field it matched in and a
// piece of that field with the searched words in bold. Shown without taking the focus, so
// that typing goes on in the field.
class SearchResultsPopup : public QFrame
{
    Q_OBJECT

public:
    explicit SearchResultsPopup(QWidget* parent = nullptr);

    void show(const SearchResults& results, const QString& note);
    // The same results, now counted.
    void updateCounts(const SearchResults& results, const QString& note);
    QTreeWidget* list() const { return m_list; }
    // The item picked, or nothing (a heading, or no row).
    bool currentHit(int& folder, qint64& id) const;
    // Moves the current row to the next (or previous) result, past headings.
    void step(int direction);

Q_SIGNALS:
    void activated(int folder, qint64 id);
    void escaped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onActivated(QTreeWidgetItem* item);

    QLabel* m_note = nullptr;
    QTreeWidget* m_list = nullptr;
};
