#pragma once

#include <QString>

class TKOLTForm;

// The program's life: start-up in its fixed order, the event loop, shutdown.
class Program
{
public:
    static int run(int argc, char** argv);

    // What the opening of a catalogue does to prepare it (a copy first, the work behind a
    // progress window). Set once, before the data module is made.
    static void prepareUpgrades();
    // Start-up steps, each of which shows its own error and lets start-up go on.
    // Checks the catalogue's password on a thread of its own while the splash goes on
    // answering, so that the opening that follows finds it checked.
    static void checkCatalogueAhead(const QString& programFolder);
    static void createDataModule(const QString& programFolder);
    static TKOLTForm* createMainWindow(const QString& programFolder);
    // The main window, then the data module (closing the catalogue), then the help viewer.
    static void shutdown();

    static constexpr const char* kTitle = "KOLT";
};
