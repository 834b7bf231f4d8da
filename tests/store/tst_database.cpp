#include "CatalogueFile.h"
#include "EDAODatabaseError.h"
#include "EDatabaseError.h"
#include "PasswordVerifier.h"
#include "SpoiltCatalogue.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"
#include "TDAOQuery.h"
#include "TempCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <iostream>
#include <pwd.h>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace {

QString openError(const QString& path, const QString& password = QStringLiteral("trobel72"))
{
    TDAODatabase db;
    db.setDatabaseName(path);
    db.setPassword(password);
    try {
        db.Open();
    } catch (const EDatabaseError& e) {
        if (db.Connected())
            return QStringLiteral("connected after an error");
        return e.message();
    }
    return QString();
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensAndClosesOnce()
    {
        TempCatalogue cat;
        TDAODatabase db(QStringLiteral("dbKOLT"));
        db.setDatabaseName(cat.path());
        db.setPassword(QStringLiteral("trobel72"));
        db.Open();
        QVERIFY(db.Connected());
        db.Open(); // an open connection stays as it is
        QVERIFY(db.Connected());
        db.Close();
        db.Close();
        QVERIFY(!db.Connected());
        db.setConnected(true);
        QVERIFY(db.Connected());
    }

    void propertiesRefusedWhileOpen()
    {
        TempCatalogue cat;
        TDAODatabase db;
        db.setDatabaseName(cat.path());
        db.setPassword(QStringLiteral("trobel72"));
        db.Open();
        for (const auto& change :
             std::vector<std::function<void()>>{[&] { db.setDatabaseName(QStringLiteral("/elsewhere/koltDB.mdb")); },
                                                [&] { db.setPassword(QStringLiteral("other")); }}) {
            try {
                change();
                QFAIL("a property changed while the connection was open");
            } catch (const EDAODatabaseError& e) {
                QCOMPARE(e.message(), QStringLiteral("Cannot perform this operation on an open database"));
            }
        }
        QCOMPARE(db.DatabaseName(), cat.path());
        QCOMPARE(db.Password(), QStringLiteral("trobel72"));
    }

    void closingClosesDatasetsNewestFirst()
    {
        TempCatalogue cat(3);
        TDAODatabase db;
        db.setDatabaseName(cat.path());
        db.setPassword(QStringLiteral("trobel72"));
        TDAOQuery a(QStringLiteral("a")), b(QStringLiteral("b"));
        QStringList closed;
        for (TDAOQuery* q : {&a, &b}) {
            q->setDatabase(&db);
            q->setSQL({QStringLiteral("select * from Books")});
            q->AfterClose = [&closed](TDAODataset& ds) { closed << ds.Name(); };
        }
        a.Open(); // opening a dataset opens its connection first
        QVERIFY(db.Connected());
        b.Open();
        QCOMPARE(db.DataSets().size(), size_t(2));
        db.Close();
        QCOMPARE(closed, (QStringList{"b", "a"}));
        QVERIFY(!a.Active() && !b.Active());
        QVERIFY(db.DataSets().empty());
    }

    void failedConnectionIsRetriedAtEveryOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("koltDB.mdb"));
        TDAODatabase db;
        db.setDatabaseName(path);
        db.setPassword(QStringLiteral("trobel72"));
        TDAOQuery q(QStringLiteral("qrBooks"));
        q.setDatabase(&db);
        q.setSQL({QStringLiteral("select * from Books")});
        for (int attempt = 0; attempt < 2; ++attempt) {
            QVERIFY_THROWS_EXCEPTION(EDatabaseError, q.Open());
            QVERIFY(!q.Active());
        }
        CatalogueWriter::create(path);
        q.Open();
        QVERIFY(q.Active());
    }

    void badCatalogues_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        for (const auto& [kind, message] : SpoiltCatalogue::kinds())
            QTest::newRow(qPrintable(kind)) << kind << message;
        QTest::newRow("wrong password") << "password"
                                        << "Not a valid password";
        QTest::newRow("no password") << "nopassword"
                                     << "Not a valid password";
        QTest::newRow("locked by another process") << "locked"
                                                   << "in use by another program";
    }

    void badCatalogues()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        TempCatalogue cat(kind == QLatin1String("truncated") ? 50 : -1);
        const QString path = cat.path();
        QString password = QStringLiteral("trobel72");
        QProcess holder;

        if (kind == QLatin1String("password")) {
            password = QStringLiteral("trobel73");
        } else if (kind == QLatin1String("nopassword")) {
            password.clear();
        } else if (kind == QLatin1String("locked")) {
            holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), path});
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
        }

        SpoiltCatalogue::make(kind, path);
        const QByteArray before = SpoiltCatalogue::bytesOf(path);
        const QString error = openError(path, password);
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(SpoiltCatalogue::bytesOf(path), before); // the file is left exactly as it was

        if (holder.state() != QProcess::NotRunning) {
            holder.write("done\n");
            holder.waitForFinished(10000);
        }
    }

    // Catalogues made by earlier builds keep digests worked out this way; every build must
    // find them again.
    void passwordDigestsOfEarlierFiles_data()
    {
        QTest::addColumn<int>("rounds");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("20,000 rounds") << 20000
                                       << QByteArray(
                                              "282b1e557c88a32872f96a1c22977ec7489126644ace94c5bc4bc118f9b2c746");
        QTest::newRow("one round") << 1
                                   << QByteArray("063fd17c42f8f7bfe8aff370ebab2990a447abf2502968663053466d05830d1f");
    }

    void passwordDigestsOfEarlierFiles()
    {
        QFETCH(int, rounds);
        QFETCH(QByteArray, digest);
        const PasswordVerifier::Record record{"00112233445566778899aabbccddeeff", digest, rounds};
        QVERIFY(PasswordVerifier::matches(QStringLiteral("trobel72"), record));
        QVERIFY(!PasswordVerifier::matches(QStringLiteral("trobel73"), record));
        QVERIFY(!PasswordVerifier::matches(QStringLiteral("trobel72"), {record.salt, record.digest, rounds + 1}));
    }

    // A password checked ahead (on another thread, before the opening) changes nothing the
    // opening decides: the right one opens, a wrong one is refused, a file that is no catalogue
    // is reported by the opening.
    void passwordCheckedAhead_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("right") << "trobel72"
                               << ""
                               << "";
        QTest::newRow("wrong") << "trobel73"
                               << ""
                               << "Not a valid password";
        QTest::newRow("not a catalogue") << "trobel72"
                                         << "garbage"
                                         << "not a catalogue file";
    }

    void passwordCheckedAhead()
    {
        QFETCH(QString, password);
        QFETCH(QString, kind);
        QFETCH(QString, error);
        TempCatalogue cat;
        if (kind == QLatin1String("garbage")) {
            QFile file(cat.path());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(8192, 'x'));
        }
        std::thread ahead([&] { CatalogueFile::checkAhead(cat.path(), password); });
        ahead.join();
        const QString said = openError(cat.path(), password);
        if (error.isEmpty())
            QVERIFY2(said.isEmpty(), qPrintable(said));
        else
            QVERIFY2(said.contains(error), qPrintable(said));
    }

    // A catalogue that cannot be changed opens for reading, and the first attempt to change it
    // says so at once. Run as an ordinary user: the superuser could write the file anyway.
    void readOnlyCatalogueRefusesTheFirstChange_data()
    {
        QTest::addColumn<bool>("folderOnly");
        QTest::newRow("read-only file") << false;
        QTest::newRow("file in a read-only folder") << true;
    }

    void readOnlyCatalogueRefusesTheFirstChange()
    {
        QFETCH(bool, folderOnly);
        TempCatalogue cat(2);
        const QString folder = cat.folder();
        const QByteArray before = cat.bytes();
        const bool root = geteuid() == 0;
        if (root) {
            // The check runs as "nobody": the file (and in the first case the folder) is theirs.
            const passwd* nobody = getpwnam("nobody");
            QVERIFY(nobody);
            QVERIFY(chown(QFile::encodeName(cat.path()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
            if (!folderOnly)
                QVERIFY(chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        }
        using P = QFileDevice;
        QFile::setPermissions(cat.path(), folderOnly ? P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther
                                                     : P::ReadOwner | P::ReadGroup | P::ReadOther);
        QFile::setPermissions(folder, P::ReadOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther
                                          | P::ExeOther | (folderOnly ? P::Permissions() : P::WriteOwner));
        if (root) {
            QProcess check;
            check.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read-only-check"), cat.path()});
            QVERIFY(check.waitForFinished(30000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        } else {
            const QString failure = readOnlyCheck(cat.path());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
        QFile::setPermissions(folder, P::ReadOwner | P::WriteOwner | P::ExeOwner);
        QCOMPARE(cat.bytes(), before);
    }

public:
    // What a read-only catalogue must do; an empty answer when it does.
    static QString readOnlyCheck(const QString& path)
    {
        TDAODatabase db;
        db.setDatabaseName(path);
        db.setPassword(QStringLiteral("trobel72"));
        db.Open();
        if (!db.ReadOnly())
            return QStringLiteral("not seen as read-only");
        TDAOQuery q(QStringLiteral("qrBooks"));
        q.setDatabase(&db);
        q.setSQL({QStringLiteral("select * from Books")});
        q.Open();
        if (q.RecordCount() != 2)
            return QStringLiteral("the rows cannot be read");
        for (const auto& change :
             std::vector<std::function<void()>>{[&] { q.Edit(); }, [&] { q.Insert(); }, [&] { q.Delete(); }}) {
            QString message;
            try {
                change();
            } catch (const EDatabaseError& e) {
                message = e.message();
            }
            if (!message.contains(QLatin1String("cannot be changed")) || !message.contains(QLatin1String("read-only")))
                return QStringLiteral("unclear or no refusal: ") + message;
            if (q.State() != TDataSetState::Browse || q.RecordCount() != 2)
                return QStringLiteral("the refusal changed the dataset");
        }
        return QString();
    }
};

// Helper mode: holds an exclusive lock on a catalogue until told to stop, for the test above.
static int holdLock(const QString& path)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &raw) != SQLITE_OK)
        return 1;
    if (sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 1;
    std::cout << "locked" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    return 0;
}

// Helper mode: runs the read-only check as the user "nobody".
static int readOnlyCheckAsNobody(const QString& path)
{
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        std::cout << "cannot become nobody" << std::endl;
        return 2;
    }
    try {
        const QString failure = TestDatabase::readOnlyCheck(path);
        std::cout << failure.toStdString() << std::endl;
        return failure.isEmpty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::cout << e.what() << std::endl;
        return 1;
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--hold-lock")
        return holdLock(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "--read-only-check")
        return readOnlyCheckAsNobody(QString::fromLocal8Bit(argv[2]));
    TestDatabase test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
