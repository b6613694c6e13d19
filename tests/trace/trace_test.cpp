// Trace call: the gates in their order, the busy flag, and that a stopped call
// never expands its format.
#include "trace/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    int level;
    std::string moduleName;
    int gate;
    int busy;
};

std::vector<Seen> g_seen;
bool g_reenter = false;

void Record(int level, const char* moduleName, const TraceModule*, const char*, int gate) {
    g_seen.push_back({level, moduleName != nullptr ? moduleName : "(null)", gate, TraceIsBusy()});
    if (g_reenter) {
        g_reenter = false;
        TraceWrite(TRACE_FATAL, "xml", nullptr, "nested");
    }
}

class TraceGates : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen.clear();
        g_reenter = false;
        previous_ = TraceSetObserver(Record);
    }
    void TearDown() override {
        TraceSetObserver(previous_);
        TraceSetEnabled(1);
        TraceSetLevelMask(TRACE_FATAL);
    }
    TraceModule module_ = {"xml#xmlpar", nullptr};
    TraceObserver previous_ = nullptr;
};

struct GateCase {
    const char* description;
    int level;
    const char* moduleName;
    int gate;
};

const GateCase kGateCases[] = {
    {"log level is masked", TRACE_LOG, "xml", TRACE_GATE_LEVEL},
    {"debug level is masked", TRACE_DEBUG, "xml", TRACE_GATE_LEVEL},
    {"level zero is masked", 0, "xml", TRACE_GATE_LEVEL},
    {"fatal stops without configuration", TRACE_FATAL, "xml", TRACE_GATE_CONFIGURATION},
    {"mixed level shares the fatal bit", TRACE_FATAL | TRACE_LOG, "xml#xmldoc",
     TRACE_GATE_CONFIGURATION},
    {"empty module name", TRACE_FATAL, "", TRACE_GATE_MODULE},
    {"null module name", TRACE_FATAL, nullptr, TRACE_GATE_MODULE},
    {"level gate comes before module gate", TRACE_LOG, "", TRACE_GATE_LEVEL},
};

TEST_F(TraceGates, EachCallStopsAtItsGateWithBusyHeldAndReleased) {
    for (const GateCase& c : kGateCases) {
        g_seen.clear();
        TraceWrite(c.level, c.moduleName, &module_, "%s %d", "x", 1);
        ASSERT_EQ(g_seen.size(), 1u) << c.description;
        EXPECT_EQ(g_seen[0].gate, c.gate) << c.description;
        EXPECT_EQ(g_seen[0].busy, 1) << c.description;
        EXPECT_EQ(TraceIsBusy(), 0) << c.description;
        EXPECT_EQ(module_.entry, nullptr) << c.description;
        EXPECT_STREQ(module_.name, "xml#xmlpar") << c.description;
    }
}

TEST_F(TraceGates, CallMadeDuringAnotherStopsAtFirstGate) {
    g_reenter = true;
    TraceWrite(TRACE_FATAL, "xml", &module_, "outer");
    // The nested call reports first, from inside the outer one.
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].gate, TRACE_GATE_CONFIGURATION);
    EXPECT_EQ(g_seen[1].gate, TRACE_GATE_ENABLED);
    EXPECT_EQ(g_seen[1].moduleName, "xml");
    EXPECT_EQ(TraceIsBusy(), 0);
    g_seen.clear();
    TraceWrite(TRACE_FATAL, "xml", &module_, "after");
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].gate, TRACE_GATE_CONFIGURATION);
}

TEST_F(TraceGates, DisabledTraceStopsFirstAndMaskDecidesLevels) {
    EXPECT_EQ(TraceSetEnabled(0), 1);
    TraceWrite(TRACE_FATAL, "xml", &module_, "off");
    EXPECT_EQ(TraceSetLevelMask(TRACE_LOG | TRACE_WARN), TRACE_FATAL);
    TraceSetEnabled(1);
    TraceWrite(TRACE_LOG, "xml", &module_, "log");
    TraceWrite(TRACE_FATAL, "xml", &module_, "fatal");
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].gate, TRACE_GATE_ENABLED);
    EXPECT_EQ(g_seen[0].busy, 0);
    EXPECT_EQ(g_seen[1].gate, TRACE_GATE_CONFIGURATION);
    EXPECT_EQ(g_seen[2].gate, TRACE_GATE_LEVEL);
}

TEST_F(TraceGates, FormatNamingMissingArgumentsIsNeverExpanded) {
    // Expanded, this would read and write through arguments that do not exist.
    const char* format = "%s %s %s %n %ld";
    TraceWrite(TRACE_FATAL, "xml", &module_, format, 1);
    TraceWrite(TRACE_LOG, "xml", &module_, format, 1);
    TraceSetObserver(nullptr);
    TraceWrite(TRACE_FATAL, "xml", nullptr, format, 1);
    EXPECT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(TraceIsBusy(), 0);
}

} // namespace
