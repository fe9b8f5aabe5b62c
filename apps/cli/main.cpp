// v6uvuv-cli: the configuration tool's command line.
#include "Commands.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>

using namespace cli;

int main(int argc, char** argv)
{
    static const std::map<std::string, std::function<int(const Invocation&)>> commands = {
        {"read", CmdRead},     {"write", CmdWrite},     {"identify", CmdIdentify}, {"models", CmdModels},
        {"params", CmdParams}, {"new", CmdNew},         {"upload", CmdUpload},     {"download", CmdDownload},
        {"report", CmdReport}, {"monitor", CmdMonitor}, {"tag", CmdTag},           {"reset-maxmin", CmdResetMaxMin},
        {"scan", CmdScan},     {"history", CmdHistory}, {"apply", CmdApply},
    };
    // The commands that run for each meter of an address list.
    static const std::set<std::string> fleetCommands = {"upload", "download", "report"};
    // A settings value not used is said once, as it is found.
    CSettingsStore::SetWarningSink(
        [](const std::string& warning) { PrintError(LoadMessage(text::kWarning, {warning})); });
    try {
        Invocation inv = ParseCommandLine(argc, argv);
        if (inv.Flag("--version")) {
            std::printf("v6uvuv-cli %s\n", Q6K_PRODUCT_VERSION);
            return 0;
        }
        if (inv.Flag("--help") || inv.command.empty()) {
            FILE* out = inv.Flag("--help") ? stdout : stderr;
            std::fputs(CStringTable::Get(text::kHelp).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpRtuTcp).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpBus).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpSweep).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpPlant).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpCsv).c_str(), out);
            std::fputs(CStringTable::Get(text::kHelpPdf).c_str(), out);
            return inv.Flag("--help") ? 0 : 2;
        }
        auto it = commands.find(inv.command);
        if (it == commands.end())
            Usage(text::kUnknownCommand, {inv.command});
        CheckOptions(inv);
        if (inv.command == "report" && inv.Option("--pdf"))
            HandPdfReportOver(argv);
        if (!fleetCommands.count(inv.command) && inv.command != "scan" && inv.command != "history" &&
            inv.command != "apply")
            NeedOneMeter(inv);
        return it->second(inv);
    } catch (const UsageError& e) {
        PrintError(e.text);
        PrintError(CStringTable::Get(text::kHint));
        return 2;
    } catch (const Cancelled&) {
        PrintError(CStringTable::Get(text::kCancelled));
        return 130;
    } catch (const CCancelled&) {
        PrintError(CStringTable::Get(text::kCancelled));
        return 1;
    } catch (const CPrivateException& e) {
        PrintError(e.Text());
        return 1;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return 1;
    }
}
