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
    // Whether another connection holds the file (SQLite's busy and locked codes).
    bool Busy() const noexcept { return isBusy(m_errorCode); }
    static bool isBusy(int code) noexcept
    {
        const int primary = code & 0xff;
        return primary == 5 /* SQLITE_BUSY */ || primary == 6 /* SQLITE_LOCKED */;
    }

private:
    int m_errorCode;
};
