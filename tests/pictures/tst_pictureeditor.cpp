#include "DetailsPicture.h"
#include "EDatabaseError.h"
#include "EventLoop.h"
#include "FolderPanel.h"
#include "ItemEditor.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PictureBox.h"
#include "PictureEncoder.h"
#include "PictureRules.h"
#include "PictureView.h"
#include "TDAODataset.h"
#include "TDM.h"
#include "TestPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

using namespace TestPictures;

namespace {

// One item in every folder, each with the key 1.
const QString kOneOfEach
    = QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'Heat', 'DVD');"
                     "insert into Music (Category, Title, Artist, Media_type) values ('Jazz', 'Blue', 'Miles', 'CD');"
                     "insert into Books (Category, Title) values ('Novel', 'Emma');"
                     "insert into Programs (Category, Name, Media_type) values ('Tools', 'Ed', 'CD');"
                     "insert into AddressBook (Category, L_Name) values ('Work', 'Smith');");
const QString kTwoBooks = QStringLiteral("insert into Books (Category, Title) values ('Novel', 'Emma');"
                                         "insert into Books (Category, Title) values ('Novel', 'Persuasion');");

QString folderCaption(int folder)
{
    static const QStringList captions{"Movies", "Music", "Books", "Programs", "Address Book"};
    return captions.at(folder);
}

void click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// What a drag and drop hands the box: the drag entering, then the drop.
void drop(QWidget* target, const QMimeData& mime)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    settle();
}

void dropFile(PictureBox* box, const QString& path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    drop(box, mime);
}

void pasteInto(PictureBox* box)
{
    box->view()->setFocus();
    QTest::keyClick(box->view(), Qt::Key_V, Qt::ControlModifier);
    settle();
}

// Opens the editor of the current item of a folder and runs `step` in it.
void inEditor(MainWindowFixture& f, int folder, const std::function<void(ItemEditor*)>& step, bool add = false)
{
    f.window->SelectFolder(folder, folderCaption(folder));
    onModal<ItemEditor>([&](ItemEditor* e) {
        QVERIFY(e->pictureBox());
        step(e);
        if (QApplication::activeModalWidget() == e)
            e->close();
    });
    if (add)
        f.window->tbAddClick();
    else
        f.window->tbEditClick();
    QVERIFY(!QApplication::activeModalWidget());
}

// The items with a stored picture, as "folder:key".
QStringList pictured(MainWindowFixture& f)
{
    if (!PictureStore(f.dm().dbKOLT).hasTable())
        return {};
    return f.column(QStringLiteral("select folder || ':' || item from kolt_pictures order by 1"));
}

QByteArray storedThumbnail(MainWindowFixture& f, int folder, int item)
{
    return PictureStore(f.dm().dbKOLT).thumbnail(folder, item);
}

// The Details pane once the window has had its turn.
DetailsPicture* detailsPicture(MainWindowFixture& f, int folder)
{
    settle();
    return f.window->panel(folder)->picture();
}

enum class How { Choose, PasteData, PasteImage, DropFile, DropData };

} // namespace

Q_DECLARE_METATYPE(How)

class TestPictureEditor : public QObject
{
    Q_OBJECT

public:
    // What a catalogue that cannot be changed must do; empty when it does.
    static QString readOnlyCheck(const QString& folder, const QString& picture)
    {
        TDM dm(folder);
        dm.DataModuleCreate();
        if (!dm.dbKOLT.ReadOnly())
            return QStringLiteral("not seen as read-only");
        PictureRules rules(dm);
        if (PictureStore(dm.dbKOLT).hasTable())
            return QStringLiteral("the picture table was made");
        dm.qrBooks.Open();
        DetailsPicture details(&dm.dsBooks, 2, dm.dbKOLT);
        details.refresh();
        if (!details.isHidden())
            return QStringLiteral("the Details pane shows a picture");
        PictureBox box(dm.qrBooks, 2);
        box.load();
        for (const auto& take : std::vector<std::function<void()>>{[&] { box.setFromFile(picture); },
                                                                   [&] {
                                                                       QMimeData mime;
                                                                       mime.setImageData(photo(50, 40));
                                                                       box.setFromMime(mime);
                                                                   }}) {
            QString message;
            try {
                take();
            } catch (const EDatabaseError& e) {
                message = e.message();
            }
            if (!message.contains(QLatin1String("cannot be changed")))
                return QStringLiteral("unclear or no refusal: ") + message;
            if (box.view()->hasImage() || dm.qrBooks.State() != TDataSetState::Browse)
                return QStringLiteral("the refusal changed the editor or the item");
        }
        return QString();
    }

private Q_SLOTS:
    void init()
    {
        m_dir.emplace();
        m_picture = m_dir->filePath(QStringLiteral("cover.jpg"));
        QVERIFY(writeFile(m_picture, encoded(photo(640, 480), "jpeg", 90)));
    }
    void cleanup()
    {
        closeModals();
        QApplication::clipboard()->clear();
    }

