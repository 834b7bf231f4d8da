// libFuzzer entry for the reading of Tellico collection files: any bytes, read as the XML and
// as a zipped collection file, must end in CSV text or in a message, without crashing, hanging
// or growing without bound; the CSV written must read back whole, and every picture it names
// must be found or refused with a reason.
#include "CsvReader.h"
#include "ExchangeError.h"
#include "TellicoFile.h"
#include "TellicoPictures.h"

#include <QBuffer>
#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>

namespace {

// The CSV the reading wrote: it must read back, and its "Picture" column names pictures the
// file holds or reports as missing.
void checkCsv(QByteArray csv, const TellicoPictures& pictures)
{
    QBuffer buffer(&csv);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer, TextEncoding::Utf8, u',');
    CsvRecord record;
    qsizetype pictureColumn = -1;
    bool header = true;
    while (reader.next(record)) { // our own writer's text: a failure here is a fault
        if (header) {
            pictureColumn = record.fields.indexOf(QStringLiteral("Picture"));
            header = false;
            continue;
        }
        if (pictureColumn < 0 || pictureColumn >= record.fields.size())
            continue;
        const QString id = record.fields.at(pictureColumn);
        if (id.isEmpty())
            continue;
        const TellicoPictures::Picture picture = pictures.read(id);
        if (picture.bytes.isEmpty() && picture.problem.isEmpty())
            std::abort(); // neither a picture nor a reason
    }
}

void readXml(const QByteArray& bytes)
{
    QByteArray xml = bytes;
    QBuffer in(&xml);
    in.open(QIODevice::ReadOnly);
    QByteArray csv;
    QBuffer out(&csv);
    out.open(QIODevice::WriteOnly);
    TellicoPictures pictures;
    try {
        TellicoFile::xmlToCsv(in, out, &pictures);
    } catch (const ExchangeError&) {
        return; // refused with a message: what a hostile or broken file must get
    }
    out.close();
    checkCsv(csv, pictures);
}

void readZip(const QByteArray& bytes)
{
    QTemporaryFile file;
    if (!file.open())
        return;
    file.write(bytes);
    file.flush();
    QByteArray csv;
    QBuffer out(&csv);
    out.open(QIODevice::WriteOnly);
    TellicoPictures pictures;
    try {
        TellicoFile::toCsv(file.fileName(), out, &pictures);
    } catch (const ExchangeError&) {
        return;
    }
    out.close();
    checkCsv(csv, pictures);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readXml(bytes);
    // Only what could be a zip is written out: the zip reader is slow to start on other bytes
    // and refuses them at once anyway.
    if (bytes.startsWith("PK"))
        readZip(bytes);
    return 0;
}
