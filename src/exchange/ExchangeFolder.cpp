#include "ExchangeFolder.h"

#include "TDM.h"

#include <QRegularExpression>
#include <array>

namespace {

ExchangeField f(const char* name, const char* caption, QStringList alias = {})
{
    return {QLatin1String(name), QString::fromUtf8(caption), std::move(alias)};
}

std::array<ExchangeFolder, ExchangeFolder::kCount> build()
{
    using D = ExchangeFolder::Details;
    std::array<ExchangeFolder, ExchangeFolder::kCount> all;
    const QStringList date{QStringLiteral("date"), QStringLiteral("date aquired"), QStringLiteral("acquired"),
                           QStringLiteral("purchased"), QStringLiteral("date_aq")};
    const QStringList description{QStringLiteral("notes"), QStringLiteral("comments"), QStringLiteral("comment"),
                                  QStringLiteral("plot"), QStringLiteral("memo")};
    const QStringList category{QStringLiteral("genre"), QStringLiteral("type")};
    const QStringList media{QStringLiteral("media"), QStringLiteral("format"), QStringLiteral("media_type")};
    const QStringList time{QStringLiteral("time"),    QStringLiteral("running time"), QStringLiteral("length"),
                           QStringLiteral("runtime"), QStringLiteral("duration"),     QStringLiteral("tot_time")};

    all[0].caption = QStringLiteral("Movies");
    all[0].titleField = QStringLiteral("Title");
    all[0].details = D::Cast;
    all[0].fields = {f("Title", "Title", {QStringLiteral("name")}),
                     f("Category", "Category", category),
                     f("Year", "Year"),
                     f("Tot_time", "Time", time),
                     f("Media_type", "Media", media),
                     f("M_no", "Media No.", {QStringLiteral("media number"), QStringLiteral("number")}),
                     f("Director", "Director", {QStringLiteral("directed by")}),
                     f("Date_aq", "Date acquired", date),
                     f("Prop", "Properties", {QStringLiteral("prop")}),
                     f("Description", "Description", description)};

    all[1].caption = QStringLiteral("Music");
    all[1].titleField = QStringLiteral("Title");
    all[1].details = D::Songs;
    all[1].fields = {f("Title", "Title", {QStringLiteral("album")}),
                     f("Artist", "Artist", {QStringLiteral("band"), QStringLiteral("performer")}),
                     f("Category", "Category", category),
                     f("Year", "Year"),
                     f("Tot_time", "Time", time),
                     f("Media_type", "Media", media),
                     f("Date_aq", "Date acquired", date),
                     f("Description", "Description", description)};

    all[2].caption = QStringLiteral("Books");
    all[2].titleField = QStringLiteral("Title");
    all[2].fields = {f("Title", "Title"),
                     f("Author", "Author", {QStringLiteral("authors"), QStringLiteral("writer")}),
                     f("Category", "Category", category),
                     f("Year", "Year"),
                     f("Tot_pg", "Pages", {QStringLiteral("tot_pg"), QStringLiteral("page count")}),
                     f("Publishers", "Publisher", {QStringLiteral("publishers")}),
                     f("Date_aq", "Date acquired", date),
                     f("Description", "Description", description)};

    all[3].caption = QStringLiteral("Programs");
    all[3].titleField = QStringLiteral("Name");
    all[3].fields = {f("Name", "Name", {QStringLiteral("title"), QStringLiteral("program")}),
                     f("Version", "Version"),
                     f("Category", "Category", category),
                     f("Year", "Year"),
                     f("Author", "Author", {QStringLiteral("maker"), QStringLiteral("publisher")}),
                     f("Size", "Size"),
                     f("Media_type", "Media", media),
                     f("M_no", "Media No.", {QStringLiteral("media number"), QStringLiteral("number")}),
                     f("Date_aq", "Date acquired", date),
                     f("Description", "Description", description)};

    all[4].caption = QStringLiteral("Address Book");
    all[4].titleField = QStringLiteral("L_Name");
    all[4].hasYear = false;
    all[4].fields = {
        f("Category", "Category", {QStringLiteral("group")}),
        f("F_Name", "First name", {QStringLiteral("given name"), QStringLiteral("f_name")}),
        f("L_Name", "Last name", {QStringLiteral("surname"), QStringLiteral("family name"), QStringLiteral("l_name")}),
        f("H_Addr1", "Home address 1", {QStringLiteral("h_addr1")}),
        f("H_Addr2", "Home address 2", {QStringLiteral("h_addr2")}),
        f("H_Pc", "Home postcode", {QStringLiteral("h_pc")}),
        f("H_Country", "Home country", {QStringLiteral("h_country")}),
        f("H_Tel", "Home telephone", {QStringLiteral("h_tel")}),
        f("H_Mob", "Home mobile", {QStringLiteral("h_mob")}),
        f("H_Fax", "Home fax", {QStringLiteral("h_fax")}),
        f("H_email", "Home e-mail", {QStringLiteral("h_email")}),
        f("H_www", "Home web", {QStringLiteral("h_www")}),
        f("O_Comp", "Company", {QStringLiteral("o_comp")}),
        f("O_Pos", "Position", {QStringLiteral("o_pos")}),
        f("O_Addr1", "Office address 1", {QStringLiteral("o_addr1")}),
        f("O_Addr2", "Office address 2", {QStringLiteral("o_addr2")}),
        f("O_Pc", "Office postcode", {QStringLiteral("o_pc")}),
        f("O_Country", "Office country", {QStringLiteral("o_country")}),
        f("O_Tel", "Office telephone", {QStringLiteral("o_tel")}),
        f("O_Mob", "Office mobile", {QStringLiteral("o_mob")}),
        f("O_Fax", "Office fax", {QStringLiteral("o_fax")}),
        f("O_email", "Office e-mail", {QStringLiteral("o_email")}),
        f("O_www", "Office web", {QStringLiteral("o_www")}),
        f("Description", "Description", description)};
    for (int i = 0; i < ExchangeFolder::kCount; ++i)
        all[size_t(i)].index = i;
    return all;
}

// "Media No." and "media_no" and " MEDIA  NO " all read as "media no".
QString plain(const QString& name)
{
    static const QRegularExpression kOther(QStringLiteral("[^\\w]+"), QRegularExpression::UseUnicodePropertiesOption);
    return name.toCaseFolded().replace(kOther, QStringLiteral(" ")).trimmed();
}

} // namespace

