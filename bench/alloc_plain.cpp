// quorvel_bench_probe counts nothing: its allocations go straight to the C
// library, so that its clock sees the parsers as the product would run them.
#include "bench/probe.h"

const bool kProbeCountsAllocations = false;
bool g_probeCounting = false;
unsigned long long g_probeAllocations = 0;
