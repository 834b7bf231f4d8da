#pragma once

#include <QString>

// Fills an empty catalogue with made-up but realistic items: every collection, casts, songs,
// lookup lists, rich-text descriptions and names in several languages. The same seed gives
// the same catalogue.
class SampleCatalogue
{
public:
    struct Options
    {
        int items = 200;     // per collection
        int categories = 12; // per collection's category list
        int names = 300;     // directors, actors, artists, authors (each list)
        unsigned seed = 7;
    };

    static void fill(const QString& path, const Options& options);
};
