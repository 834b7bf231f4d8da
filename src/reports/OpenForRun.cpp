#include "OpenForRun.h"

#include "TDAODataset.h"

OpenForRun::OpenForRun(TDAODataset& dataSet)
    : m_dataSet(dataSet)
{
    m_dataSet.Close();
    m_dataSet.Open();
}

OpenForRun::~OpenForRun()
{
    try {
        m_dataSet.Close();
    } catch (...) {
        // Closing only drops what was read; nothing to tell the user about.
    }
}
