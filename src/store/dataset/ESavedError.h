#pragma once

#include "EDatabaseError.h"

// A change that is stored in the file, after which something that was to follow it failed
// (reading the list again). Whoever posted must treat the change as saved: an editor closes,
// and the message says what went wrong afterwards.
class ESavedError : public EDatabaseError
{
public:
    explicit ESavedError(const QString& cause)
        : EDatabaseError(QStringLiteral("The change was saved, but the list could not be read again afterwards; it "
                                        "is read again when the file allows (%1)")
                             .arg(cause))
    {
    }
};
