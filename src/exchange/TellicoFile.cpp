#include "TellicoFile.h"

#include "CatalogueExporter.h"
#include "CsvWriter.h"
#include "DetailText.h"
#include "ExchangeError.h"
#include "TDAODataset.h"
#include "TellicoPictures.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

// Tellico's collection types.
constexpr int kBooks = 2;
constexpr int kVideos = 3;
constexpr int kAlbums = 4;

// Tellico's type of a field that holds a picture's id.
const QString kImageFieldType = QStringLiteral("10");

// The columns written for each kind of collection; the last ones have no place in the folder
// but "Picture", the id of the entry's picture.
QStringList header(int folder)
{
    switch (folder) {
    case 0:
        return {"Title", "Year", "Category", "Media", "Time", "Director", "Cast", "Description", "Picture"};
    case 1:
        return {"Title", "Artist", "Year", "Category", "Media", "Songs", "Description", "Label", "Picture"};
    default:
        return {"Title", "Author", "Year", "Category", "Publisher", "Description", "ISBN", "Picture"};
    }
}

QString typeName(int type)
{
    static const QHash<int, QString> names{{1, "custom"}, {5, "bibliography"}, {6, "comic books"}, {7, "wines"},
                                           {8, "coins"},  {9, "stamps"},       {10, "cards"},      {11, "video games"},
                                           {12, "files"}, {13, "board games"}};
    return names.value(type, QStringLiteral("type %1").arg(type));
}

// One entry's values by field name; a table field (cast, tracks) gives one list per row.
struct Entry
{
    QHash<QString, QStringList> values;
    QHash<QString, QList<QStringList>> tables;
    QString first(const QString& name) const { return values.value(name).value(0); }
};

void readField(QXmlStreamReader& xml, Entry& entry)
{
    const QString name = xml.name().toString();
    QString text;
    QStringList columns;
    bool hasChildren = false;
    while (xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isEndElement())
            break;
        if (xml.isCharacters())
            text += xml.text();
        if (!xml.isStartElement())
            continue;
        hasChildren = true;
        if (xml.name() == QLatin1String("column"))
            columns << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        else
            readField(xml, entry); // the plural wrapper of a field: <genres><genre>
    }
    if (!columns.isEmpty())
        entry.tables[name] << columns;
    else if (!hasChildren && !text.trimmed().isEmpty())
        entry.values[name] << text.trimmed();
}

// The catalogue's short names for the media Tellico spells out (an album's medium holds five
// characters).
QString shortMedium(const QString& medium)
{
    static const QHash<QString, QString> names{
        {"compact disc", "CD"}, {"vinyl", "LP"}, {"cassette", "MC"}, {"digital", "File"}};
    return names.value(medium.toLower(), medium);
}

// The id of the entry's picture: the first image field that names one.
QString pictureOf(const Entry& e, const QStringList& imageFields)
{
    for (const QString& field : imageFields) {
        const QString id = e.first(field);
        if (!id.isEmpty())
            return id;
    }
    return {};
}

