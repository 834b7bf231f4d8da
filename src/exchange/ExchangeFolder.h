#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TDAOQuery;
class TDAOTable;
class TDM;

// One field of a folder that a file can bring in or take out.
struct ExchangeField
{
    QString name;      // the field of the folder's query
    QString caption;   // the column's title in an exported file
    QStringList alias; // other column titles that mean it (lower case)
};

// What an import or export knows of one folder: its fields in the order a file gives them,
// the field an item is known by (with the year, where the folder has one) and its detail list.
class ExchangeFolder
{
public:
    enum class Details { None, Cast, Songs };
    // What a column of a file goes to: a field (its index in fields()), the details, the
    // item's picture (only from a file that brings pictures), or nothing.
    static constexpr int kSkip = -1;
    static constexpr int kDetails = -2;
    static constexpr int kPicture = -3;

    static const ExchangeFolder& at(int folder);
    static constexpr int kCount = 5;

    int index = 0;
    QString caption;
    QString titleField;
    bool hasYear = true;
    Details details = Details::None;
    std::vector<ExchangeField> fields;

    QString detailsCaption() const;
    // The caption of a mapping target: a field's, the details', or "(skip)".
    QString targetCaption(int target) const;
    // Every target a column can take, in the order the dialog offers them: (skip), the
    // fields, the details, the picture.
    std::vector<int> targets(bool withPicture = false) const;
    // A target for each header name, each field taken at most once; names that mean nothing
    // here are skipped. Letter case, blanks and punctuation around words do not matter.
    std::vector<int> propose(const QStringList& header, bool withPicture = false) const;
    // How many of the names mean a field here.
    int recognised(const QStringList& header) const;

    TDAOQuery& query(TDM& dm) const;
    TDAOQuery* detailQuery(TDM& dm) const;
    TDAOQuery& everyItem(TDM& dm) const; // the folder's report query: every item, by title
    std::vector<TDAOTable*> lookups(TDM& dm) const;

private:
    int targetFor(const QString& name, bool withPicture = false) const;
};
