#pragma once

#include "ReportDefinition.h"

class TDM;

// The list report of each collection: a title, a silver caption row on every page and one
// ruled row per item with its running number. Built from one small table per report.
class CatalogueReports
{
public:
    explicit CatalogueReports(TDM& dm);

    ReportDefinition repMovies;
    ReportDefinition repMusic;
    ReportDefinition repBooks;
    ReportDefinition repProg;
    ReportDefinition repAddBook;

    // The report of a folder: 0 Movies, 1 Music, 2 Books, 3 Programs, 4 Address Book.
    const ReportDefinition& byFolder(int folder) const;
};
