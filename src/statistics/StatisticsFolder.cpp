#include "StatisticsFolder.h"

const std::vector<StatisticsFolder>& StatisticsFolder::all()
{
    using People = StatisticsFolder::People;
    static const std::vector<StatisticsFolder> folders = [] {
        std::vector<StatisticsFolder> f(kCount);
        f[0] = {0,
                QStringLiteral("Movies"),
                QStringLiteral("Movies"),
                QStringLiteral("Title"),
                true,
                true,
                true,
                PlayingTime::HoursMinutes,
                {People{QStringLiteral("actors"), QStringLiteral("Actors with most movies"), QStringLiteral("Mv_Cast"),
                        QStringLiteral("Name")},
                 People{QStringLiteral("directors"), QStringLiteral("Directors with most movies"), QString(),
                        QStringLiteral("Director")}}};
        f[1] = {1,
                QStringLiteral("Music"),
                QStringLiteral("Music"),
                QStringLiteral("Title"),
                true,
                true,
                true,
                PlayingTime::MinutesSeconds,
                {People{QStringLiteral("artists"), QStringLiteral("Artists with most albums"), QString(),
                        QStringLiteral("Artist")}}};
        f[2] = {2,
                QStringLiteral("Books"),
                QStringLiteral("Books"),
                QStringLiteral("Title"),
                true,
                false,
                true,
                PlayingTime::None,
                {People{QStringLiteral("authors"), QStringLiteral("Authors with most books"), QString(),
                        QStringLiteral("Author")}}};
        f[3] = {3,
                QStringLiteral("Programs"),
                QStringLiteral("Programs"),
                QStringLiteral("Name"),
                true,
                true,
                true,
                PlayingTime::None,
                {}};
        f[4] = {4,
                QStringLiteral("Address Book"),
                QStringLiteral("AddressBook"),
                QStringLiteral("L_Name"),
                false,
                false,
                false,
                PlayingTime::None,
                {}};
        return f;
    }();
    return folders;
}
