#include "SampleCatalogue.h"

#include "CatalogueWriter.h"
#include "EDatabaseError.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"

#include <QDate>
#include <QFile>
#include <QSet>
#include <QStringList>
#include <random>
#include <sqlite3.h>

namespace {

const QStringList kFirstNames{
    QStringLiteral("Anna"),       QStringLiteral("Émile"),    QStringLiteral("Jan"),      QStringLiteral("Zofia"),
    QStringLiteral("Maria"),      QStringLiteral("Piotr"),    QStringLiteral("Ingrid"),   QStringLiteral("Søren"),
    QStringLiteral("Łucja"),      QStringLiteral("Kateřina"), QStringLiteral("José"),     QStringLiteral("François"),
    QStringLiteral("Olga"),       QStringLiteral("Иван"),     QStringLiteral("Наталья"),  QStringLiteral("John"),
    QStringLiteral("Peter"),      QStringLiteral("Grace"),    QStringLiteral("Akira"),    QStringLiteral("Chloé"),
    QStringLiteral("Małgorzata"), QStringLiteral("Björn"),    QStringLiteral("Zoë"),      QStringLiteral("Nuño"),
    QStringLiteral("Ørjan"),      QStringLiteral("Hélène"),   QStringLiteral("Wojciech"), QStringLiteral("Ágnes"),
};
const QStringList kLastNames{
    QStringLiteral("Kowalski"),   QStringLiteral("Nowak"),      QStringLiteral("Zola"),
    QStringLiteral("Dvořák"),     QStringLiteral("Smith"),      QStringLiteral("Müller"),
    QStringLiteral("Larsson"),    QStringLiteral("García"),     QStringLiteral("Lefèvre"),
    QStringLiteral("Wiśniewski"), QStringLiteral("O'Brien"),    QStringLiteral("Ødegaard"),
    QStringLiteral("Petrov"),     QStringLiteral("Иванов"),     QStringLiteral("Brown"),
    QStringLiteral("Kurosawa"),   QStringLiteral("Bergman"),    QStringLiteral("Łukasiewicz"),
    QStringLiteral("Fellini"),    QStringLiteral("Hitchcock"),  QStringLiteral("Truffaut"),
    QStringLiteral("Wajda"),      QStringLiteral("Kieślowski"), QStringLiteral("Ozu"),
    QStringLiteral("Żuławski"),   QStringLiteral("Szabó"),      QStringLiteral("Nørgaard"),
    QStringLiteral("Çelik"),
};
const QStringList kWords{
    QStringLiteral("Night"),   QStringLiteral("River"),   QStringLiteral("Silent"),  QStringLiteral("Journey"),
    QStringLiteral("Garden"),  QStringLiteral("Winter"),  QStringLiteral("Café"),    QStringLiteral("Shadow"),
    QStringLiteral("Dream"),   QStringLiteral("Łąka"),    QStringLiteral("Żółw"),    QStringLiteral("Ночь"),
    QStringLiteral("Город"),   QStringLiteral("Été"),     QStringLiteral("Storm"),   QStringLiteral("Mirror"),
    QStringLiteral("Blue"),    QStringLiteral("Golden"),  QStringLiteral("Last"),    QStringLiteral("Lost"),
    QStringLiteral("Ocean"),   QStringLiteral("Stone"),   QStringLiteral("Paper"),   QStringLiteral("Dance"),
    QStringLiteral("Morning"), QStringLiteral("Échos"),   QStringLiteral("Harbour"), QStringLiteral("Fire"),
    QStringLiteral("Glass"),   QStringLiteral("Kraków"),  QStringLiteral("Orchard"), QStringLiteral("Rain"),
    QStringLiteral("Secret"),  QStringLiteral("Summer"),  QStringLiteral("Train"),   QStringLiteral("Wolf"),
    QStringLiteral("Zima"),    QStringLiteral("Światło"), QStringLiteral("Letter"),  QStringLiteral("Island"),
};
const QStringList kMovieCategories{
    QStringLiteral("Drama"),       QStringLiteral("Comedy"),          QStringLiteral("Thriller"),
    QStringLiteral("Documentary"), QStringLiteral("Science fiction"), QStringLiteral("Western"),
    QStringLiteral("Animation"),   QStringLiteral("Horror"),          QStringLiteral("Film noir"),
    QStringLiteral("Children's"),  QStringLiteral("Musical"),         QStringLiteral("Romance"),
};
const QStringList kMusicCategories{
    QStringLiteral("Rock"),          QStringLiteral("Jazz"),    QStringLiteral("Classical"),
    QStringLiteral("Rock 'n' Roll"), QStringLiteral("Blues"),   QStringLiteral("Folk"),
    QStringLiteral("Electronic"),    QStringLiteral("Opera"),   QStringLiteral("Soundtrack"),
    QStringLiteral("Chanson"),       QStringLiteral("Hip-hop"), QStringLiteral("Country"),
};
const QStringList kBookCategories{
    QStringLiteral("Novel"),      QStringLiteral("Poetry"), QStringLiteral("History"),    QStringLiteral("Biography"),
    QStringLiteral("Cookery"),    QStringLiteral("Travel"), QStringLiteral("Science"),    QStringLiteral("Crime"),
    QStringLiteral("Philosophy"), QStringLiteral("Art"),    QStringLiteral("Children's"), QStringLiteral("Reference"),
};
const QStringList kProgramCategories{
    QStringLiteral("Office"),    QStringLiteral("Graphics"),    QStringLiteral("Games"),
    QStringLiteral("Utilities"), QStringLiteral("Development"), QStringLiteral("Internet"),
    QStringLiteral("Education"), QStringLiteral("Audio"),       QStringLiteral("Operating system"),
    QStringLiteral("Security"),  QStringLiteral("Database"),    QStringLiteral("Video"),
};
const QStringList kAddressCategories{
    QStringLiteral("Family"),   QStringLiteral("Friends"),    QStringLiteral("Work"),      QStringLiteral("Doctors"),
    QStringLiteral("Shops"),    QStringLiteral("Neighbours"), QStringLiteral("Club"),      QStringLiteral("School"),
    QStringLiteral("Services"), QStringLiteral("Travel"),     QStringLiteral("Suppliers"), QStringLiteral("Other"),
};
const QStringList kCountries{QStringLiteral("Poland"),  QStringLiteral("France"),    QStringLiteral("Norway"),
                             QStringLiteral("Czechia"), QStringLiteral("Россия"),    QStringLiteral("United Kingdom"),
                             QStringLiteral("España"),  QStringLiteral("Österreich")};

class Generator
{
public:
    Generator(sqlite3* db, const SampleCatalogue::Options& o)
        : m_db(db)
        , m_o(o)
        , m_rng(o.seed)
    {
    }

