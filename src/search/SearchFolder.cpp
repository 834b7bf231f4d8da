#include "SearchFolder.h"

namespace {

SearchColumn text(const char* field, const char* caption, QStringList aliases = {})
{
    return SearchColumn{QLatin1String(field), QString::fromLatin1(field).toLower(), QLatin1String(caption),
                        std::move(aliases), false};
}

SearchColumn memo()
{
    return SearchColumn{QStringLiteral("Description"),
                        QStringLiteral("description"),
                        QStringLiteral("Description"),
                        {QStringLiteral("desc"), QStringLiteral("notes")},
                        true};
}

const QStringList kEmail{QStringLiteral("email"), QStringLiteral("mail")};
const QStringList kPhone{QStringLiteral("phone"), QStringLiteral("tel")};
const QStringList kMobile{QStringLiteral("mobile"), QStringLiteral("phone")};
const QStringList kCountry{QStringLiteral("country")};
const QStringList kAddress{QStringLiteral("address")};
const QStringList kWeb{QStringLiteral("www"), QStringLiteral("web")};
const QStringList kPostcode{QStringLiteral("postcode")};
const QStringList kFax{QStringLiteral("fax")};

std::vector<SearchFolder> makeFolders()
{
    std::vector<SearchFolder> folders;
    SearchFolder movies;
    movies.index = 0;
    movies.table = QStringLiteral("Movies");
    movies.indexTable = QStringLiteral("kolt_search_movies");
    movies.caption = QStringLiteral("Movies");
    movies.columns = {text("Title", "Title"),
                      text("Director", "Director"),
                      text("Category", "Category"),
                      text("Year", "Year"),
                      text("M_no", "Media no.", {QStringLiteral("number")}),
                      text("Media_type", "Medium", {QStringLiteral("medium")}),
                      text("Tot_time", "Total time", {QStringLiteral("time")}),
                      memo()};
    movies.detailTable = QStringLiteral("Mv_Cast");
    movies.detail = SearchColumn{QStringLiteral("Name"),
                                 QStringLiteral("cast"),
                                 QStringLiteral("Cast"),
                                 {QStringLiteral("actor"), QStringLiteral("actors")},
                                 false};
    movies.titleFields = {QStringLiteral("Title")};
    movies.subtitleFields = {QStringLiteral("Year"), QStringLiteral("Director")};
    folders.push_back(movies);

    SearchFolder music;
    music.index = 1;
    music.table = QStringLiteral("Music");
    music.indexTable = QStringLiteral("kolt_search_music");
    music.caption = QStringLiteral("Music");
    music.columns = {text("Title", "Title", {QStringLiteral("album")}),
                     text("Artist", "Artist"),
                     text("Category", "Category"),
                     text("Year", "Year"),
                     text("Media_type", "Medium", {QStringLiteral("medium")}),
                     text("Tot_time", "Total time", {QStringLiteral("time")}),
                     memo()};
    music.detailTable = QStringLiteral("Mu_Songs");
    music.detail = SearchColumn{QStringLiteral("Title"),
                                QStringLiteral("songs"),
                                QStringLiteral("Songs"),
                                {QStringLiteral("song"), QStringLiteral("track")},
                                false};
    music.titleFields = {QStringLiteral("Title")};
    music.subtitleFields = {QStringLiteral("Artist"), QStringLiteral("Year")};
    folders.push_back(music);

    SearchFolder books;
    books.index = 2;
    books.table = QStringLiteral("Books");
    books.indexTable = QStringLiteral("kolt_search_books");
    books.caption = QStringLiteral("Books");
    books.columns = {text("Title", "Title"),
                     text("Author", "Author"),
                     text("Category", "Category"),
                     text("Year", "Year"),
                     text("Publishers", "Publisher", {QStringLiteral("publisher")}),
                     text("Tot_pg", "Total pages", {QStringLiteral("pages")}),
                     memo()};
    books.titleFields = {QStringLiteral("Title")};
    books.subtitleFields = {QStringLiteral("Author"), QStringLiteral("Year")};
    folders.push_back(books);

    SearchFolder programs;
    programs.index = 3;
    programs.table = QStringLiteral("Programs");
    programs.indexTable = QStringLiteral("kolt_search_programs");
    programs.caption = QStringLiteral("Programs");
    programs.columns = {text("Name", "Name", {QStringLiteral("title")}),
                        text("Version", "Version"),
                        text("Author", "Author"),
                        text("Category", "Category"),
                        text("Year", "Year"),
                        text("Size", "Size"),
                        text("M_no", "Media no.", {QStringLiteral("number")}),
                        text("Media_type", "Medium", {QStringLiteral("medium")}),
                        memo()};
    programs.titleFields = {QStringLiteral("Name"), QStringLiteral("Version")};
    programs.subtitleFields = {QStringLiteral("Author"), QStringLiteral("Year")};
    folders.push_back(programs);

    SearchFolder people;
    people.index = 4;
    people.table = QStringLiteral("AddressBook");
    people.indexTable = QStringLiteral("kolt_search_addressbook");
    people.caption = QStringLiteral("Address Book");
    people.columns = {text("L_Name", "Last name", {QStringLiteral("name"), QStringLiteral("last")}),
                      text("F_Name", "First name", {QStringLiteral("name"), QStringLiteral("first")}),
                      text("Category", "Category"),
                      text("O_Comp", "Company", {QStringLiteral("company")}),
                      text("O_Pos", "Position", {QStringLiteral("position")}),
                      text("H_Addr1", "Home address", kAddress),
                      text("H_Addr2", "Home address", kAddress),
                      text("H_Pc", "Home postcode", kPostcode),
                      text("H_Country", "Home country", kCountry),
                      text("H_Tel", "Home telephone", kPhone),
                      text("H_Mob", "Home mobile", kMobile),
                      text("H_Fax", "Home fax", kFax),
                      text("H_email", "Home e-mail", kEmail),
                      text("H_www", "Home web page", kWeb),
                      text("O_Addr1", "Office address", kAddress),
                      text("O_Addr2", "Office address", kAddress),
                      text("O_Pc", "Office postcode", kPostcode),
                      text("O_Country", "Office country", kCountry),
                      text("O_Tel", "Office telephone", kPhone),
                      text("O_Mob", "Office mobile", kMobile),
                      text("O_Fax", "Office fax", kFax),
                      text("O_email", "Office e-mail", kEmail),
                      text("O_www", "Office web page", kWeb),
                      memo()};
    people.titleFields = {QStringLiteral("L_Name"), QStringLiteral("F_Name")};
    people.subtitleFields = {QStringLiteral("O_Comp"), QStringLiteral("H_Country")};
    folders.push_back(people);
    return folders;
}

} // namespace

std::vector<const SearchColumn*> SearchFolder::indexColumns() const
{
    std::vector<const SearchColumn*> out;
    for (const SearchColumn& c : columns)
        out.push_back(&c);
    if (hasDetails())
        out.push_back(&detail);
    return out;
}

QStringList SearchFolder::columnsNamed(const QString& typedName) const
{
    const QString name = typedName.toLower();
    QStringList out;
    for (const SearchColumn* c : indexColumns()) {
        if (c->column == name || c->aliases.contains(name)
            || QString(c->caption).remove(u' ').remove(u'.').toLower() == name)
            out << c->column;
    }
    return out;
}

const std::vector<SearchFolder>& SearchFolder::all()
{
    static const std::vector<SearchFolder> folders = makeFolders();
    return folders;
}

const SearchFolder& SearchFolder::at(int index)
{
    return all().at(size_t(index));
}

bool SearchFolder::isFieldName(const QString& typedName)
{
    for (const SearchFolder& f : all()) {
        if (!f.columnsNamed(typedName).isEmpty())
            return true;
    }
    return false;
}
