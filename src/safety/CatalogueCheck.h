#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// SQLite's integrity check of a catalogue file, on a connection of its own, so that it can run
// on a thread of its own while the program goes on.
class CatalogueCheck
{
public:
    struct Result
    {
        bool cancelled = false;
        QStringList faults; // empty when the file is whole
        bool whole() const { return !cancelled && faults.isEmpty(); }
    };
    // Told an estimate of how far the check is, in per cent; false stops it.
    using Progress = std::function<bool(int percent)>;

    // Raises EDatabaseError when the file cannot be read at all (which is a fault too).
    static Result run(const QString& path, const Progress& progress = {});
    // The result in the words the user is shown.
    static QString describe(const Result& result);
};