    void setAndOkStores_data()
    {
        QTest::addColumn<int>("folder");
        QTest::addColumn<How>("how");
        QTest::newRow("movie, file chosen") << 0 << How::Choose;
        QTest::newRow("album, picture data pasted") << 1 << How::PasteData;
        QTest::newRow("book, file dropped") << 2 << How::DropFile;
        QTest::newRow("program, picture data dropped") << 3 << How::DropData;
        QTest::newRow("person, picture pasted") << 4 << How::PasteImage;
    }

    // However it came, the picture is shown at once, stored with OK and shown in the Details
    // pane.
    void setAndOkStores()
    {
        QFETCH(int, folder);
        QFETCH(How, how);
        MainWindowFixture f(kOneOfEach);
        QVERIFY(detailsPicture(f, folder)->isHidden());
        QSize shown;
        inEditor(f, folder, [&](ItemEditor* e) {
            PictureBox* box = e->pictureBox();
            QVERIFY(!box->view()->hasImage());
            QMimeData* mime = new QMimeData;
            switch (how) {
            case How::Choose:
                whenModalOpens([&](QWidget* dialog) {
                    auto* files = qobject_cast<QFileDialog*>(dialog);
                    QVERIFY(files);
                    QCOMPARE(files->nameFilters().value(0).section(QLatin1Char('('), 0, 0).trimmed(),
                             QStringLiteral("Pictures"));
                    // Typed into the file name box, then Enter, as a user may.
                    auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    QVERIFY(name);
                    name->setText(m_picture);
                    QTest::keyClick(name, Qt::Key_Return);
                });
                click(box->chooseButton());
                break;
            case How::PasteData:
                mime->setData(QStringLiteral("image/png"), encoded(photo(640, 480), "png"));
                QApplication::clipboard()->setMimeData(mime);
                mime = nullptr; // the clipboard's now
                pasteInto(box);
                break;
            case How::PasteImage:
                QApplication::clipboard()->setImage(photo(640, 480));
                pasteInto(box);
                break;
            case How::DropFile:
                dropFile(box, m_picture);
                break;
            case How::DropData:
                mime->setData(QStringLiteral("image/jpeg"), encoded(photo(640, 480), "jpeg"));
                drop(box, *mime);
                break;
            }
            delete mime;
            // Prepared off the window's thread: shown once it is ready.
            QTRY_VERIFY_WITH_TIMEOUT(!box->isPreparing(), 20000);
            QVERIFY2(f.messages.errors().isEmpty(), qPrintable(f.messages.errors().join('|')));
            shown = box->view()->image().size();
            QVERIFY(box->view()->hasImage());
            QVERIFY(box->removeButton()->isEnabled());
            QVERIFY(pictured(f).isEmpty()); // not before OK
            click(e->btOK);
        });
        QCOMPARE(pictured(f), QStringList{QStringLiteral("%1:1").arg(folder)});
        QCOMPARE(QImage::fromData(storedThumbnail(f, folder, 1)).size(), shown);
        DetailsPicture* details = detailsPicture(f, folder);
        QVERIFY(!details->isHidden());
        QCOMPARE(details->shownItem(), 1);
        QVERIFY(f.messages.errors().isEmpty());
    }

    // A new item's picture is stored under the key the item got.
    void newItemGetsItsPictureUnderItsKey()
    {
        MainWindowFixture f(kTwoBooks);
        inEditor(
            f, 2,
            [&](ItemEditor* e) {
                for (const auto& [field, text] : {std::pair{"Category", "Novel"}, std::pair{"Title", "Sanditon"}}) {
                    auto* box = qobject_cast<QComboBox*>(e->controlWidget(QLatin1String(field)));
                    QWidget* typed
                        = box ? static_cast<QWidget*>(box->lineEdit()) : e->controlWidget(QLatin1String(field));
                    typed->setFocus();
                    QTest::keyClicks(typed, QLatin1String(text));
                }
                dropFile(e->pictureBox(), m_picture);
                click(e->btOK);
            },
            true);
        QCOMPARE(f.scalar(QStringLiteral("select Id from Books where Title = 'Sanditon'")).toInt(), 3);
        QCOMPARE(pictured(f), QStringList{"2:3"});
        QVERIFY(f.messages.errors().isEmpty());
    }