    void run()
    {
        m_directors = names(m_o.names);
        m_actors = names(m_o.names);
        m_artists = names(m_o.names);
        m_authors = names(m_o.names);
        fillLookup(QStringLiteral("Movies_D"), m_directors);
        fillLookup(QStringLiteral("Movies_A"), m_actors);
        fillLookup(QStringLiteral("Music_A"), m_artists);
        fillLookup(QStringLiteral("Books_A"), m_authors);
        movies();
        music();
        books();
        programs();
        addresses();
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    const QString& any(const QStringList& list) { return list[pick(int(list.size()))]; }

    QString personName() { return any(kFirstNames) + QLatin1Char(' ') + any(kLastNames); }

    QStringList names(int count)
    {
        QSet<QString> seen;
        QStringList out;
        for (int i = 0; int(out.size()) < count && i < count * 20; ++i) {
            QString n = personName();
            if (i >= int(kFirstNames.size() * kLastNames.size()))
                n += QStringLiteral(" %1").arg(i);
            if (!seen.contains(n.toCaseFolded())) {
                seen.insert(n.toCaseFolded());
                out << n;
            }
        }
        return out;
    }

    QStringList categories(const QStringList& base)
    {
        QStringList out;
        for (int i = 0; i < m_o.categories; ++i)
            out << (i < base.size() ? base[i]
                                    : QStringLiteral("%1 %2").arg(base[i % base.size()]).arg(i / base.size()));
        return out;
    }

    QString title(int words)
    {
        QStringList parts;
        for (int i = 0; i < words; ++i)
            parts << any(kWords);
        if (pick(3) == 0)
            parts[0] = parts[0].toLower();
        return parts.join(QLatin1Char(' '));
    }

    static QString rtfText(const QString& text)
    {
        QString out;
        for (const QChar c : text) {
            const ushort u = c.unicode();
            if (u == '\\' || u == '{' || u == '}')
                out += QLatin1Char('\\') + QString(c);
            else if (u < 0x80)
                out += c;
            else
                out += QStringLiteral("\\u%1?").arg(qint16(u));
        }
        return out;
    }

    QString description(const QString& subject)
    {
        if (pick(5) == 0)
            return {}; // no description
        const QString sentence
            = QStringLiteral("%1 %2, %3.").arg(any(kWords), title(3).toLower(), any(kWords).toLower());
        if (pick(4) == 0)
            return QStringLiteral("Plain note about %1. %2").arg(subject, sentence); // not RTF
        return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                              "{\\colortbl ;\\red128\\green0\\blue0;}\\f0\\fs20 {\\b %1}\\par "
                              "{\\i %2}\\par\\cf1 %3\\cf0\\par }")
            .arg(rtfText(subject), rtfText(sentence), rtfText(title(6)));
    }

