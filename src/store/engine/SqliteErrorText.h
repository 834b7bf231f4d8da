#pragma once

#include <QString>

// The words a user is shown for an engine failure: what happened and what to do, in a
// sentence, with the engine's own text kept at the end in brackets. Failures that need no
// explaining keep the engine's text as it is.
namespace SqliteErrorText {

QString forCode(int extendedCode, const QString& engineText);

} // namespace SqliteErrorText
