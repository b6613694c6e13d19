// Trace call: the gates in their order, the busy flag, and that a stopped call
// never expands its format.
#include "trace/trace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Seen {
    int gate, busy;
};

std::vector<Seen> g_seen;
bool g_reenter = false;

void Record(int, const char*, const TraceModule*, const char*, int gate) {
    g_seen.push_back({gate, TraceIsBusy()});
    if (g_reenter) {
        g_reenter = false;
        TraceWrite(TRACE_FATAL, "xml", nullptr, "nested");
    }
}

// Expanded, this would read and write through arguments that do not exist.
const char* g_unsafeFormat = "%s %s %s %n %ld";

class TraceGates : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        previous_ = TraceSetObserver(Record);
    }
    void TearDown() override { TraceSetObserver(previous_); }
    TraceModule module_ = {"xml#xmlpar", nullptr};
    TraceObserver previous_ = nullptr;
};

TEST_F(TraceGates, EachCallStopsAtItsGateWithBusyHeldAndReleased) {
    const struct {
        const char* description;
        int enabled, mask, level;
        const char* moduleName;
        int gate;
    } cases[] = {
        {"log level is masked", 1, TRACE_FATAL, TRACE_LOG, "xml", TRACE_GATE_LEVEL},
        {"level zero is masked", 1, TRACE_FATAL, 0, "xml", TRACE_GATE_LEVEL},
        {"fatal stops without configuration", 1, TRACE_FATAL, TRACE_FATAL, "xml",
         TRACE_GATE_CONFIGURATION},
        {"mixed level shares the fatal bit", 1, TRACE_FATAL, TRACE_FATAL | TRACE_LOG, "xml#xmldoc",
         TRACE_GATE_CONFIGURATION},
        {"empty module name", 1, TRACE_FATAL, TRACE_FATAL, "", TRACE_GATE_MODULE},
        {"null module name", 1, TRACE_FATAL, TRACE_FATAL, nullptr, TRACE_GATE_MODULE},
        {"level gate comes before module gate", 1, TRACE_FATAL, TRACE_LOG, "", TRACE_GATE_LEVEL},
        {"disabled trace stops first", 0, TRACE_FATAL, TRACE_FATAL, "xml", TRACE_GATE_ENABLED},
        {"mask lets log through", 1, TRACE_LOG | TRACE_WARN, TRACE_LOG, "xml",
         TRACE_GATE_CONFIGURATION},
        {"mask leaves fatal out", 1, TRACE_LOG | TRACE_WARN, TRACE_FATAL, "xml", TRACE_GATE_LEVEL},
    };
    for (const auto& c : cases) {
        g_seen.clear();
        TraceSetEnabled(c.enabled);
        TraceSetLevelMask(c.mask);
        TraceWrite(c.level, c.moduleName, &module_, g_unsafeFormat, 1);
        EXPECT_EQ(TraceSetLevelMask(TRACE_FATAL), c.mask) << c.description;
        EXPECT_EQ(TraceSetEnabled(1), c.enabled) << c.description;
        ASSERT_EQ(g_seen.size(), 1u) << c.description;
        EXPECT_EQ(g_seen[0].gate, c.gate) << c.description;
        EXPECT_EQ(g_seen[0].busy, c.gate == TRACE_GATE_ENABLED ? 0 : 1) << c.description;
        EXPECT_EQ(TraceIsBusy(), 0) << c.description;
        EXPECT_EQ(module_.entry, nullptr) << c.description;
    }
    TraceSetObserver(nullptr);
    TraceWrite(TRACE_FATAL, "xml", nullptr, g_unsafeFormat, 1);
    TraceWrite(TRACE_LOG, "xml", nullptr, g_unsafeFormat, 1);
    EXPECT_EQ(TraceIsBusy(), 0);
}

TEST_F(TraceGates, CallMadeDuringAnotherStopsAtFirstGate) {
    g_reenter = true;
    TraceWrite(TRACE_FATAL, "xml", &module_, "outer");
    // The nested call reports first, from inside the outer one.
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].gate, TRACE_GATE_CONFIGURATION);
    EXPECT_EQ(g_seen[1].gate, TRACE_GATE_ENABLED);
    EXPECT_EQ(TraceIsBusy(), 0);
    TraceWrite(TRACE_FATAL, "xml", &module_, "after");
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[2].gate, TRACE_GATE_CONFIGURATION);
}

} // namespace
