// Commands on single registers and on the model tables.
#include "Commands.h"

#include "CliCancel.h"
#include "CliJson.h"

#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "model/DeviceType.h"
#include "model/ModelList.h"
#include "model/ParameterEnumeration.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {
// Registers per request: the most a Modbus read or write may carry.
constexpr unsigned kReadChunk = 125;
constexpr unsigned kWriteChunk = 123;
} // namespace

int CmdRead(const Invocation& inv)
{
    NeedArgs(inv, 1, 2);
    const unsigned reg = ParseRegister(inv.args[0]);
    unsigned count = 1;
    if (inv.args.size() > 1) {
        auto n = ParseDecimalInteger(inv.args[1]);
        if (!n || *n < 1 || *n > 0x10000 - static_cast<long long>(reg))
            Usage(text::kInvalidCount, {inv.args[1]});
        count = static_cast<unsigned>(*n);
    }
    CModbusInterface client(LinkSettings(inv));
    CancelWatch watch(&client);
    std::vector<std::uint16_t> values(count);
    watch.Run([&] {
        client.Open();
        for (unsigned done = 0; done < count; done += kReadChunk) {
            watch.ThrowIfCancelled();
            client.ReadHoldingRegisters(reg + done, std::min(kReadChunk, count - done), values.data() + done);
        }
        client.Close();
    });
    // Nothing is printed once the user has asked to stop.
    watch.ThrowIfCancelled();
    for (unsigned i = 0; i < count; ++i)
        std::printf("%u %u\n", reg + i, values[i]);
    return 0;
}

int CmdWrite(const Invocation& inv)
{
    NeedArgs(inv, 2, 1 + 0x10000);
    const unsigned reg = ParseRegister(inv.args[0]);
    std::vector<std::uint16_t> values;
    for (std::size_t i = 1; i < inv.args.size(); ++i)
        values.push_back(ParseValue(inv.args[i]));
    const auto count = static_cast<unsigned>(values.size());
    if (reg + count > 0x10000)
        Usage(text::kInvalidCount, {std::to_string(count)});
    CModbusInterface client(LinkSettings(inv));
    CancelWatch watch(&client);
    watch.Run([&] {
        client.Open();
        // After Ctrl-C no further request is sent.
        for (unsigned done = 0; done < count; done += kWriteChunk) {
            watch.ThrowIfCancelled();
            client.WriteMultipleRegisters(reg + done, std::min(kWriteChunk, count - done), values.data() + done);
        }
        client.Close();
    });
    return 0;
}

int CmdIdentify(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    CModbusInterface client(LinkSettings(inv));
    CancelWatch watch(&client);
    CDeviceType identity;
    watch.Run([&] {
        client.Open();
        identity.Identify(client);
        client.Close();
    });
    watch.ThrowIfCancelled();
    if (inv.Flag("--json")) {
        Json document;
        document["address"] = client.Settings().Mode == kModeInfrared ? 1 : client.Settings().Address;
        AddIdentity(document, identity);
        PrintJson(document);
    } else {
        std::printf("%d\t%s\n", identity.Code(), identity.ModelDescription().c_str());
    }
    return 0;
}

int CmdModels(const Invocation& inv)
{
    NeedArgs(inv, 0, 0);
    if (!inv.Flag("--json")) {
        std::fputs(FormatModelList().c_str(), stdout);
        return 0;
    }
    Json models = Json::array();
    for (int code = 0;; ++code) {
        const CDeviceType type = CDeviceType::FromCode(code);
        if (!type.IsKnown())
            break;
        Json m;
        AddIdentity(m, type);
        m["flags"] = type.CapabilityFlags();
        models.push_back(m);
    }
    PrintJson({{"models", models}});
    return 0;
}

int CmdParams(const Invocation& inv)
{
    NeedArgs(inv, 1, 1);
    std::fputs(ParameterListingForModel(ParseModelCode(inv.args[0])).c_str(), stdout);
    return 0;
}

int CmdNew(const Invocation& inv)
{
    NeedArgs(inv, 2, 2);
    CRegisterImage image;
    image.ResetForModel(ParseModelCode(inv.args[0]), true);
    CConfigFile::Save(image, inv.args[1]);
    return 0;
}

} // namespace cli
