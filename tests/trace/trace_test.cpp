// Trace call: the gates in their order, the busy flag, and that a stopped call
// never expands its format.
#include "trace/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string g_seen; // each call observed, as "gate/busy "
bool g_reenter = false;

void Record(int, const char*, const TraceModule*, const char*, int gate) {
    g_seen += std::to_string(gate) + "/" + std::to_string(TraceIsBusy()) + " ";
    if (std::exchange(g_reenter, false)) {
        TraceWrite(TRACE_FATAL, "xml", nullptr, "nested");
    }
}

// Expanded, this would read and write through arguments that do not exist.
const char* g_unsafeFormat = "%s %s %s %n %ld";

TEST(TraceGates, EachCallStopsAtItsGateWithBusyHeldAndReleased) {
    TraceModule module = {"xml#xmlpar", nullptr};
    const TraceObserver previous = TraceSetObserver(Record);
    const struct {
        int enabled, mask, level;
        const char* moduleName;
        int gate;
    } cases[] = {
        {1, TRACE_FATAL, TRACE_LOG, "xml", TRACE_GATE_LEVEL},
        {1, TRACE_FATAL, 0, "xml", TRACE_GATE_LEVEL},
        {1, TRACE_FATAL, TRACE_FATAL, "xml", TRACE_GATE_CONFIGURATION},
        {1, TRACE_FATAL, TRACE_FATAL | TRACE_LOG, "xml#xmldoc", TRACE_GATE_CONFIGURATION},
        {1, TRACE_FATAL, TRACE_FATAL, "", TRACE_GATE_MODULE},
        {1, TRACE_FATAL, TRACE_FATAL, nullptr, TRACE_GATE_MODULE},
        {1, TRACE_FATAL, TRACE_LOG, "", TRACE_GATE_LEVEL}, // the level gate comes first
        {0, TRACE_FATAL, TRACE_FATAL, "xml", TRACE_GATE_ENABLED},
        {1, TRACE_LOG | TRACE_WARN, TRACE_LOG, "xml", TRACE_GATE_CONFIGURATION},
        {1, TRACE_LOG | TRACE_WARN, TRACE_FATAL, "xml", TRACE_GATE_LEVEL},
    };
    for (const auto& c : cases) {
        g_seen = std::to_string(TraceSetEnabled(c.enabled)) +
                 std::to_string(TraceSetLevelMask(c.mask)) + " ";
        TraceWrite(c.level, c.moduleName, &module, g_unsafeFormat, 1);
        // Then the setters give back what was set, the busy flag is down, nothing was cached.
        g_seen += std::to_string(TraceSetLevelMask(TRACE_FATAL)) +
                  std::to_string(TraceSetEnabled(1)) + std::to_string(TraceIsBusy()) +
                  (module.entry != nullptr ? " cached" : "");
        EXPECT_EQ(g_seen, "11 " + std::to_string(c.gate) +
                              (c.gate == TRACE_GATE_ENABLED ? "/0 " : "/1 ") +
                              std::to_string(c.mask) + std::to_string(c.enabled) + "0")
            << "row " << &c - cases;
    }
    // A call made during another stops at the first gate; the flag drops with the outer one.
    g_seen.clear();
    g_reenter = true;
    TraceWrite(TRACE_FATAL, "xml", &module, "outer");
    TraceWrite(TRACE_FATAL, "xml", &module, "after");
    EXPECT_EQ(g_seen + std::to_string(TraceIsBusy()), "4/1 1/1 4/1 0");
    TraceSetObserver(nullptr);
    TraceWrite(TRACE_FATAL, "xml", nullptr, g_unsafeFormat, 1);
    EXPECT_EQ(TraceIsBusy(), 0);
    TraceSetObserver(previous);
}

} // namespace
