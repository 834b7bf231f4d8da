#include "ColumnText.h"
#include "EPictureError.h"
#include "PictureEncoder.h"
#include "PictureReader.h"
#include "PictureRules.h"
#include "PictureStore.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"
#include "TestPictures.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace TestPictures;

namespace {

// The message a refusal gives; empty when nothing was refused.
QString refusal(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return QString();
}

// Left half red, right half blue.
QImage halves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

bool reddish(QRgb p)
{
    return qRed(p) > 180 && qBlue(p) < 80;
}

bool bluish(QRgb p)
{
    return qBlue(p) > 180 && qRed(p) < 80;
}

int longSide(const QByteArray& encodedPicture)
{
    const QImage image = QImage::fromData(encodedPicture);
    return std::max(image.width(), image.height());
}

QByteArray formatOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer);
}

// A catalogue with two books, open in a data module.
struct Catalogue
{
    Catalogue()
    {
        dm.DataModuleCreate();
        exec(QStringLiteral("insert into Books (Category, Title) values ('Novel', 'Emma');"
                            "insert into Books (Category, Title) values ('Novel', 'Persuasion')"));
    }
    void exec(const QString& sql) { SqliteStatement::exec(dm.dbKOLT.handle(), sql); }
    QStringList column(const QString& sql) { return columnText(dm.dbKOLT.handle(), sql); }
    QStringList pictured()
    {
        return column(QStringLiteral("select folder || ':' || item from kolt_pictures order by 1"));
    }

    TempCatalogue cat;
    TDM dm{cat.folder()};
};

PreparedPicture somePicture()
{
    return PictureEncoder::prepare(photo(64, 48));
}

} // namespace

class TestPictureStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takenKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        const QImage image = halves(40, 20);
        QTest::newRow("JPEG") << encoded(image, "jpeg", 95) << QSize(40, 20);
        QTest::newRow("JPEG with bytes after its end")
            << encoded(image, "jpeg", 95) + QByteArray(300, 'x') << QSize(40, 20);
        QTest::newRow("PNG") << encoded(image, "png") << QSize(40, 20);
        QTest::newRow("BMP") << encoded(image, "bmp") << QSize(40, 20);
        QTest::newRow("WebP") << encoded(image, "webp", 95) << QSize(40, 20);
        QTest::newRow("GIF, its first frame") << animatedGif() << QSize(6, 4);
    }

    // Each kind is read whatever the file is called, and shows what it holds (the left of each
    // test picture, and the first frame of the GIF, are red).
    void takenKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        const QImage image = PictureReader::readData(bytes, 1600);
        QCOMPARE(image.size(), size);
        QVERIFY(reddish(image.pixel(1, 1)));
    }

    // A camera's orientation note is followed: the left of the stored picture becomes its top.
    void orientationIsApplied()
    {
        const QByteArray turned = withOrientation(encoded(halves(40, 20), "jpeg", 95), 6);
        const QImage image = PictureReader::readData(turned, 1600);
        QCOMPARE(image.size(), QSize(20, 40));
        QVERIFY(reddish(image.pixel(10, 5)));
        QVERIFY(bluish(image.pixel(10, 35)));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparseSize"); // instead of bytes: a file this large, of zeros
        QTest::addColumn<QString>("said");
        const QImage image = photo(200, 150);
        const QString damaged = QStringLiteral("the file is damaged or incomplete");
        const QString notTaken = QStringLiteral("This is not a picture Tarvena can take");
        for (const char* format : {"jpeg", "png", "bmp", "webp"}) {
            const QByteArray whole = encoded(image, format);
            QTest::addRow("%s cut in half", format) << whole.left(whole.size() / 2) << qint64(0) << damaged;
        }
        const QByteArray jpeg = encoded(image, "jpeg");
        QTest::newRow("JPEG without its end marker") << jpeg.left(jpeg.size() - 2) << qint64(0) << damaged;
        const QByteArray inner = encoded(photo(16, 12), "jpeg");
        QTest::newRow("JPEG cut short, its whole thumbnail inside")
            << withEmbedded(jpeg, inner).left(inner.size() + jpeg.size() / 2) << qint64(0) << damaged;
        QTest::newRow("GIF cut inside its first frame") << animatedGif().left(60) << qint64(0) << damaged;
        QTest::newRow("PNG header of 50,000 x 50,000")
            << pngClaiming(50000, 50000) << qint64(0) << QStringLiteral("too large: 50000 × 50000 pixels");
        QTest::newRow("200 MB file") << QByteArray() << qint64(200) * 1024 * 1024
                                     << QStringLiteral("too large: 200 MB");
        QTest::newRow("text") << QByteArray("Not a picture at all\n") << qint64(0) << notTaken;
        QTest::newRow("empty file") << QByteArray() << qint64(0) << notTaken;
        QTest::newRow("SVG, a kind not taken")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>") << qint64(0) << notTaken;
    }

    // Refused with a message that says why, before anything big is decoded.
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparseSize);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picture.jpg"));
        QVERIFY(sparseSize > 0 ? sparseFile(path, sparseSize) : writeFile(path, bytes));
        const QString message = refusal([&] { PictureReader::readFile(path, 1600); });
        QVERIFY2(message.contains(said), qPrintable(message));
    }

    void largeJpegIsReadScaled_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("orientation"); // 0: none noted
        QTest::addColumn<QSize>("read");
        // Straight to the largest half, quarter or eighth within 1600 pixels that keeps 1000;
        // else to the largest eighth within 1600.
        QTest::newRow("4000 x 3000, at 1/4") << QSize(4000, 3000) << 0 << QSize(1000, 750);
        QTest::newRow("3000 x 4000, at 1/4") << QSize(3000, 4000) << 0 << QSize(750, 1000);
        QTest::newRow("6000 x 4000, at 1/4") << QSize(6000, 4000) << 0 << QSize(1500, 1000);
        QTest::newRow("2400 x 1800, at 1/2") << QSize(2400, 1800) << 0 << QSize(1200, 900);
        QTest::newRow("1700 x 1000, at 7/8, rounded up") << QSize(1700, 1000) << 0 << QSize(1488, 875);
        QTest::newRow("16000 x 120, at 1/8, then scaled") << QSize(16000, 120) << 0 << QSize(1600, 12);
        QTest::newRow("1600 x 1200, as it is") << QSize(1600, 1200) << 0 << QSize(1600, 1200);
        QTest::newRow("4000 x 3000 turned by the camera") << QSize(4000, 3000) << 6 << QSize(750, 1000);
    }

    // A large JPEG is decoded at the size needed, not in full, and within the longest side.
    void largeJpegIsReadScaled()
    {
        QFETCH(QSize, size);
        QFETCH(int, orientation);
        QFETCH(QSize, read);
        QImage big(size, QImage::Format_RGB32);
        QPainter painter(&big);
        painter.fillRect(big.rect(), QLinearGradient(0, 0, size.width(), size.height()));
        painter.end();
        QByteArray jpeg = encoded(big, "jpeg");
        if (orientation)
            jpeg = withOrientation(jpeg, quint16(orientation));
        const QImage image = PictureReader::readData(jpeg, 1600);
        QCOMPARE(image.size(), read);
    }

    void encoderLimits_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("pictureSide"); // 0: whatever fits the byte limit
        QImage smooth(3000, 2000, QImage::Format_RGB32);
        QPainter painter(&smooth);
        painter.fillRect(smooth.rect(), QLinearGradient(0, 0, 3000, 2000));
        painter.end();
        QImage logo(800, 400, QImage::Format_ARGB32);
        logo.fill(Qt::transparent);
        painter.begin(&logo);
        painter.setBrush(Qt::darkGreen);
        painter.drawEllipse(logo.rect().adjusted(20, 20, -20, -20));
        painter.end();
        QTest::newRow("photograph") << photo(2400, 1800) << QByteArray("jpeg") << 0;
        QTest::newRow("smooth picture, kept at the largest size") << smooth << QByteArray("jpeg") << 1600;
        QTest::newRow("drawing with transparent parts") << logo << QByteArray("png") << 800;
        QTest::newRow("small picture, not enlarged") << photo(120, 80) << QByteArray("jpeg") << 120;
    }

    // Both encodings stay within their sizes in pixels and in bytes.
    void encoderLimits()
    {
        QFETCH(QImage, image);
        QFETCH(QByteArray, format);
        QFETCH(int, pictureSide);
        const PreparedPicture prepared = PictureEncoder::prepare(image);
        for (const QByteArray& bytes : {prepared.thumbnail, prepared.picture})
            QCOMPARE(formatOf(bytes), format);
        QVERIFY(prepared.thumbnail.size() <= PictureEncoder::kThumbnailBytes);
        QVERIFY(prepared.picture.size() <= PictureEncoder::kPictureBytes);
        QVERIFY(longSide(prepared.thumbnail) <= PictureEncoder::kThumbnailSide);
        QVERIFY(longSide(prepared.picture) <= PictureEncoder::kPictureSide);
        if (pictureSide > 0)
            QCOMPARE(longSide(prepared.picture), pictureSide);
        QCOMPARE(prepared.shown.size(), QImage::fromData(prepared.thumbnail).size());
        if (format == "png")
            QCOMPARE(qAlpha(prepared.shown.pixel(0, 0)), 0);
    }

    // The table is made with the first picture, without touching the described tables (an
    // opening alone writes nothing); pictures whose item another program deleted go at the
    // next opening.
    void firstPictureMakesTheTableOpeningDropsOrphans()
    {
        Catalogue c;
        const QString described
            = QStringLiteral("select sql from sqlite_master where tbl_name not like 'kolt_%' order by name");
        const QStringList before = c.column(described);
        {
            PictureRules rules(c.dm);
            QVERIFY(!PictureStore(c.dm.dbKOLT).hasTable());
            PictureStore(c.dm.dbKOLT).store(2, 1, somePicture());
            PictureStore(c.dm.dbKOLT).store(2, 99, somePicture());
        }
        QCOMPARE(c.pictured(), (QStringList{"2:1", "2:99"}));
        PictureRules again(c.dm);
        QCOMPARE(c.pictured(), QStringList{"2:1"});
        QCOMPARE(c.column(described), before);
    }

    // Deleting an item deletes its picture in the same transaction: a refused delete keeps both.
    void deletingAnItemDeletesItsPicture()
    {
        Catalogue c;
        PictureRules rules(c.dm);
        PictureStore store(c.dm.dbKOLT);
        store.store(2, 1, somePicture());
        store.store(2, 2, somePicture());
        store.store(0, 1, somePicture()); // a movie with the same key
        c.dm.qrBooks.Open();
        QVERIFY(c.dm.qrBooks.Locate(QStringLiteral("Id"), {1}, 0));
        c.dm.qrBooks.Delete();
        QCOMPARE(c.pictured(), (QStringList{"0:1", "2:2"}));

        c.exec(QStringLiteral("create trigger refuse before delete on Books begin select raise(abort, 'kept'); end"));
        QVERIFY(c.dm.qrBooks.Locate(QStringLiteral("Id"), {2}, 0));
        QCOMPARE(refusal([&] { c.dm.qrBooks.Delete(); }), QStringLiteral("kept"));
        QCOMPARE(c.pictured(), (QStringList{"0:1", "2:2"}));
        QVERIFY(!store.thumbnail(2, 2).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPictureStore)
#include "tst_picturestore.moc"
