#pragma once

#include "loadedsnapshot.h"

#include <QString>

class JobWindow;

// The saved state of one job page. The main window keeps one record per tab
// (entry 0, the query page, stays empty); the job window that owns a page
// snapshots itself into the record when the user leaves the tab and restores
// itself from it when the user comes back.
struct TYWData {
    JobWindow *Window = nullptr; // the job window that owns the page
    int PageIndex = 0;           // active page of that window's page control
    int Stored = 0;              // the job exists in the database
    int Modified = 0;            // unsaved edits
    QString MainText;            // record text of the main Tag range
    QString ExtraText;           // the finance window's second Tag range
    int JobKind = 0;             // finance pages: 0 export job, 1 import job
    QString GridText;            // the container grid, header row included
    LoadedSnapshot Loaded;       // what the page's record was when loaded or last saved
};
