// The trace call's gates and its process-wide state. There is no sink: no
// operation here opens a trace file or loads a configuration, so a call that
// got through every gate would have nowhere to write.
#include "trace/trace.h"

namespace {

int s_enabled = 1;
int s_levelMask = TRACE_FATAL;
int s_busy = 0;
const void* s_configuration = nullptr; // loaded only while a trace file is opened
TraceObserver s_observer = nullptr;

// Clears the busy flag however the call leaves, the observer's exceptions
// included.
struct BusyScope {
    BusyScope() { s_busy = 1; }
    ~BusyScope() { s_busy = 0; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

void Leave(int level, const char* moduleName, const TraceModule* module, const char* format,
           int gate) {
    if (s_observer != nullptr) {
        s_observer(level, moduleName, module, format, gate);
    }
}

} // namespace

void TraceWrite(int level, const char* moduleName, TraceModule* module, const char* format, ...) {
    // This program's common case: no observer, and a level the mask leaves
    // out. Nothing runs between setting and clearing the busy flag then, so
    // the call may leave before it without anyone seeing the difference.
    if (s_observer == nullptr && s_enabled != 0 && s_busy == 0 && (level & s_levelMask) == 0) {
        return;
    }
    if (s_enabled == 0 || s_busy != 0) {
        Leave(level, moduleName, module, format, TRACE_GATE_ENABLED);
        return;
    }
    BusyScope busy;
    if ((level & s_levelMask) == 0) {
        Leave(level, moduleName, module, format, TRACE_GATE_LEVEL);
        return;
    }
    if (moduleName == nullptr || moduleName[0] == '\0') {
        Leave(level, moduleName, module, format, TRACE_GATE_MODULE);
        return;
    }
    if (s_configuration == nullptr) {
        Leave(level, moduleName, module, format, TRACE_GATE_CONFIGURATION);
        return;
    }
    Leave(level, moduleName, module, format, TRACE_PASSED);
}

TraceObserver TraceSetObserver(TraceObserver observer) {
    const TraceObserver previous = s_observer;
    s_observer = observer;
    return previous;
}

int TraceSetEnabled(int enabled) {
    const int previous = s_enabled;
    s_enabled = enabled;
    return previous;
}

int TraceSetLevelMask(int mask) {
    const int previous = s_levelMask;
    s_levelMask = mask;
    return previous;
}

int TraceIsBusy() {
    return s_busy;
}
