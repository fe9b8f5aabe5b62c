#include "model/BlockTable.h"
#include "model/RegisterImage.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <stdexcept>

namespace {

using TP = CRegisterImage::TripPoint;
constexpr int kBankSwitching = 85, kBankNo = 86;

CRegisterImage ImageFor(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    return image;
}

// Setpoint of a trip point in bank 1, or "off" when its enable word is 0.
std::string Bank1(const CRegisterImage& image, TP tp)
{
    if (image.GetWord(CRegisterImage::BankEnableWord(1, tp)) == 0)
        return "off";
    return std::to_string(image.GetLong(CRegisterImage::BankSetpointWord(1, tp)));
}

} // namespace

TEST(RegisterImageFactory, HoldsFactoryValuesAndModelZero)
{
    // clang-format off
    const std::map<int, std::uint16_t> expected = {
        {2, 10000}, {4, 50000 & 0xFFFF}, {5, 50000 >> 16}, {6, 0xB1E0}, {7, 0xFFFF}, {8, 20000},
        {10, 3}, {11, 1}, {12, 1}, {28, 1}, {31, 1}, {32, 0xB1E0}, {33, 0xFFFF}, {34, 20000},
        {36, 15}, {37, 5}, {42, 2}, {43, 5}, {45, 1}, {47, 1}, {52, 1}, {53, 1}, {54, 1}, {55, 1},
        {60, 4}, {62, 0xB1E0}, {63, 0xFFFF}, {64, 20000}, {68, 100000 & 0xFFFF}, {69, 100000 >> 16},
        {70, 1}, {71, 5}, {72, 1}, {74, 15}, {75, 35}, {83, 1}, {86, 1},
        {183, 1}, {184, 1}, {189, 1}, {190, 1}, {196, 1}, {202, 1}};
    // clang-format on
    CRegisterImage image;
    for (int w = 0; w < CRegisterImage::kWordCount; ++w) {
        auto it = expected.find(w);
        EXPECT_EQ(image.GetWord(w), it == expected.end() ? 0 : it->second) << "word " << w;
    }
    EXPECT_EQ(image.Identity(), CDeviceType(2001, 0));
}

TEST(RegisterImageLayout, LongValuesAreLowWordFirstTwosComplement)
{
    CRegisterImage image;
    image.SetLong(88, -20000);
    EXPECT_EQ(image.GetWord(88), 0xB1E0);
    EXPECT_EQ(image.GetWord(89), 0xFFFF);
    for (std::int32_t v : {INT_MIN, INT_MAX, -1, 65536}) {
        image.SetLong(209, v);
        EXPECT_EQ(image.GetLong(209), v);
    }
    const CRegisterImage before = image;
    EXPECT_THROW(image.GetWord(211), std::out_of_range);
    EXPECT_THROW(image.SetWord(-1, 1), std::out_of_range);
    EXPECT_THROW(image.SetLong(210, 1), std::out_of_range); // its high word would be 211
    EXPECT_EQ(image, before);
}

TEST(RegisterImageLayout, WordSwapExchangesOnlyThePairsOfLongRows)
{
    CRegisterImage image;
    image.SetLong(88, -20000);
    const SRegisterBlock& llSetpoint = kBlockTable[22];
    ASSERT_EQ(llSetpoint.reg, 4102);
    std::uint16_t regs[2] = {};
    LoadBlockRegisters(image, llSetpoint, true, regs);
    EXPECT_EQ(regs[0], 0xFFFF); // register 4102: high word first
    EXPECT_EQ(regs[1], 0xB1E0);
    LoadBlockRegisters(image, llSetpoint, false, regs);
    EXPECT_EQ(regs[0], 0xB1E0);

    CRegisterImage read;
    const std::uint16_t wire[8] = {0x0001, 0x0002, 0xFFFF, 0xFFFE, 0, 100, 0, 7};
    StoreBlockRegisters(read, kBlockTable[10], true, wire); // four values at 13-20
    EXPECT_EQ(read.GetLong(13), 0x00010002);
    EXPECT_EQ(read.GetLong(15), -2);
    EXPECT_EQ(read.GetLong(19), 7);
    StoreBlockRegisters(read, kBlockTable[0], true, wire); // 16-bit rows keep their order
    EXPECT_EQ(read.GetWord(45), 1);
    EXPECT_EQ(read.GetWord(46), 2);
}

TEST(RegisterImageBank, CurrentBankAndTripPointWords)
{
    CRegisterImage image;
    image.SetWord(kBankNo, 3);
    EXPECT_EQ(image.CurrentBank(), 1); // switching off
    image.SetWord(kBankSwitching, 2);
    EXPECT_EQ(image.CurrentBank(), 1); // enabled by Modbus
    image.SetWord(kBankSwitching, 1);
    EXPECT_EQ(image.CurrentBank(), 3);
    // A bank number from a file or meter must not lead beyond the bank words.
    for (std::uint16_t bad : {0, 9, 0xFFFF}) {
        image.SetWord(kBankNo, bad);
        EXPECT_EQ(image.CurrentBank(), 1) << bad;
    }
    const int detail[] = {201, 195, 205, 189, 183}; // HH, H, P, L, LL
    for (int tp = TP::TripHH; tp <= TP::TripLL; ++tp)
        EXPECT_EQ(CRegisterImage::DetailBlockWord(TP(tp)), detail[tp]);
    EXPECT_EQ(CRegisterImage::BankEnableWord(2, TP::TripH), 105);
    EXPECT_EQ(CRegisterImage::BankSetpointWord(8, TP::TripHH), 181); // last bank pair 181-182
    EXPECT_THROW(CRegisterImage::BankEnableWord(1, TP::TripP), std::out_of_range);
}

