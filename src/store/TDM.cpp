#include "TDM.h"

#include <QDir>

TDM* DM = nullptr;

TDM::TDM(QString programFolder)
    : m_programFolder(std::move(programFolder))
{
}

TDM::~TDM()
{
    DataModuleDestroy();
}

void TDM::DataModuleCreate()
{
    dbKOLT.setDatabaseName(QDir(m_programFolder).filePath(QLatin1String(kFileName)));
    dbKOLT.setPassword(QLatin1String(kPassword));
    dbKOLT.Open();
}

void TDM::DataModuleDestroy()
{
    dbKOLT.Close();
}
