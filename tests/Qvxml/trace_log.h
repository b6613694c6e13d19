// The trace calls one module of the XML library makes while a TraceLog is
// alive, each as "<level> <format>" (the format unexpanded). Every call of
// that module must come with the module's own descriptor.
#pragma once

#include "trace/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct TraceLog {
    explicit TraceLog(const char* moduleName) : previous_(TraceSetObserver(Collect)) {
        s_moduleName = moduleName;
        s_lines.clear();
    }
    ~TraceLog() { TraceSetObserver(previous_); }
    std::vector<std::string>& Lines() { return s_lines; }
    static void Collect(int level, const char* moduleName, const TraceModule* module,
                        const char* format, int) {
        if (moduleName != nullptr && s_moduleName == moduleName) {
            EXPECT_TRUE(module != nullptr && s_moduleName == module->name) << format;
            s_lines.push_back(std::to_string(level) + " " + format);
        }
    }
    static inline std::string s_moduleName;
    static inline std::vector<std::string> s_lines;
    TraceObserver previous_;
};