    void keptUntilOk_data()
    {
        QTest::addColumn<bool>("remove");    // else a new picture is set
        QTest::addColumn<QString>("ending"); // "OK", "Cancel" or "close box"
        QTest::addColumn<QString>("stored"); // "old", "new" or "none"
        QTest::newRow("set, OK") << false << "OK"
                                 << "new";
        QTest::newRow("set, Cancel") << false << "Cancel"
                                     << "old";
        QTest::newRow("set, close box") << false << "close box"
                                        << "old";
        QTest::newRow("removed, OK") << true << "OK"
                                     << "none";
        QTest::newRow("removed, Cancel") << true << "Cancel"
                                         << "old";
    }

    // What the box shows is stored only by OK; an editor closed any other way keeps what was.
    void keptUntilOk()
    {
        QFETCH(bool, remove);
        QFETCH(QString, ending);
        QFETCH(QString, stored);
        MainWindowFixture f(kTwoBooks);
        PictureStore(f.dm().dbKOLT).store(2, 1, PictureEncoder::prepare(photo(200, 100, 5)));
        const QByteArray old = storedThumbnail(f, 2, 1);
        inEditor(f, 2, [&](ItemEditor* e) {
            PictureBox* box = e->pictureBox();
            QCOMPARE(box->view()->image().size(), QSize(200, 100));
            if (remove)
                click(box->removeButton());
            else
                dropFile(box, m_picture);
            QTRY_VERIFY_WITH_TIMEOUT(!box->isPreparing(), 20000);
            QCOMPARE(box->view()->hasImage(), !remove);
            QCOMPARE(box->removeButton()->isEnabled(), !remove);
            if (ending == QLatin1String("OK"))
                click(e->btOK);
            else if (ending == QLatin1String("Cancel"))
                click(e->btCancel);
            else
                e->close();
        });
        const QByteArray now = storedThumbnail(f, 2, 1);
        if (stored == QLatin1String("old"))
            QCOMPARE(now, old);
        else if (stored == QLatin1String("none"))
            QVERIFY(now.isEmpty());
        else
            QVERIFY(!now.isEmpty() && now != old);
        QCOMPARE(pictured(f).size(), stored == QLatin1String("none") ? 0 : 1);
        QCOMPARE(f.dm().qrBooks.State(), TDataSetState::Browse);
        QVERIFY(f.messages.errors().isEmpty());
    }