QStringList csvRow(const Entry& e, const QStringList& columns, const QStringList& imageFields)
{
    QStringList cast;
    for (const QStringList& row : e.tables.value(QStringLiteral("cast")))
        cast << row.value(0);
    cast << e.values.value(QStringLiteral("cast"));
    std::vector<SongEntry> songs;
    for (const QStringList& row : e.tables.value(QStringLiteral("track")))
        songs.push_back({int(songs.size()) + 1, row.value(0), row.value(2)});
    for (const QString& t : e.values.value(QStringLiteral("track")))
        songs.push_back({int(songs.size()) + 1, t, QString()});
    QString time = e.first(QStringLiteral("running-time"));
    if (!time.isEmpty() && time.toInt() > 0)
        time += QStringLiteral(" min");
    QString year = e.first(QStringLiteral("year"));
    if (year.isEmpty())
        year = e.first(QStringLiteral("pub_year"));
    QStringList description;
    for (const char* name : {"plot", "comments"}) {
        const QString text = e.first(QLatin1String(name));
        if (!text.isEmpty())
            description << text;
    }
    const auto joined
        = [&](const char* name) { return e.values.value(QLatin1String(name)).join(QStringLiteral("; ")); };
    const QHash<QString, QString> values{{"Title", e.first(QStringLiteral("title"))},
                                         {"Year", year},
                                         {"Category", e.first(QStringLiteral("genre"))},
                                         {"Media", shortMedium(e.first(QStringLiteral("medium")))},
                                         {"Time", time},
                                         {"Director", joined("director")},
                                         {"Cast", DetailText::castText(cast)},
                                         {"Artist", joined("artist")},
                                         {"Songs", DetailText::songsText(songs)},
                                         {"Author", joined("author")},
                                         {"Publisher", joined("publisher")},
                                         {"Description", description.join(QStringLiteral("\n\n"))},
                                         {"Label", joined("label")},
                                         {"ISBN", e.first(QStringLiteral("isbn"))},
                                         {"Picture", pictureOf(e, imageFields)}};
    QStringList row;
    for (const QString& column : columns)
        row << values.value(column);
    return row;
}

int folderOf(int type)
{
    switch (type) {
    case kVideos:
        return 0;
    case kAlbums:
        return 1;
    case kBooks:
        return 2;
    default:
        throw ExchangeError(QStringLiteral("The collection holds %1; only videos, music albums and books can be "
                                           "imported")
                                .arg(typeName(type)));
    }
}

// A device that reads another one up to a number of bytes, and then no further.
class BoundedDevice : public QIODevice
{
public:
    BoundedDevice(QIODevice& inner, qint64 limit)
        : m_inner(inner)
        , m_limit(limit)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool exceeded() const { return m_exceeded; }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        if (m_read >= m_limit) {
            m_exceeded = m_inner.bytesAvailable() > 0 || !m_inner.atEnd();
            return m_exceeded ? -1 : 0;
        }
        const qint64 n = m_inner.read(data, std::min(size, m_limit - m_read));
        if (n > 0)
            m_read += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_inner;
    qint64 m_limit;
    qint64 m_read = 0;
    bool m_exceeded = false;
};

// The zip's tellico.xml, read as it is unpacked, within the limits.
int unzipToCsv(const QString& path, QIODevice& csv, TellicoPictures* pictures)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        throw ExchangeError(QStringLiteral("The file is not a zip archive that can be read"));
    for (const QString& name : zip.getFileNameList()) {
        if (name.startsWith(u'/') || name.contains(u'\\') || name.split(u'/').contains(QStringLiteral("..")))
            throw ExchangeError(
                QStringLiteral("The archive names a file outside itself (%1); it is not imported").arg(name));
    }
    if (!zip.setCurrentFile(QStringLiteral("tellico.xml")))
        throw ExchangeError(QStringLiteral("The archive holds no tellico.xml"));
    QuaZipFileInfo64 info;
    zip.getCurrentFileInfo(&info);
    const qint64 limit = std::min<qint64>(
        TellicoFile::kMaxXmlBytes, std::max<qint64>(qint64(info.compressedSize) * TellicoFile::kMaxRatio, 1 << 20));
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        throw ExchangeError(QStringLiteral("The archive's tellico.xml cannot be unpacked"));
    BoundedDevice bounded(file, limit);
    try {
        return TellicoFile::xmlToCsv(bounded, csv, pictures);
    } catch (const ExchangeError&) {
        if (bounded.exceeded())
            throw ExchangeError(QStringLiteral("The archive's tellico.xml unpacks to more than %1 MB; it is not "
                                               "imported")
                                    .arg(limit >> 20));
        throw;
    }
}

} // namespace

bool TellicoFile::looksLike(const QByteArray& start)
{
    if (start.startsWith("PK\x03\x04"))
        return true;
    const QByteArray head = start.left(1024);
    return head.contains("<tellico") || head.contains("tellico.dtd");
}

