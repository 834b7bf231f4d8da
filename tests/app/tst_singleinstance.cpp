#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <iostream>
#include <unistd.h>

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

// Sets XDG_RUNTIME_DIR (unset when empty) and TMPDIR for this process while in scope, so that
// the program's copies and this test decide on the same folder, never the user's own.
class EnvironmentScope
{
public:
    EnvironmentScope(const QString& runtime, const QString& temp)
        : m_runtime(qgetenv("XDG_RUNTIME_DIR"))
        , m_temp(qgetenv("TMPDIR"))
    {
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("TMPDIR", QFile::encodeName(temp));
    }
    ~EnvironmentScope()
    {
        restore("XDG_RUNTIME_DIR", m_runtime);
        restore("TMPDIR", m_temp);
    }

    static QProcessEnvironment forChildren()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        return env;
    }

private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QByteArray m_runtime;
    QByteArray m_temp;
};

// The program file in two folders of its own: one with a catalogue, one without. A copy
// started from the second that went on starting would stop at the box about the missing
// catalogue and never end by itself: ending there means it showed nothing.
struct ProgramFolders
{
    ProgramFolders()
    {
        for (const QString& f : {withCatalogue, withoutCatalogue}) {
            QDir().mkdir(f);
            QFile::copy(QStringLiteral(KOLT_BINARY_DIR "/kolt"), f + QStringLiteral("/kolt"));
        }
        const QString catalogue = withCatalogue + QStringLiteral("/koltDB.mdb");
        QFile::copy(QStringLiteral(KOLT_BINARY_DIR "/koltDB.mdb"), catalogue);
        QFile::setPermissions(catalogue, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void start(QProcess& p, const QString& folder, QProcessEnvironment env,
               const QString& name = QStringLiteral("kolt"))
    {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(folder + QLatin1Char('/') + name, {});
        QVERIFY(p.waitForStarted(10000));
    }

    QTemporaryDir root;
    QString withCatalogue = root.filePath(QStringLiteral("a"));
    QString withoutCatalogue = root.filePath(QStringLiteral("b"));
};

// Whether a hand-over socket listens there (without taking any lock).
bool answers(const QString& socketPath)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    const bool up = socket.waitForConnected(500);
    socket.abort();
    return up;
}

bool waitForOutput(QProcess& p, const QByteArray& word, int ms)
{
    QByteArray seen = p.property("seen").toByteArray();
    QElapsedTimer t;
    t.start();
    while (!seen.contains(word) && t.elapsed() < ms) {
        p.waitForReadyRead(100);
        seen += p.readAllStandardOutput();
    }
    p.setProperty("seen", seen);
    return seen.contains(word);
}

// A later copy ends by itself, with 0.
bool endsWithZero(QProcess& p)
{
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void stop(QProcess& p)
{
    p.kill();
    p.waitForFinished(10000);
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

    // A first copy that quits while a later copy waits for it to start listening: the later
    // copy takes the lock and goes on as the first copy, and a copy after it hands over to it.
    void laterCopyGoesOnWhenTheFirstQuitsMeanwhile()
    {
        ProgramFolders programs;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        QProcess quitting;
        quitting.setProcessEnvironment(env);
        quitting.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--quitting-first"), QStringLiteral("kolt")});
        QVERIFY(waitForOutput(quitting, "locked", 10000));
        QProcess later;
        programs.start(later, programs.withCatalogue, env);
        QVERIFY(quitting.waitForFinished(10000));
        QCOMPARE(quitting.exitCode(), 0);
        QVERIFY(waitFor([&] { return answers(m_runtime.filePath(QStringLiteral("kolt.handover"))); }, 20000));
        QCOMPARE(later.state(), QProcess::Running);
        QVERIFY(SingleInstance(QStringLiteral("kolt")).previousCopy());

        QProcess third;
        programs.start(third, programs.withoutCatalogue, env);
        QVERIFY(endsWithZero(third));
        QCOMPARE(later.state(), QProcess::Running);
        stop(later);
    }

    void secondCopyHandsOverAndEnds_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<bool>("inRuntime"); // else in the private folder in the temporary folder
        QTest::newRow("usable") << "usable" << true;
        QTest::newRow("missing") << "missing" << true; // made by the first copy
        QTest::newRow("unwritable") << "unwritable" << false;
        QTest::newRow("unset") << "unset" << false;
        QTest::newRow("a file") << "a file" << false;
    }

    // Whatever XDG_RUNTIME_DIR names, the first copy's lock and hand-over socket sit in one
    // folder, and a second copy, even one started while the first is still starting, reaches
    // it and ends with 0.
    void secondCopyHandsOverAndEnds()
    {
        QFETCH(QString, runtime);
        QFETCH(bool, inRuntime);
        QTemporaryDir base;
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("tmp")));
        const QString runtimePath = base.filePath(QStringLiteral("run"));
        if (runtime == QLatin1String("usable") || runtime == QLatin1String("unwritable"))
            QVERIFY(
                QDir().mkdir(runtimePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        if (runtime == QLatin1String("unwritable")) {
            QVERIFY(QFile::setPermissions(runtimePath, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            // The superuser writes there all the same: the folder is usable then.
            inRuntime = ::access(QFile::encodeName(runtimePath).constData(), W_OK) == 0;
        }
        if (runtime == QLatin1String("a file"))
            QVERIFY(QFile(runtimePath).open(QIODevice::WriteOnly));
        const QString xdg = runtime == QLatin1String("unset") ? QString() : runtimePath;
        EnvironmentScope env(xdg, base.filePath(QStringLiteral("tmp")));
        ProgramFolders programs;

        QProcess first;
        programs.start(first, programs.withCatalogue, env.forChildren());
        // The folder the program decides on holds both the lock and the socket, and the other
        // candidate neither. Nothing here may make or change a folder the first copy looks at.
        const QString candidates[] = {runtimePath, base.filePath(QStringLiteral("tmp/tarvena-%1").arg(::getuid()))};
        QString folder;
        QVERIFY(waitFor(
            [&] {
                for (const QString& c : candidates) {
                    if (answers(c + QStringLiteral("/kolt.handover")))
                        folder = c;
                }
                return !folder.isEmpty();
            },
            20000));
        QCOMPARE(folder, candidates[inRuntime ? 0 : 1]);
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/kolt.lock")));
        const QString other = candidates[inRuntime ? 1 : 0];
        QVERIFY(!QFileInfo::exists(other + QStringLiteral("/kolt.lock")));
        QVERIFY(!QFileInfo::exists(other + QStringLiteral("/kolt.handover")));

        QProcess second;
        programs.start(second, programs.withoutCatalogue, env.forChildren());
        QVERIFY(endsWithZero(second));
        QCOMPARE(first.state(), QProcess::Running);
        {
            SingleInstance probe(QStringLiteral("kolt"));
            QVERIFY(probe.previousCopy());
            QVERIFY(probe.handOver()); // the first copy still answers at the same place
        }
        stop(first);

        // A first copy that holds the lock but does not listen yet: the second waits for it.
        QProcess slow;
        slow.setProcessEnvironment(env.forChildren());
        slow.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--slow-first"), QStringLiteral("kolt")});
        QVERIFY(waitForOutput(slow, "locked", 10000));
        QProcess early;
        programs.start(early, programs.withoutCatalogue, env.forChildren());
        QVERIFY(endsWithZero(early));
        QVERIFY(waitForOutput(slow, "raised", 10000));
        stop(slow);
    }

    void copiesUnderOtherNamesRunSideBySide()
    {
        ProgramFolders programs;
        QVERIFY(QFile::copy(programs.withCatalogue + QStringLiteral("/kolt"),
                            programs.withCatalogue + QStringLiteral("/kolt-other")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        QProcess first, other;
        programs.start(first, programs.withCatalogue, env);
        QVERIFY(waitFor([&] { return answers(m_runtime.filePath(QStringLiteral("kolt.handover"))); }, 20000));
        programs.start(other, programs.withCatalogue, env, QStringLiteral("kolt-other"));
        QVERIFY(!other.waitForFinished(1500)); // the lock is named by the program file
        stop(first);
        stop(other);
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

// Helper mode: a first copy that takes its lock, is slow to start, then listens and says when
// a later copy asked it to come forward.
static int slowFirst(const QString& name)
{
    SingleInstance lock(name);
    if (lock.previousCopy())
        return 2;
    std::cout << "locked" << std::endl;
    QThread::msleep(1500);
    QObject::connect(&lock, &SingleInstance::raiseRequested, [] { std::cout << "raised" << std::endl; });
    lock.listen();
    return QCoreApplication::exec();
}

// Helper mode: a first copy that takes its lock and quits a little later without ever
// listening, as a copy does that is closed while it starts.
static int quittingFirst(const QString& name)
{
    SingleInstance lock(name);
    if (lock.previousCopy())
        return 2;
    std::cout << "locked" << std::endl;
    QThread::msleep(2500);
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--hold")
        return hold(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--slow-first")
        return slowFirst(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--quitting-first")
        return quittingFirst(QString::fromLocal8Bit(argv[2]));
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_singleinstance.moc"
