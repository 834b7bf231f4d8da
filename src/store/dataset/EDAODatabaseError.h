#pragma once

#include "EDatabaseError.h"

// A misuse of the connection (changing it while open, using a dataset without one).
class EDAODatabaseError : public EDatabaseError
{
public:
    using EDatabaseError::EDatabaseError;
};
