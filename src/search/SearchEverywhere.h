#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class CatalogueSearch;
struct SearchResults;
class QAction;
class QLineEdit;
class QTimer;
class QWidget;
class SearchIndex;
class SearchResultsPopup;
class SearchRunner;
class QMenu;
class QToolBar;
class SearchUpkeep;
class TDM;

// "Search everywhere" in the main window: a field on the toolbar beside Search, the Edit menu's
// "Search everywhere…" (Ctrl+Shift+F) that goes to it, and the results under it, shown as the
// user types. Enter (or a double click) on a result shows the item in its folder; Enter before
// the results are in goes to the first one once they are. Escape goes back to where the user
// was. Owns the index and keeps it in step for the whole run. Searches run beside the window
// (SearchRunner): typing never waits for one.
class SearchEverywhere : public QObject
{
    Q_OBJECT

public:
    // The pause after a keystroke before the search runs.
    static constexpr int kTypingPause = 150;

    // What it needs of the main window.
    struct Context
    {
        QWidget* window = nullptr;
        TDM* dm = nullptr;
        QToolBar* toolbar = nullptr;
        QWidget* besides = nullptr; // the toolbar's widget the field follows
        QMenu* editMenu = nullptr;
        std::function<void()> showToolbar;         // when hidden
        std::function<void(int, qint64)> showItem; // folder, key
        std::function<QWidget*()> home;            // the grid shown, where Escape goes without a better place
    };

    explicit SearchEverywhere(Context context);
    ~SearchEverywhere() override;

    QLineEdit* field() const { return m_field; }
    QAction* action() const { return m_action; }
    SearchResultsPopup* popup() const { return m_popup; }
    SearchIndex* index() const { return m_index.get(); }
    // Around a catalogue file replaced under the program (a restored backup): the index lets
    // go of the old connection before it closes, and is found (or built) anew on the new one.
    void catalogueClosing();
    void catalogueOpened();

    // Starts the search for what the field holds now; its results show when they are in.
    void searchNow();
    // True while results are awaited for what the field holds.
    bool isSearching() const;
    // Shows an item in its folder and puts the results away.
    void goTo(int folder, qint64 id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openIndex();
    void delivered(const SearchResults& results, bool counted);
    static QString note(const SearchResults& results, bool counted);
    void focusField();
    void placePopup();
    void leave();
    void activateCurrent();

    Context m_context;
    std::unique_ptr<SearchIndex> m_index;
    std::unique_ptr<SearchUpkeep> m_upkeep;
    std::unique_ptr<SearchRunner> m_runner;
    bool m_pageShown = false;   // the search running has shown its first page
    bool m_goWhenFound = false; // Enter was pressed before the results were in
    QLineEdit* m_field = nullptr;
    QAction* m_action = nullptr;
    QTimer* m_pause = nullptr;
    SearchResultsPopup* m_popup = nullptr;
    QPointer<QWidget> m_cameFrom; // where the focus goes back to on Escape
};
