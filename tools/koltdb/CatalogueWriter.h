#pragma once

#include <QString>

// Makes a new, empty catalogue from the layout in catalogue.sql. It never touches an existing
// file: the new catalogue is written beside the target and moved into place only when whole.
class CatalogueWriter
{
public:
    static constexpr const char* kDefaultPassword = "trobel72";

    // Raises EDatabaseError when the file exists or cannot be written.
    static void create(const QString& path, const QString& password = QLatin1String(kDefaultPassword));
};