const ExchangeFolder& ExchangeFolder::at(int folder)
{
    static const std::array<ExchangeFolder, kCount> all = build();
    return all.at(size_t(std::clamp(folder, 0, kCount - 1)));
}

QString ExchangeFolder::detailsCaption() const
{
    switch (details) {
    case Details::Cast:
        return QStringLiteral("Cast");
    case Details::Songs:
        return QStringLiteral("Songs");
    case Details::None:
        break;
    }
    return {};
}

QString ExchangeFolder::targetCaption(int target) const
{
    if (target == kDetails)
        return detailsCaption();
    if (target == kPicture)
        return QStringLiteral("Picture");
    if (target >= 0 && size_t(target) < fields.size())
        return fields[size_t(target)].caption;
    return QStringLiteral("(skip)");
}

std::vector<int> ExchangeFolder::targets(bool withPicture) const
{
    std::vector<int> list{kSkip};
    for (size_t i = 0; i < fields.size(); ++i)
        list.push_back(int(i));
    if (details != Details::None)
        list.push_back(kDetails);
    if (withPicture)
        list.push_back(kPicture);
    return list;
}

int ExchangeFolder::targetFor(const QString& name, bool withPicture) const
{
    const QString wanted = plain(name);
    if (wanted.isEmpty())
        return kSkip;
    for (size_t i = 0; i < fields.size(); ++i) {
        const ExchangeField& field = fields[i];
        if (wanted == plain(field.name) || wanted == plain(field.caption))
            return int(i);
    }
    // Aliases only after every name and caption, so that "Name" of a program is not taken
    // for a movie's title when the file says "Title" as well.
    for (size_t i = 0; i < fields.size(); ++i) {
        for (const QString& alias : fields[i].alias) {
            if (wanted == plain(alias))
                return int(i);
        }
    }
    if (details == Details::Cast && (wanted == QLatin1String("cast") || wanted == QLatin1String("actors")))
        return kDetails;
    if (details == Details::Songs
        && (wanted == QLatin1String("songs") || wanted == QLatin1String("tracks") || wanted == QLatin1String("track")))
        return kDetails;
    if (withPicture && (wanted == QLatin1String("picture") || wanted == QLatin1String("cover")))
        return kPicture;
    return kSkip;
}

std::vector<int> ExchangeFolder::propose(const QStringList& header, bool withPicture) const
{
    std::vector<int> mapping;
    std::vector<bool> taken(fields.size(), false);
    bool detailsTaken = false;
    bool pictureTaken = false;
    for (const QString& name : header) {
        int target = targetFor(name, withPicture);
        if (target >= 0) {
            if (taken[size_t(target)])
                target = kSkip;
            else
                taken[size_t(target)] = true;
        } else if (target == kDetails) {
            if (detailsTaken)
                target = kSkip;
            detailsTaken = true;
        } else if (target == kPicture) {
            if (pictureTaken)
                target = kSkip;
            pictureTaken = true;
        }
        mapping.push_back(target);
    }
    return mapping;
}

int ExchangeFolder::recognised(const QStringList& header) const
{
    int n = 0;
    for (const QString& name : header)
        n += targetFor(name) != kSkip;
    return n;
}

TDAOQuery& ExchangeFolder::query(TDM& dm) const
{
    std::array<TDAOQuery*, kCount> q{&dm.qrMovies, &dm.qrMusic, &dm.qrBooks, &dm.qrProg, &dm.qrAddBook};
    return *q.at(size_t(index));
}

TDAOQuery* ExchangeFolder::detailQuery(TDM& dm) const
{
    if (details == Details::Cast)
        return &dm.qrMv_Cast;
    if (details == Details::Songs)
        return &dm.qrMu_Songs;
    return nullptr;
}

TDAOQuery& ExchangeFolder::everyItem(TDM& dm) const
{
    std::array<TDAOQuery*, kCount> q{&dm.qrRep_Mov, &dm.qrRep_Music, &dm.qrRep_Books, &dm.qrRep_Prog,
                                     &dm.qrRep_AddBook};
    return *q.at(size_t(index));
}

std::vector<TDAOTable*> ExchangeFolder::lookups(TDM& dm) const
{
    switch (index) {
    case 0:
        return {&dm.tbC_Movies, &dm.tbD_Movies, &dm.tbA_Movies};
    case 1:
        return {&dm.tbC_Music, &dm.tbA_Music};
    case 2:
        return {&dm.tbC_Books, &dm.tbA_Books};
    case 3:
        return {&dm.tbC_Programs};
    default:
        return {&dm.tbC_AddBook};
    }
}
