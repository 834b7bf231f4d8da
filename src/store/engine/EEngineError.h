#pragma once

#include "EDatabaseError.h"

// A failure reported by the database engine (SQLite), with its message and its extended
// result code.
class EEngineError : public EDatabaseError
{
public:
    EEngineError(QString message, int errorCode)
        : EDatabaseError(std::move(message))
        , m_errorCode(errorCode)
    {
    }

    int ErrorCode() const noexcept { return m_errorCode; }

private:
    int m_errorCode;
};
