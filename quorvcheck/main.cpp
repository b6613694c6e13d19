// quorvcheck: checks a desk settings file and barcodes from the command line
// (check.h says what it reports).
#include "quorvcheck/check.h"

#include <iostream>

int main(int argc, char** argv) {
    return QuorvcheckMain(argc, argv, std::cout, std::cerr);
}