int TellicoFile::toCsv(const QString& path, QIODevice& csv, TellicoPictures* pictures)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ExchangeError(QStringLiteral("The file could not be opened: %1").arg(file.errorString()));
    if (file.peek(4) == QByteArray("PK\x03\x04")) {
        file.close();
        const int folder = unzipToCsv(path, csv, pictures);
        if (pictures)
            pictures->openZip(path);
        return folder;
    }
    if (file.size() > kMaxXmlBytes)
        throw ExchangeError(
            QStringLiteral("The file is larger than %1 MB; it is not imported").arg(kMaxXmlBytes >> 20));
    return xmlToCsv(file, csv, pictures);
}

int TellicoFile::xmlToCsv(QIODevice& device, QIODevice& csv, TellicoPictures* pictures)
{
    QXmlStreamReader xml(&device);
    CsvWriter writer(csv);
    int folder = -1;
    QStringList columns;
    // Every collection of books, videos and albums has its cover by default; others are
    // declared with the image type.
    QStringList imageFields{QStringLiteral("cover")};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.tokenType() == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty())
            throw ExchangeError(QStringLiteral("The file declares entities of its own, which are refused"));
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("collection")) {
            if (folder >= 0)
                break; // one collection per file
            folder = folderOf(xml.attributes().value(QLatin1String("type")).toInt());
            columns = header(folder);
            writer.writeRow(columns);
        } else if (xml.name() == QLatin1String("entry") && folder >= 0) {
            Entry entry;
            while (xml.readNext() != QXmlStreamReader::Invalid && !xml.isEndElement()) {
                if (xml.isStartElement())
                    readField(xml, entry);
            }
            writer.writeRow(csvRow(entry, columns, imageFields));
        } else if (xml.name() == QLatin1String("field") && folder >= 0) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString name = attributes.value(QLatin1String("name")).toString();
            if (attributes.value(QLatin1String("type")) == kImageFieldType && !imageFields.contains(name))
                imageFields << name;
        } else if (xml.name() == QLatin1String("image") && pictures) {
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            const QString base64 = xml.readElementText(QXmlStreamReader::SkipChildElements);
            if (!base64.trimmed().isEmpty())
                pictures->addEmbedded(id, base64);
        }
    }
    if (xml.hasError())
        throw ExchangeError(QStringLiteral("The collection file cannot be read (line %1: %2)")
                                .arg(xml.lineNumber())
                                .arg(xml.errorString()));
    if (folder < 0)
        throw ExchangeError(QStringLiteral("The file holds no Tellico collection"));
    return folder;
}

