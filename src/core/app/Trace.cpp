#include "app/Trace.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<int> g_trace{-1}; // -1: not decided yet, taken from the environment
}

bool CTrace::Enabled()
{
    int v = g_trace.load(std::memory_order_relaxed);
    if (v < 0) {
        const char* env = std::getenv("V6UVUV_TRACE");
        v = env && *env && std::string_view(env) != "0" ? 1 : 0;
        g_trace.store(v, std::memory_order_relaxed);
    }
    return v == 1;
}

void CTrace::SetEnabled(bool on)
{
    g_trace.store(on ? 1 : 0, std::memory_order_relaxed);
}

void CTrace::Write(std::string_view format, std::initializer_list<CMsgArg> args)
{
    if (!Enabled())
        return;
    std::string line = FormatPrintf(format, args);
    std::fwrite(line.data(), 1, line.size(), stderr);
}