    void hostileFilesRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparseSize");
        QTest::addColumn<QString>("said");
        const QByteArray jpeg = encoded(photo(400, 300), "jpeg");
        QTest::newRow("truncated JPEG") << jpeg.left(jpeg.size() / 2) << qint64(0)
                                        << QStringLiteral("damaged or incomplete");
        QTest::newRow("PNG header of 50,000 x 50,000")
            << pngClaiming(50000, 50000) << qint64(0) << QStringLiteral("50000 × 50000 pixels");
        QTest::newRow("not a picture") << QByteArray("%PDF-1.4\n") << qint64(0)
                                       << QStringLiteral("not a picture Tarvena can take");
        QTest::newRow("200 MB file") << QByteArray() << qint64(200) * 1024 * 1024 << QStringLiteral("200 MB");
    }

    // Refused with one error box that says why; the editor, the item and the catalogue stay as
    // they were, and OK afterwards stores no picture.
    void hostileFilesRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparseSize);
        QFETCH(QString, said);
        const QString path = m_dir->filePath(QStringLiteral("hostile.jpg"));
        QVERIFY(sparseSize > 0 ? sparseFile(path, sparseSize) : writeFile(path, bytes));
        MainWindowFixture f(kTwoBooks);
        inEditor(f, 2, [&](ItemEditor* e) {
            dropFile(e->pictureBox(), path);
            QCOMPARE(f.messages.errors().size(), 1);
            QVERIFY2(f.messages.errors().first().contains(said), qPrintable(f.messages.errors().first()));
            QVERIFY(!e->pictureBox()->view()->hasImage());
            QCOMPARE(f.dm().qrBooks.State(), TDataSetState::Browse);
            click(e->btOK);
        });
        QVERIFY(pictured(f).isEmpty());
        QCOMPARE(f.messages.errors().size(), 1);
    }

    void lateRefusalKeepsWhatWasThere_data()
    {
        QTest::addColumn<bool>("okAtOnce");
        QTest::newRow("said once prepared") << false;
        QTest::newRow("said by OK, which waits for it") << true;
    }

    // A picture only the decoder refuses (it passes the quick checks) is said when it is known,
    // or by OK, which then saves nothing and leaves the editor open; the box shows the picture
    // it showed before, and the next OK keeps it.
    void lateRefusalKeepsWhatWasThere()
    {
        QFETCH(bool, okAtOnce);
        const QString bogus = m_dir->filePath(QStringLiteral("bogus.jpg"));
        const QByteArray bytes = withBogusHuffmanTable(encoded(photo(640, 480), "jpeg", 90));
        QVERIFY(!bytes.isEmpty());
        QVERIFY(writeFile(bogus, bytes));
        MainWindowFixture f(kTwoBooks);
        PictureStore(f.dm().dbKOLT).store(2, 1, PictureEncoder::prepare(photo(200, 100, 5)));
        const QByteArray old = storedThumbnail(f, 2, 1);
        inEditor(f, 2, [&](ItemEditor* e) {
            PictureBox* box = e->pictureBox();
            box->setFromFile(bogus);
            QVERIFY(f.messages.errors().isEmpty());
            QCOMPARE(box->change(), PictureBox::Change::Set);
            if (okAtOnce) {
                e->btOK->click(); // before the event loop could say it
                QVERIFY(e->isVisible());
            }
            QTRY_COMPARE_WITH_TIMEOUT(f.messages.errors().size(), 1, 20000);
            QVERIFY2(f.messages.errors().first().contains(QStringLiteral("damaged")),
                     qPrintable(f.messages.errors().first()));
            QVERIFY(!box->isPreparing());
            QCOMPARE(box->change(), PictureBox::Change::None);
            QCOMPARE(box->view()->image().size(), QSize(200, 100));
            click(e->btOK);
        });
        QCOMPARE(storedThumbnail(f, 2, 1), old);
        QCOMPARE(f.messages.errors().size(), 1);
    }

    // The Details pane shows the current item's picture and hides when it has none; deleting
    // an item from the window deletes its picture.
    void detailsFollowTheCurrentItem()
    {
        MainWindowFixture f(kTwoBooks);
        PictureStore(f.dm().dbKOLT).store(2, 2, PictureEncoder::prepare(photo(120, 160)));
        f.window->SelectFolder(2, folderCaption(2));
        TDAODataset& books = f.dm().qrBooks;
        books.First();
        QVERIFY(detailsPicture(f, 2)->isHidden());
        books.Next();
        DetailsPicture* details = detailsPicture(f, 2);
        QVERIFY(!details->isHidden());
        QCOMPARE(details->shownItem(), 2);
        QCOMPARE(details->image().size(), QSize(120, 160));
        f.messages.answers.push_back(MessageService::Answer::Yes);
        f.window->tbDeleteClick();
        QCOMPARE(f.column(QStringLiteral("select Title from Books")), QStringList{"Emma"});
        QVERIFY(pictured(f).isEmpty());
        QVERIFY(detailsPicture(f, 2)->isHidden());
        QVERIFY(f.messages.errors().isEmpty());
    }

    // A catalogue that cannot be changed gets no picture table and refuses a picture at once.
    // Run as an ordinary user: the superuser could write the file anyway.
    void readOnlyCatalogueRefuses()
    {
        TempCatalogue cat;
        {
            TDM prepare(cat.folder());
            prepare.DataModuleCreate();
            SqliteStatement::exec(prepare.dbKOLT.handle(), kTwoBooks);
        }
        const QString picture = cat.filePath(QStringLiteral("cover.jpg"));
        QVERIFY(writeFile(picture, encoded(photo(64, 48), "jpeg")));
        const QByteArray before = cat.bytes();
        const bool root = geteuid() == 0;
        if (root) {
            const passwd* nobody = getpwnam("nobody");
            QVERIFY(nobody);
            for (const QString& path : {cat.path(), cat.folder()})
                QVERIFY(chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        }
        using P = QFileDevice;
        QFile::setPermissions(cat.path(), P::ReadOwner | P::ReadGroup | P::ReadOther);
        QFile::setPermissions(cat.folder(), P::ReadOwner | P::ExeOwner | P::WriteOwner | P::ReadGroup | P::ExeGroup
                                                | P::ReadOther | P::ExeOther);
        if (root) {
            QProcess check;
            check.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--read-only-check"), cat.folder(), picture});
            QVERIFY(check.waitForFinished(60000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        } else {
            const QString failure = readOnlyCheck(cat.folder(), picture);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
        QFile::setPermissions(cat.path(), P::ReadOwner | P::WriteOwner);
        QCOMPARE(cat.bytes(), before);
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_picture;
};

// Helper mode: runs the read-only check as the user "nobody".
static int readOnlyCheckAsNobody(const QString& folder, const QString& picture)
{
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        std::printf("cannot become nobody\n");
        return 2;
    }
    try {
        const QString failure = TestPictureEditor::readOnlyCheck(folder, picture);
        std::printf("%s\n", qPrintable(failure));
        return failure.isEmpty() ? 0 : 1;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--read-only-check")
        return readOnlyCheckAsNobody(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestPictureEditor test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pictureeditor.moc"
