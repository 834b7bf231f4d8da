#pragma once

class TDAODataset;

// A report query open for one run only: opened anew (so that every record posted so far is
// read) and closed again when the run ends, also when it fails.
class OpenForRun
{
public:
    explicit OpenForRun(TDAODataset& dataSet);
    ~OpenForRun();
    OpenForRun(const OpenForRun&) = delete;
    OpenForRun& operator=(const OpenForRun&) = delete;

private:
    TDAODataset& m_dataSet;
};