TEST(RegisterImageReset, KeepsWordsOnlyForTheSameInputKind)
{
    CRegisterImage image = ImageFor(1); // voltage, four relays
    image.SetWord(40, 7);
    image.ResetForModel(5, false); // voltage, BCD output: only the identity changes
    EXPECT_EQ(image.Identity(), CDeviceType(2001, 32));
    EXPECT_EQ(image.GetWord(40), 7);
    image.ResetForModel(154, false); // no such model: nothing changes
    EXPECT_EQ(image.Identity().Code(), 5);
    EXPECT_EQ(image.GetWord(40), 7);

    image.ResetForModel(23, false); // current input: everything resets
    EXPECT_EQ(image, ImageFor(23));
    image.SetWord(40, 7);
    image.ResetForModel(24, true); // forced
    EXPECT_EQ(image.GetWord(40), 0);

    CRegisterImage ac = ImageFor(111); // AC voltage -> AC current, both without kind text
    ac.SetWord(40, 7);
    ac.ResetForModel(133, false);
    EXPECT_EQ(ac.GetWord(40), 0);
}

TEST(RegisterImageReset, DefaultsByInputKind)
{
    // Words: input type, decimal point, then the zero/span of the four pairs.
    struct Case
    {
        int code;
        int type, dp;
        std::int32_t in0, in1, disp0, disp1, bar0, bar1;
    } cases[] = {
        {23, 0, 3, 4000, 20000, 4000, 20000, 4000, 20000},      // DC current
        {1, 0, 4, 10000, 50000, 10000, 50000, 10000, 50000},    // DC voltage
        {45, 1, 3, 10000, 50000, -20000, 20000, 0, 10000},      // TC: scaling stays factory
        {67, 2, 3, 10000, 50000, -20000, 20000, 0, 10000},      // RTD
        {89, 0, 2, 10000, 50000, -10000, 10000, -10000, 10000}, // PTM: input scaling stays
        {111, 3, 2, 0, 20000, 0, 20000, 0, 20000},              // AC voltage
        {133, 3, 2, 0, 20000, 0, 20000, 0, 20000},              // AC current
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CRegisterImage image = ImageFor(c.code);
        EXPECT_EQ(image.GetWord(0), c.type);
        EXPECT_EQ(image.GetWord(10), c.dp);
        EXPECT_EQ(image.GetLong(2), c.in0);
        EXPECT_EQ(image.GetLong(4), c.in1);
        EXPECT_EQ(image.GetLong(6), c.disp0);
        EXPECT_EQ(image.GetLong(8), c.disp1);
        EXPECT_EQ(image.GetLong(32), c.bar0);
        EXPECT_EQ(image.GetLong(34), c.bar1);
        EXPECT_EQ(image.GetLong(62), c.bar0); // analog output follows the bargraph
        EXPECT_EQ(image.GetLong(64), c.bar1);
        const bool temperature = c.type == 1 || c.type == 2;
        EXPECT_EQ(image.GetLong(13), 0);                                              // input adjust X A
        EXPECT_EQ(image.GetLong(15), c.type == 1 ? 100000 : c.type == 2 ? 80000 : 0); // X B
        EXPECT_EQ(image.GetWord(44), temperature ? 1 : 0);                            // decimal fractions
    }
}

TEST(RegisterImageReset, AlarmSetpointsInBankOneByKindAndOption)
{
    struct Case
    {
        int code;
        const char *h, *l, *hh, *ll;
    } cases[] = {
        {1, "38000", "22000", "46000", "14000"}, // DC voltage, four relays
        {23, "15200", "8800", "18400", "5600"},  // DC current, four relays
        {46, "7000", "3000", "off", "off"},      // TC, two SPDT relays
        {71, "7000", "3000", "8000", "2000"},    // RTD, BCD output
        {89, "4000", "-4000", "8000", "-8000"},  // PTM, four relays
        {135, "14000", "6000", "18000", "2000"}, // AC current, photo-MOS x 4
        {0, "off", "off", "off", "off"},         // no alarm option
        {4, "off", "off", "off", "off"},         // Modbus only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CRegisterImage image = ImageFor(c.code);
        EXPECT_EQ(Bank1(image, TP::TripH), c.h);
        EXPECT_EQ(Bank1(image, TP::TripL), c.l);
        EXPECT_EQ(Bank1(image, TP::TripHH), c.hh);
        EXPECT_EQ(Bank1(image, TP::TripLL), c.ll);
    }
    // Bank 1 even when the old image had another bank in force.
    CRegisterImage image = ImageFor(45);
    image.SetWord(kBankSwitching, 1);
    image.SetWord(kBankNo, 3);
    image.ResetForModel(1, false);
    EXPECT_EQ(Bank1(image, TP::TripH), "38000");
    EXPECT_EQ(image.GetWord(CRegisterImage::BankEnableWord(3, TP::TripH)), 0);
}