    QString date()
    {
        if (pick(6) == 0)
            return {};
        return QDate(1990, 1, 1).addDays(pick(12000)).toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    }

    void fillLookup(const QString& table, const QStringList& names)
    {
        SqliteStatement stmt(m_db, QStringLiteral("INSERT INTO %1 (Name) VALUES (?1)").arg(table));
        for (const QString& n : names) {
            stmt.bindText(1, n);
            stmt.execute();
            stmt.reset();
        }
    }

    static QVariant orNull(const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); }

    void insert(SqliteStatement& stmt, const QVariantList& values)
    {
        for (int i = 0; i < values.size(); ++i)
            stmt.bind(i + 1, values[i]);
        stmt.execute();
        stmt.reset();
    }

    void movies()
    {
        const QStringList cats = categories(kMovieCategories);
        fillLookup(QStringLiteral("Movies_C"), cats);
        SqliteStatement movie(
            m_db, QStringLiteral("INSERT INTO Movies (M_no, Category, Title, Year, Tot_time, Date_aq, "
                                 "Media_type, Director, Prop, Description) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)"));
        SqliteStatement cast(m_db, QStringLiteral("INSERT INTO Mv_Cast (P_Id, Name) VALUES (?1, ?2)"));
        static const QStringList media{QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("VHS")};
        for (int i = 0; i < m_o.items; ++i) {
            const QString t = title(between(1, 4));
            insert(movie, {QStringLiteral("M%1").arg(i + 1, 5, 10, QLatin1Char('0')), any(cats), t, between(1930, 2024),
                           QStringLiteral("%1 min").arg(between(70, 200)), orNull(date()), any(media), any(m_directors),
                           pick(4) == 0 ? QVariant() : QVariant(pick(32)), orNull(description(t))});
            const qint64 id = sqlite3_last_insert_rowid(m_db);
            const int members = between(0, 6);
            for (int k = 0; k < members; ++k)
                insert(cast, {id, TField30(any(m_actors))});
        }
    }

    static QString TField30(const QString& s) { return s.left(30); }

    void music()
    {
        const QStringList cats = categories(kMusicCategories);
        fillLookup(QStringLiteral("Music_C"), cats);
        SqliteStatement album(m_db,
                              QStringLiteral("INSERT INTO Music (Category, Title, Artist, Year, Tot_time, Date_aq, "
                                             "Media_type, Description) VALUES (?1,?2,?3,?4,?5,?6,?7,?8)"));
        SqliteStatement song(m_db,
                             QStringLiteral("INSERT INTO Mu_Songs (P_Id, Track, Title, Time) VALUES (?1,?2,?3,?4)"));
        static const QStringList media{QStringLiteral("CD"), QStringLiteral("MD"), QStringLiteral("Tape"),
                                       QStringLiteral("DVD")};
        for (int i = 0; i < m_o.items; ++i) {
            const QString t = title(between(1, 3));
            insert(album, {any(cats), t, any(m_artists), between(1950, 2024),
                           QStringLiteral("%1:%2").arg(between(30, 79)).arg(between(0, 59), 2, 10, QLatin1Char('0')),
                           orNull(date()), any(media), orNull(description(t))});
            const qint64 id = sqlite3_last_insert_rowid(m_db);
            const int tracks = between(0, 12);
            for (int k = 1; k <= tracks; ++k)
                insert(song, {id, k, title(between(1, 3)).left(30),
                              QStringLiteral("%1:%2").arg(between(1, 9)).arg(between(0, 59), 2, 10, QLatin1Char('0'))});
        }
    }

