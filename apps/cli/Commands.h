#pragma once
// The commands of v6uvuv-cli; each returns the exit status.

#include "CliReportPdf.h"
#include "CliSupport.h"

#include "model/RegisterImage.h"

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
int CmdScan(const Invocation& inv);
int CmdHistory(const Invocation& inv);
int CmdApply(const Invocation& inv);

// upload, download and report --compare-device for an address list (and
// upload and download with --json): one meter after the other, each with its
// own result, and a summary.
int FleetUpload(const Invocation& inv);
int FleetDownload(const Invocation& inv, const CRegisterImage& image);
int FleetReport(const Invocation& inv, const CRegisterImage& file, const PdfSession& pdf);
} // namespace cli
