#pragma once

#include "SqliteFunctions.h"
#include "SqliteStatement.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <iostream>
#include <sqlite3.h>
#include <string>

// Another program at work on a catalogue file, beside the program under test.
namespace OtherProgram {

// What a fresh connection of another program sees in the file: the first column of each row.
inline QStringList fileColumn(const QString& path, const QString& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteFunctions::install(raw);
    QStringList out;
    {
        SqliteStatement s(raw, sql);
        while (s.step())
            out << (s.columnIsNull(0) ? QStringLiteral("<null>") : s.columnText(0));
    }
    sqlite3_close(raw);
    return out;
}

// Changes the file as another program would, before the program under test opens it.
inline void rawExec(const QString& path, const QString& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    // It waits for the file while the program reads it, as a program sharing a file does.
    sqlite3_busy_timeout(raw, 5000);
    SqliteFunctions::install(raw);
    SqliteStatement::exec(raw, sql);
    sqlite3_close(raw);
}

// The test program's helper mode: holds a read transaction on a catalogue until told to stop.
// Answers -1 when the arguments do not ask for it; call it first thing in main().
inline int holdReadMode(int argc, char** argv)
{
    if (argc != 3 || QByteArray(argv[1]) != "--hold-read")
        return -1;
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(argv[2], &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(raw, "SELECT count(*) FROM kolt_meta", -1, &stmt, nullptr);
    if (sqlite3_step(stmt) != SQLITE_ROW)
        return 1;
    std::cout << "reading" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    sqlite3_finalize(stmt);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    return 0;
}

// Another program reading the catalogue: it holds a read transaction open until told to stop,
// as the sqlite3 shell or a backup tool in the middle of a long read does. It is this test
// program again, in its helper mode.
class Reader
{
public:
    explicit Reader(const QString& path)
    {
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-read"), path});
        if (!m_process.waitForReadyRead(10000) || m_process.readLine().trimmed() != "reading")
            qFatal("the reading process did not start");
    }
    ~Reader() { stop(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("done\n");
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

} // namespace OtherProgram

// The main() of a test program that also serves as the reading program of its Reader.
#define KOLT_TEST_MAIN_WITH_READER(Application, TestClass)                          \
    int main(int argc, char** argv)                                                 \
    {                                                                               \
        if (const int helper = OtherProgram::holdReadMode(argc, argv); helper >= 0) \
            return helper;                                                          \
        Application app(argc, argv);                                                \
        TestClass test;                                                             \
        return QTest::qExec(&test, argc, argv);                                     \
    }
