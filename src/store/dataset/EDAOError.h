#pragma once

#include "EEngineError.h"

// An engine failure while a row is edited, posted or deleted, or while a stored statement runs.
class EDAOError : public EEngineError
{
public:
    using EEngineError::EEngineError;
};