    void books()
    {
        const QStringList cats = categories(kBookCategories);
        fillLookup(QStringLiteral("Books_C"), cats);
        SqliteStatement book(m_db, QStringLiteral("INSERT INTO Books (Category, Title, Author, Year, Tot_pg, Date_aq, "
                                                  "Publishers, Description) VALUES (?1,?2,?3,?4,?5,?6,?7,?8)"));
        static const QStringList publishers{QStringLiteral("Znak"), QStringLiteral("Gallimard"),
                                            QStringLiteral("Penguin"), QStringLiteral("Wydawnictwo Literackie"),
                                            QStringLiteral("Albatros")};
        for (int i = 0; i < m_o.items; ++i) {
            const QString t = title(between(1, 5));
            insert(book, {any(cats), t, any(m_authors), between(1800, 2024), between(40, 1200), orNull(date()),
                          any(publishers), orNull(description(t))});
        }
    }

    void programs()
    {
        const QStringList cats = categories(kProgramCategories);
        fillLookup(QStringLiteral("Programs_C"), cats);
        SqliteStatement program(
            m_db, QStringLiteral("INSERT INTO Programs (M_no, Category, Name, Version, Year, Size, "
                                 "Date_aq, Media_type, Author, Description) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)"));
        static const QStringList media{QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("Floppy")};
        static const QStringList makers{QStringLiteral("Fabryka Programów"), QStringLiteral("Nordsoft"),
                                        QStringLiteral("Studio Échelle"), QStringLiteral("Acme")};
        for (int i = 0; i < m_o.items; ++i) {
            const QString name = title(between(1, 2)) + QStringLiteral(" Studio");
            insert(program, {QStringLiteral("P%1").arg(i + 1, 5, 10, QLatin1Char('0')), any(cats), name,
                             QStringLiteral("%1.%2").arg(between(1, 12)).arg(between(0, 9)), between(1985, 2024),
                             QStringLiteral("%1 MB").arg(between(1, 4000)), orNull(date()), any(media), any(makers),
                             orNull(description(name))});
        }
    }

    void addresses()
    {
        const QStringList cats = categories(kAddressCategories);
        fillLookup(QStringLiteral("AddBook_C"), cats);
        SqliteStatement person(
            m_db,
            QStringLiteral(
                "INSERT INTO AddressBook (Category, F_Name, L_Name, H_Addr1, H_Addr2, H_Pc, H_Country, H_Tel, H_Mob, "
                "H_email, O_Comp, O_Pos, O_Addr1, O_Pc, O_Country, O_Tel, O_email, O_www, Description) "
                "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19)"));
        for (int i = 0; i < m_o.items; ++i) {
            const QString first = pick(8) == 0 ? QString() : any(kFirstNames);
            const QString last = any(kLastNames);
            const QString mail = QStringLiteral("%1%2@example.org").arg(last.toLower().left(6)).arg(i);
            insert(person,
                   {any(cats), orNull(first), last,
                    QStringLiteral("%1 %2 Street").arg(between(1, 200)).arg(any(kWords)),
                    pick(3) == 0 ? QVariant(QStringLiteral("Flat %1").arg(between(1, 40))) : QVariant(),
                    QStringLiteral("%1-%2").arg(between(10, 99)).arg(between(100, 999)), any(kCountries),
                    QStringLiteral("+48 %1 %2").arg(between(10, 99)).arg(between(100000, 999999)),
                    QStringLiteral("+48 %1").arg(between(500000000, 899999999)), mail,
                    pick(2) ? QVariant(any(kWords) + QStringLiteral(" Ltd")) : QVariant(), QStringLiteral("Manager"),
                    QStringLiteral("%1 Business Park").arg(any(kWords)), QStringLiteral("00-%1").arg(between(100, 999)),
                    any(kCountries), QStringLiteral("+48 22 %1").arg(between(1000000, 9999999)), QVariant(),
                    QStringLiteral("www.example.org"), orNull(description(first + QLatin1Char(' ') + last))});
        }
    }

    sqlite3* m_db;
    const SampleCatalogue::Options& m_o;
    std::mt19937 m_rng;
    QStringList m_directors, m_actors, m_artists, m_authors;
};

} // namespace

void SampleCatalogue::fill(const QString& path, const Options& options)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw EDatabaseError(QStringLiteral("Cannot open '%1'").arg(path));
    }
    struct Closer
    {
        sqlite3* db;
        ~Closer() { sqlite3_close_v2(db); }
    } closer{db};
    SqliteFunctions::install(db);
    SqliteStatement::exec(db, QStringLiteral("BEGIN"));
    Generator(db, options).run();
    SqliteStatement::exec(db, QStringLiteral("COMMIT"));
    SqliteStatement::exec(db, QStringLiteral("ANALYZE"));
}
