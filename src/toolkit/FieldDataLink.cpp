#include "FieldDataLink.h"

#include "ErrorGuard.h"
#include "TDAODataset.h"
#include "TField.h"

TField* FieldDataLink::Field() const
{
    TDAODataset* ds = DataSet();
    if (!ds || !ds->Active() || m_fieldName.isEmpty())
        return nullptr;
    return ds->FindField(m_fieldName);
}

void FieldDataLink::recordChanged(TField* field)
{
    // A calculated field follows every other field of its record.
    if (!field || field->FieldName().compare(m_fieldName, Qt::CaseInsensitive) == 0)
        notify();
    else if (TField* mine = Field(); mine && mine->Calculated())
        notify();
}

void FieldDataLink::notify()
{
    if (m_changed)
        m_changed();
}
