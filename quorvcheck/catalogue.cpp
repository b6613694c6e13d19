// The keys the desk client looks up, in the order an administrator reads them.
#include "quorvcheck/catalogue.h"

const CatalogueKey kDeskKeys[] = {
    {"mes1", "greeting at start-up"},
    {"mes2", "the day's file cannot be opened"},
    {"mes3", "a barcode is missing"},
    {"mes4", "a barcode is not valid"},
    {"op1", "name of a loan"},
    {"op2", "name of a return"},
    {"op3", "name of a request"},
    {"dh", "title of the date and time box"},
    {"col1", "column 1 (date)"},
    {"col2", "column 2 (time)"},
    {"col3", "column 3 (number)"},
    {"col4", "column 4 and patron field label"},
    {"col5", "column 5 and item field label"},
    {"col6", "column 6 (operation)"},
};
const int kDeskKeyCount = static_cast<int>(sizeof kDeskKeys / sizeof kDeskKeys[0]);
