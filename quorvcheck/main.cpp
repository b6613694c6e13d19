// quorvcheck: checks a desk settings file and barcodes, or the day's files,
// from the command line (check.h says what it reports).
#include "quorvcheck/check.h"
#include "quorvcheck/system.h"

int main(int argc, char** argv) {
    const int status = QuorvcheckMain(argc, argv, StandardOutput(), StandardError());
    FlushStandardStreams();
    return status;
}
