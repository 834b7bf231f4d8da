#pragma once

#include "ColumnText.h"
#include "MessageRecorder.h"
#include "Program.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TempCatalogue.h"

#include <QTest>
#include <functional>

// A main window over a temporary catalogue filled by `setupSql` (then handed to `beforeOpening`,
// which may spoil the file), made the way start-up makes it; every message box is answered by
// `messages`.
class MainWindowFixture
{
public:
    explicit MainWindowFixture(const QString& setupSql = QString(),
                               const std::function<void(const QString& path)>& beforeOpening = {})
    {
        MessageService::setTitle(QStringLiteral("KOLT"));
        if (!setupSql.isEmpty()) {
            TDM prepare(cat.folder());
            prepare.DataModuleCreate();
            SqliteStatement::exec(prepare.dbKOLT.handle(), setupSql);
        }
        if (beforeOpening)
            beforeOpening(cat.path());
        Program::createDataModule(cat.folder());
        window = Program::createMainWindow(cat.folder());
        window->resize(1100, 700);
    }
    ~MainWindowFixture() { Program::shutdown(); }

    TDM& dm() const { return *DM; }

    void exec(const QString& sql) { SqliteStatement::exec(DM->dbKOLT.handle(), sql); }
    QStringList column(const QString& sql) { return columnText(DM->dbKOLT.handle(), sql); }
    // The first column of the first row, read straight from the file.
    QVariant scalar(const QString& sql)
    {
        SqliteStatement s(DM->dbKOLT.handle(), sql);
        return s.step() ? s.column(0) : QVariant();
    }

    TempCatalogue cat;
    MessageRecorder messages;
    TKOLTForm* window = nullptr;
};
