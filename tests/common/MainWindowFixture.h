#pragma once

#include "MessageRecorder.h"
#include "Program.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TempCatalogue.h"

#include <QTest>

// A main window over a temporary catalogue filled by `setupSql`, made the way start-up makes
// it; every message box is answered by `messages`.
class MainWindowFixture
{
public:
    explicit MainWindowFixture(const QString& setupSql = QString())
    {
        MessageService::setTitle(QStringLiteral("KOLT"));
        if (!setupSql.isEmpty()) {
            TDM prepare(cat.folder());
            prepare.DataModuleCreate();
            SqliteStatement::exec(prepare.dbKOLT.handle(), setupSql);
        }
        Program::createDataModule(cat.folder());
        window = Program::createMainWindow(cat.folder());
        window->resize(1100, 700);
    }
    ~MainWindowFixture() { Program::shutdown(); }

    TDM& dm() const { return *DM; }

    void exec(const QString& sql) { SqliteStatement::exec(DM->dbKOLT.handle(), sql); }

    TempCatalogue cat;
    MessageRecorder messages;
    TKOLTForm* window = nullptr;
};
