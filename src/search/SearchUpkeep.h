#pragma once

class SearchIndex;
class TDM;
class TDAODataset;

// Keeps the search index in step with every change the program makes: rules of its own in the
// transaction of each item's post and delete, and of each cast or song row's (which change
// their movie's or album's entry). A change the file refuses is undone with its index entry.
class SearchUpkeep
{
public:
    SearchUpkeep(TDM& dm, SearchIndex& index);
    ~SearchUpkeep();
    SearchUpkeep(const SearchUpkeep&) = delete;
    SearchUpkeep& operator=(const SearchUpkeep&) = delete;

private:
    void attachFolder(TDAODataset& dataSet, int folder);
    void attachDetails(TDAODataset& dataSet, int folder);

    TDM& m_dm;
    SearchIndex& m_index;
};
