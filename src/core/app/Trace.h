#pragma once
// Diagnostic trace lines, written to standard error only when tracing is on
// (the environment variable V6UVUV_TRACE for the windows, --trace for the
// command line).

#include "app/MessageFormat.h"

class CTrace
{
public:
    static bool Enabled();
    static void SetEnabled(bool on);
    // printf-style fields, as the trace texts are written.
    static void Write(std::string_view format, std::initializer_list<CMsgArg> args = {});
};
