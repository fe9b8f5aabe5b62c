// Several meters on one line: address lists, the download that keeps each
// meter's link settings, what a job finds out about a meter it refuses, and
// the scan along the line, against the simulator serving a bus.
#include "DistinctImage.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/Trace.h"
#include "comm/AddressList.h"
#include "comm/ModbusInterface.h"
#include "jobs/BusScan.h"
#include "jobs/TransferJobs.h"
#include "model/BlockTable.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

CRegisterImage Edited(int code)
{
    CRegisterImage image = DistinctImage(code, 0x2200, 5);
    image.SetWord(76, 0); // the meter's word order
    return image;
}

std::vector<std::uint16_t> ReadRegisters(CModbusInterface& link, unsigned reg, unsigned count)
{
    std::vector<std::uint16_t> v(count);
    link.Open();
    link.ReadHoldingRegisters(reg, count, v.data());
    link.Close();
    return v;
}

std::vector<SScanFinding> Scan(CModbusInterface& link, const SScanOptions& options, TransferResult* result = nullptr,
                               const std::function<bool(int)>& progress = nullptr)
{
    std::vector<SScanFinding> found;
    const TransferResult r = ScanBus(link, options, progress, [&](const SScanFinding& f) { found.push_back(f); });
    if (result)
        *result = r;
    return found;
}

} // namespace

TEST(AddressList, WrittenOrderEachAddressOnceAndEveryOtherFormRefused)
{
    EXPECT_EQ(ParseAddressList("1-8,12,15"), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 12, 15}));
    EXPECT_EQ(ParseAddressList("247"), (std::vector<int>{247}));
    EXPECT_EQ(ParseAddressList("9,3-4,3,9"), (std::vector<int>{9, 3, 4}));
    EXPECT_EQ(ParseAddressList("5-5"), (std::vector<int>{5}));
    EXPECT_EQ(ParseAddressList("1-247")->size(), 247u);
    for (const char* bad : {"", ",", "1,", ",1", "0", "248", "1-248", "8-1", "1--3", "-3", "3-", "a", "1;2", " 1", "1 ",
                            "+1", "0x10", "1-2-3", "99999999999"})
        EXPECT_FALSE(ParseAddressList(bad).has_value()) << bad;
}

TEST(BusDownload, KeepingTheLinkWritesTheMeterItsOwnAddressAndLineBack)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    // The meter's own link settings: address 9 at 4800 bit/s, even parity,
    // two stop bits.
    const std::uint16_t own[4] = {9, 2, 2, 1};
    link.Open();
    link.WriteMultipleRegisters(7000, 4, own);
    link.Close();

    const CRegisterImage golden = Edited(15);
    SDownloadOptions keep;
    keep.keepLink = true;
    SMeterFindings findings;
    ASSERT_TRUE(RunDownload(link, golden, nullptr, nullptr, keep, &findings));
    EXPECT_TRUE(findings.identityRead);
    EXPECT_EQ(findings.identity.Code(), 15);
    CRegisterImage back;
    ASSERT_TRUE(RunUpload(link, back, nullptr));
    for (int w = 0; w < CRegisterImage::kWordCount; ++w) {
        const bool linkWord = w >= kLinkFirstWord && w < kLinkFirstWord + kLinkWordCount;
        EXPECT_EQ(back.GetWord(w), linkWord ? own[w - kLinkFirstWord] : golden.GetWord(w)) << "word " << w;
    }

    // The whole image, as the window's Download sends it.
    ASSERT_TRUE(RunDownload(link, golden, nullptr));
    EXPECT_EQ(ReadRegisters(link, 7000, 4), (std::vector<std::uint16_t>{golden.GetWord(70), golden.GetWord(71),
                                                                        golden.GetWord(72), golden.GetWord(73)}));

    CRegisterImage to;
    to.ResetForModel(15, true);
    CopyLinkSettings(back, to);
    EXPECT_EQ(to.GetWord(70), 9);
    EXPECT_EQ(to.GetWord(73), 1);
    EXPECT_EQ(to.GetWord(74), CRegisterImage().GetWord(74)); // T1.5 is not a link word
}

