#pragma once
// The commands of v6uvuv-cli; each returns the exit status.

#include "CliSupport.h"

namespace cli {
int CmdRead(const Invocation& inv);
int CmdWrite(const Invocation& inv);
int CmdIdentify(const Invocation& inv);
int CmdModels(const Invocation& inv);
int CmdParams(const Invocation& inv);
int CmdNew(const Invocation& inv);
int CmdUpload(const Invocation& inv);
int CmdDownload(const Invocation& inv);
int CmdReport(const Invocation& inv);
int CmdMonitor(const Invocation& inv);
int CmdTag(const Invocation& inv);
int CmdResetMaxMin(const Invocation& inv);
} // namespace cli
