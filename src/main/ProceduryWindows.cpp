#include "ProceduryWindows.h"

#include "MessageService.h"
#include "TDAODataset.h"

namespace Procedury {

void ConfirmDelete(TDAODataset& dataSet)
{
    if (dataSet.IsEmpty())
        return;
    if (MessageService::ask(QStringLiteral("Delete item?")))
        dataSet.Delete();
}

} // namespace Procedury
