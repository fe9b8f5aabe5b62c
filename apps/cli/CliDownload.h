#pragma once
// The safe download of one meter as the command line runs it, for a single
// meter and for each meter of a line.

#include "CliSupport.h"

#include "jobs/MeterLine.h"

class CModbusInterface;

namespace cli {

class CancelWatch;
class ProgressBar;

// download's options: --keep-link / --no-keep-link (else `keepLinkByDefault`),
// --no-backup, --no-verify; `file` for the change log.
SSafeDownloadOptions SafeDownloadOptions(const Invocation& inv, bool keepLinkByDefault, const std::string& file);

// The core's safe download of one meter with the bar over both stages and
// Ctrl-C as its cancel. Failures raise CPrivateException (a cancelled call:
// an empty text).
DownloadEnd RunSafeDownload(CModbusInterface& link, CSafeDownload& job, bool dryRun, ProgressBar& bar,
                            const CancelWatch& watch);

// The sentence on a finished download: what was changed, verified or not,
// and where the previous settings are kept.
std::string DownloadedText(const CSafeDownload& job);
// "Verification failed: ..." and the backup sentence.
std::string MismatchText(const CSafeDownload& job);
// "  group<TAB>name<TAB>meter value<TAB>new value" per change.
std::string ChangeLines(const std::vector<SParameterChange>& changes);

} // namespace cli
