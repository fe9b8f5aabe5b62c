#include "app/PrivateException.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceType.h"
#include "model/ModelList.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(DeviceTypeIdentity, ExampleRowsAndUnknownPairs)
{
    struct
    {
        int code;
        std::int16_t dev, ext;
        std::uint32_t flags;
    } rows[] = {
        {0, 2001, 0, 0x85000001}, {12, 2001, 5, 0x950D0001}, {53, 2002, 164, 0xCB0C0002}, {153, 2005, 113, 0xF5110010}};
    for (const auto& r : rows) {
        EXPECT_EQ(CDeviceType(r.dev, r.ext).Code(), r.code);
        EXPECT_EQ(CDeviceType(r.dev, r.ext).CapabilityFlags(), r.flags) << r.code;
        EXPECT_EQ(CDeviceType::FromCode(r.code), CDeviceType(r.dev, r.ext));
    }
    // Two alarm options at once: no such model.
    CDeviceType unknown(2001, 12);
    EXPECT_EQ(unknown.Code(), 0);
    EXPECT_EQ(unknown.CapabilityFlags(), 0u);
    EXPECT_EQ(unknown.InputKindTextId(), 0u);
    EXPECT_EQ(unknown.ModelName() + unknown.ModelDescription(), "");
    unknown.SetByCode(154);
    unknown.SetByCode(-1);
    EXPECT_EQ(unknown, CDeviceType(2001, 12));

    EXPECT_EQ(CDeviceType(2001, 132).CapabilityFlags(), CDeviceType(2001, 4).CapabilityFlags()); // photo-MOS
    // AC voltage and AC current: no kind text, yet different kinds.
    EXPECT_EQ(CDeviceType(2005, 0).InputKindTextId(), 4225u);
    EXPECT_EQ(CDeviceType(2005, 16).InputKindTextId(), 4226u);
}

TEST(DeviceTypeIdentity, IdentifyFromRefusesUnknownPairsWithIdsAsRead)
{
    auto error = [](std::uint16_t dev, std::uint16_t ext) -> std::string {
        CDeviceType type;
        try {
            type.IdentifyFrom(dev, ext);
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return "accepted code " + std::to_string(type.Code());
    };
    EXPECT_EQ(error(2002, 164), "accepted code 53");
    EXPECT_EQ(error(2001, 12), "This device is not supported. (device id=2001, extension id=12)");
    EXPECT_EQ(error(0xFFFF, 0x8000), "This device is not supported. (device id=65535, extension id=32768)");
}

TEST(DeviceTypeDescription, Examples)
{
    auto description = [](int code) { return CDeviceType::FromCode(code).ModelDescription(); };
    EXPECT_EQ(description(0), "V6ED-10o0 Voltage input");
    EXPECT_EQ(description(12), "Z6OR-11u1 Voltage input, Dc output x 1, Alarm: N.O. relay x 4");
    EXPECT_EQ(description(110), "V6IZU-10d0 ");
    EXPECT_EQ(description(53), "V6AV-0i9 TC input, Alarm: N.O.photo MOS relay x 4, BCD output");
    EXPECT_EQ(description(98), "Z6IZ-10A PTM input, Event trigger input, BCD output");
    EXPECT_EQ(description(153), "V6IRO-21vA , Dc output x 1, Event trigger input, BCD output");
    EXPECT_EQ(CDeviceType::FromCode(87).ModelName(), "D6ID-1i");
}

TEST(DeviceTypeModelList, OneLinePerModel)
{
    std::istringstream in(FormatModelList());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 154u);
    EXPECT_EQ(lines[0], "0\t2001\t0\t0x85000001\tV6ED-10o0 Voltage input");
    EXPECT_EQ(lines[12], "12\t2001\t5\t0x950D0001\tZ6OR-11u1 Voltage input, Dc output x 1, Alarm: N.O. relay x 4");
    EXPECT_EQ(lines[153], "153\t2005\t113\t0xF5110010\tV6IRO-21vA , Dc output x 1, Event trigger input, BCD output");
}
