// The diagnostic trace call through which the XML library reports.
//
// A module that reports owns one TraceModule for the whole run and passes its
// name and its address on every call. TraceWrite runs a call through four
// gates and returns at the first that fails. This program never opens a trace
// file or loads a trace configuration, so every call ends at a gate: level 1
// at the configuration gate, every other level at the level gate. A call that
// ends at a gate formats nothing, allocates nothing and touches no file, so its
// arguments may point to scratch text that is freed right after the call.
//
// How a module declares its descriptor, at namespace scope in its own source
// file (the XML library's scanner owns "xml", the document tree "xml#xmldoc",
// the parser driver "xml#xmlpar"):
//
//     static TraceModule s_trace = {"xml#xmlpar", nullptr};
//     ...
//     TraceWrite(8, s_trace.name, &s_trace, "XmlParserBuffer <- (%d)", 2);
//
// Not thread-safe: the busy flag guards against re-entry from within a call,
// not against threads.
#pragma once

// The level words, bit by bit.
enum {
    TRACE_FATAL = 1,
    TRACE_DEBUG = 2,
    TRACE_WARN = 4,
    TRACE_LOG = 8
};

// Room for a module name with its NUL ("xml#xmldoc" and the like).
constexpr int TRACE_MODULE_NAME_SIZE = 64;

// A configuration entry; only a loaded trace configuration makes them, and
// this program never loads one.
struct TraceConfigEntry;

struct TraceModule {
    char name[TRACE_MODULE_NAME_SIZE]; // the module name, "library#module"
    TraceConfigEntry* entry;           // cached configuration entry, null until one is looked up
};

// Writes one printf-style trace line for a module, once the call has passed,
// in this order:
//   1. the trace is enabled (initially yes) and no other trace call is in
//      progress; from here until the return the busy flag is set, and it is
//      cleared on every way out;
//   2. level shares a bit with the enabled-level mask (initially 1, "fatal");
//   3. moduleName is neither null nor empty;
//   4. a trace configuration is loaded (never, in this program).
// module may be null. format and its arguments are read only after the last
// gate, so a format naming more arguments than are passed is harmless.
// Never fails, blocks or reports anything.
void TraceWrite(int level, const char* moduleName, TraceModule* module, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Test seam: the trace's state cannot be seen from outside otherwise, since no
// call ever writes anything. Nothing in the program calls these.

// Which way a call left TraceWrite: the number of the gate that stopped it, or
// TRACE_PASSED when it passed all four.
enum {
    TRACE_PASSED = 0,
    TRACE_GATE_ENABLED = 1,
    TRACE_GATE_LEVEL = 2,
    TRACE_GATE_MODULE = 3,
    TRACE_GATE_CONFIGURATION = 4
};

// Called by every TraceWrite on its way out with the call's arguments (the
// format unexpanded) and the gate it left by. While it runs after gates 2 to 4
// the busy flag is still set, so a TraceWrite made from inside it stops at
// gate 1. Null (the initial value) means no observer.
using TraceObserver = void (*)(int level, const char* moduleName, const TraceModule* module,
                               const char* format, int gate);

// Installs an observer (null removes it); returns the one it replaces.
TraceObserver TraceSetObserver(TraceObserver observer);

// Sets the enabled flag and the enabled-level mask; returns the previous
// value. The program leaves both at their initial values (1 and 1).
int TraceSetEnabled(int enabled);
int TraceSetLevelMask(int mask);

// 1 while a trace call is in progress, else 0.
int TraceIsBusy();