QByteArray TellicoFile::xml(CatalogueExporter& exporter, int folder, TDAODataset& rows, const MemoText& plainText)
{
    static const int kTypes[] = {kVideos, kAlbums, kBooks};
    if (folder < 0 || folder > 2)
        throw ExchangeError(QStringLiteral("Tellico keeps videos, music albums and books; this folder cannot be "
                                           "written for it"));
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDTD(QStringLiteral("<!DOCTYPE tellico PUBLIC \"-//Robby Stephenson/DTD Tellico V11.0//EN\" "
                              "\"http://periapsis.org/tellico/dtd/v11/tellico.dtd\">"));
    w.writeStartElement(QStringLiteral("tellico"));
    w.writeDefaultNamespace(QStringLiteral("http://periapsis.org/tellico/"));
    w.writeAttribute(QStringLiteral("syntaxVersion"), QStringLiteral("11"));
    w.writeStartElement(QStringLiteral("collection"));
    w.writeAttribute(QStringLiteral("title"), ExchangeFolder::at(folder).caption);
    w.writeAttribute(QStringLiteral("type"), QString::number(kTypes[folder]));
    w.writeStartElement(QStringLiteral("fields"));
    w.writeEmptyElement(QStringLiteral("field"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("_default"));
    w.writeEndElement();
    const auto value = [&](int row, const char* field) {
        const TField* f = rows.FindField(QLatin1String(field));
        return f ? CatalogueExporter::valueText(rows.rowValue(row, *f)) : QString();
    };
    const auto text = [&](const QString& name, const QString& v) {
        if (!v.isEmpty())
            w.writeTextElement(name, v);
    };
    const auto list = [&](const QString& plural, const QString& name, const QStringList& values) {
        if (values.isEmpty())
            return;
        w.writeStartElement(plural);
        for (const QString& v : values)
            w.writeTextElement(name, v);
        w.writeEndElement();
    };
    static const QRegularExpression kMinutes(QStringLiteral("^\\s*(\\d+)"));
    for (int row = 0; row < rows.RowCount(); ++row) {
        w.writeStartElement(QStringLiteral("entry"));
        w.writeAttribute(QStringLiteral("id"), QString::number(row + 1));
        text(QStringLiteral("title"), value(row, "Title"));
        text(folder == 2 ? QStringLiteral("pub_year") : QStringLiteral("year"), value(row, "Year"));
        list(QStringLiteral("genres"), QStringLiteral("genre"), QStringList{value(row, "Category")});
        if (folder != 2)
            text(QStringLiteral("medium"), value(row, "Media_type"));
        const QString details = exporter.rowDetails(rows, row);
        if (folder == 0) {
            const QRegularExpressionMatch minutes = kMinutes.match(value(row, "Tot_time"));
            if (minutes.hasMatch())
                text(QStringLiteral("running-time"), minutes.captured(1));
            const QString director = value(row, "Director");
            list(QStringLiteral("directors"), QStringLiteral("director"),
                 director.isEmpty() ? QStringList() : QStringList{director});
            const QStringList cast = DetailText::readCast(details);
            if (!cast.isEmpty()) {
                w.writeStartElement(QStringLiteral("casts"));
                for (const QString& name : cast) {
                    w.writeStartElement(QStringLiteral("cast"));
                    w.writeTextElement(QStringLiteral("column"), name);
                    w.writeEndElement();
                }
                w.writeEndElement();
            }
        } else if (folder == 1) {
            const QString artist = value(row, "Artist");
            list(QStringLiteral("artists"), QStringLiteral("artist"),
                 artist.isEmpty() ? QStringList() : QStringList{artist});
            const std::vector<SongEntry> songs = DetailText::readSongs(details);
            if (!songs.empty()) {
                w.writeStartElement(QStringLiteral("tracks"));
                for (const SongEntry& s : songs) {
                    w.writeStartElement(QStringLiteral("track"));
                    w.writeTextElement(QStringLiteral("column"), s.title);
                    w.writeTextElement(QStringLiteral("column"), artist);
                    w.writeTextElement(QStringLiteral("column"), s.time);
                    w.writeEndElement();
                }
                w.writeEndElement();
            }
        } else {
            const QString author = value(row, "Author");
            list(QStringLiteral("authors"), QStringLiteral("author"),
                 author.isEmpty() ? QStringList() : QStringList{author});
            text(QStringLiteral("publisher"), value(row, "Publishers"));
        }
        const TField* memo = rows.FindField(QStringLiteral("Description"));
        if (memo)
            text(folder == 0 ? QStringLiteral("plot") : QStringLiteral("comments"),
                 plainText ? plainText(rows.rowValue(row, *memo).toString()) : rows.rowValue(row, *memo).toString());
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

void TellicoFile::write(CatalogueExporter& exporter, int folder, TDAODataset& rows, const QString& path,
                        const MemoText& plainText)
{
    const QByteArray bytes = xml(exporter, folder, rows, plainText);
    // The archive is made in memory (QuaZip closes the device it writes to) and then saved whole.
    QByteArray archive;
    {
        QBuffer buffer(&archive);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            throw ExchangeError(QStringLiteral("The file '%1' could not be written").arg(path));
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("tellico.xml")))
            || entry.write(bytes) != bytes.size())
            throw ExchangeError(QStringLiteral("The file '%1' could not be written").arg(path));
        entry.close();
        zip.close();
        if (zip.getZipError() != 0)
            throw ExchangeError(QStringLiteral("The file '%1' could not be written").arg(path));
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(archive) != archive.size() || !out.commit())
        throw ExchangeError(QStringLiteral("The file '%1' could not be written: %2").arg(path, out.errorString()));
}
