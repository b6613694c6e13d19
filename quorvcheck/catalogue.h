// The catalogue keys whose texts the desk client shows, with where each one
// appears, for the checker's report. Which catalogue the client picks is the
// shell's own rule (shell/settings.h), shared so both always agree.
#pragma once

#include "shell/settings.h"

// One text the client shows: its key and, in plain words, where it appears.
struct CatalogueKey {
    const char* key;
    const char* where;
};

// Every key the client looks up, in the order an administrator reads them.
extern const CatalogueKey kDeskKeys[];
extern const int kDeskKeyCount;
