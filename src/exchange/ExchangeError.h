#pragma once

#include "EDatabaseError.h"

// An import or export that cannot go on: the text is the message the program shows.
class ExchangeError : public EDatabaseError
{
public:
    using EDatabaseError::EDatabaseError;
};

// The user stopped the import; nothing of it was kept.
class ImportCancelled : public ExchangeError
{
public:
    ImportCancelled()
        : ExchangeError(QStringLiteral("The import was cancelled; the catalogue is unchanged"))
    {
    }
};