TEST(BusDownload, AModelWithoutTheModbusOptionHasNoLinkToKeep)
{
    SimProcess sim({"--model", "0", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    SDownloadOptions keep;
    keep.keepLink = true;
    CTrace::SetEnabled(true);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(RunDownload(link, Edited(0), nullptr, nullptr, keep));
    const std::string trace = testing::internal::GetCapturedStderr();
    CTrace::SetEnabled(false);
    EXPECT_EQ(trace.find("adrs=7001"), std::string::npos) << trace;
}

TEST(BusDownload, WhatAJobFoundOutTellsARefusalFromALinkFailure)
{
    const std::string wrap = "Communication error. Please check device address, pc communication port setting, cable, "
                             "device power.\r\rError Information:\r";
    SimProcess sim({"--model", "0", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    SMeterFindings findings;
    const std::string refused = FailureOf([&] { RunDownload(link, Edited(15), nullptr, nullptr, {}, &findings); });
    EXPECT_EQ(refused, wrap + "The settings of a different device cannot be downloaded.");
    EXPECT_EQ(CommunicationErrorDetail(refused), "The settings of a different device cannot be downloaded.");
    EXPECT_TRUE(findings.identityRead);
    EXPECT_EQ(findings.identity.Code(), 0);

    // A pair that names no model is noted as read, then refused.
    SimProcess odd({"--tcp", "0", "--identity", "2001:12"});
    CModbusInterface oddLink(SimTcp(odd));
    CRegisterImage image;
    EXPECT_EQ(CommunicationErrorDetail(FailureOf([&] { RunUpload(oddLink, image, nullptr, nullptr, &findings); })),
              "This device is not supported. (device id=2001, extension id=12)");
    EXPECT_TRUE(findings.identityRead);
    EXPECT_FALSE(findings.identity.IsKnown());
    EXPECT_EQ(findings.identity.ExtensionId(), 12);

    SimProcess silent({"--model", "15", "--tcp", "0", "--drop", "1"});
    ComSettings quick = SimTcp(silent);
    CModbusInterface dead(quick);
    CModbusInterface::SCallPolicy policy;
    policy.attempts = 1;
    policy.timeoutMs = 50;
    dead.SetCallPolicy(policy);
    SMeterFindings none;
    const std::string timeout = FailureOf([&] { RunUpload(dead, image, nullptr, nullptr, &none); });
    EXPECT_EQ(CommunicationErrorDetail(timeout),
              "Modbus command failed. command=ReadHoldingRegister address=7007 size=1 reason=timeout.");
    EXPECT_FALSE(none.identityRead);
    // A text without the wrapper is its own detail.
    EXPECT_EQ(CommunicationErrorDetail("Communication port X can not be opened."),
              "Communication port X can not be opened.");
}

TEST(BusScan, FindsExactlyTheMetersOnAnRtuLineAndTellsOtherDevicesApart)
{
    // Meters of two models at 2, 5 and 6; at 8 a device that answers every
    // request with exception 1 (not a meter of ours); 1, 3, 4 and 7 empty.
    SimProcess sim({"--units", "2,5,6,8", "--model", "15", "--rtu", "--parity", "none", "--unit", "5", "--model", "44",
                    "--unit", "8", "--exception", "1"});
    CModbusInterface link(SimRtu(sim));
    SScanOptions options;
    options.from = 1;
    options.to = 9;
    std::vector<int> asked;
    TransferResult result;
    const auto found = Scan(link, options, &result, [&](int a) {
        asked.push_back(a);
        return true;
    });
    EXPECT_EQ(result, TransferResult::Completed);
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].address, 2);
    EXPECT_TRUE(found[0].IsMeter());
    EXPECT_EQ(found[0].identity.Code(), 15);
    EXPECT_EQ(found[1].address, 5);
    EXPECT_EQ(found[1].identity.Code(), 44);
    EXPECT_EQ(found[2].address, 6);
    EXPECT_EQ(found[2].identity.Code(), 15);
    EXPECT_EQ(found[3].address, 8);
    EXPECT_FALSE(found[3].IsMeter());
    EXPECT_FALSE(found[3].identityRead);
    EXPECT_EQ(found[3].message,
              "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=receive exception 1.");
    // The link is left as it was given.
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.Settings().Address, 1);
    EXPECT_EQ(link.CallPolicy().attempts, 0);

    // Stopped from the progress: what was found so far stays found.
    const auto part = Scan(link, options, &result, [](int a) { return a < 4; });
    EXPECT_EQ(result, TransferResult::Cancelled);
    ASSERT_EQ(part.size(), 1u);
    EXPECT_EQ(part[0].address, 2);
}

TEST(BusScan, OverTcpTheUnitsOfOneGatewayAndAnIdentityOfNoModel)
{
    SimProcess sim({"--units", "3,4", "--tcp", "0", "--model", "7"});
    CModbusInterface link(SimTcp(sim));
    // The other units are answered as by a gateway whose line is silent.
    SScanOptions options;
    options.from = 1;
    options.to = 6;
    const auto found = Scan(link, options);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].address, 3);
    EXPECT_EQ(found[0].identity.Code(), 7);
    EXPECT_EQ(found[1].address, 4);
    EXPECT_EQ(ScanTimeout(link.Settings()), 300u);

    SimProcess odd({"--units", "2", "--tcp", "0", "--identity", "2001:12"});
    CModbusInterface oddLink(SimTcp(odd));
    const auto unknown = Scan(oddLink, options);
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_TRUE(unknown[0].identityRead);
    EXPECT_FALSE(unknown[0].IsMeter());
    EXPECT_EQ(unknown[0].message, "This device is not supported. (device id=2001, extension id=12)");

    // Nothing listening: the link's own failure, not an empty line.
    SimProcess gone({"--tcp", "0"});
    ComSettings closed = SimTcp(gone);
    gone.Stop();
    CModbusInterface none(closed);
    EXPECT_EQ(FailureOf([&] { Scan(none, options); }), "Modbus-TCP Error. Connection refused");
}

TEST(BusScan, TheTimeOutFollowsTheLineSpeed)
{
    // The request and the answer of two registers on the wire, and 40 ms.
    EXPECT_EQ(ScanTimeout(Rs485Settings("x", 5)), 40u + 17u * 17000u / 38400u);
    EXPECT_EQ(ScanTimeout(Rs485Settings("x", 3)), 40u + 17u * 17000u / 9600u);
    EXPECT_EQ(ScanTimeout(Rs485Settings("x", 0)), 40u + 17u * 17000u / 1200u);
}
