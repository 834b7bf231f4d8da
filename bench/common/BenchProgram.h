#pragma once

#include "MessageService.h"
#include "Program.h"
#include "TKOLTForm.h"

#include <cstdio>

// The program as a user starts it, over a benchmark's catalogue folder: the data module and
// the main window, shown. Every message box is printed instead of shown and answered No.
inline TKOLTForm* startBenchProgram(const QString& folder)
{
    MessageService::setHandler([](const MessageService::Request& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return MessageService::Answer::No;
    });
    Program::createDataModule(folder);
    TKOLTForm* window = Program::createMainWindow(folder);
    window->resize(1280, 900);
    window->show();
    return window;
}
