// The monitor's Tag and Max/Min actions against a scripted meter on a real
// pseudo-terminal: the register sequences, and that the link is closed
// whatever happens.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "jobs/TagMaxMin.h"

#include <gtest/gtest.h>

using namespace testsupport;
using Writes = std::vector<std::pair<unsigned, std::vector<std::uint16_t>>>;

namespace {

class TagMaxMin : public ::testing::Test
{
protected:
    PtyPair pty;
    FakeMeter meter{pty.Master()};
    CModbusInterface link{Rs485Settings(pty.SlavePath())};

    // The write requests (function 0x10): address and values.
    Writes WritesSent()
    {
        Writes writes;
        for (const Bytes& r : meter.Requests()) {
            if (r[1] != 0x10)
                continue;
            std::vector<std::uint16_t> values;
            for (unsigned i = 0; i < r[5]; ++i)
                values.push_back(static_cast<std::uint16_t>(r[7 + 2 * i] << 8 | r[8 + 2 * i]));
            writes.emplace_back(r[2] << 8 | r[3], values);
        }
        return writes;
    }
    template <typename F>
    static std::string FailureOf(F call)
    {
        try {
            call();
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return "";
    }
};

std::vector<std::uint16_t> Padded(std::vector<std::uint16_t> units)
{
    units.resize(16, 0);
    return units;
}

} // namespace

TEST_F(TagMaxMin, TagIsWrittenBetweenEnableAndDisableAndReadBack)
{
    for (unsigned i = 0; i < 17; ++i)
        meter.Register(9631 + i) = 'z';
    WriteTag(link, "AB\xC3\xA9");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(WritesSent(), (Writes{{900, {1}}, {9631, Padded({'A', 'B', 0x00E9})}, {900, {0}}}));
    EXPECT_EQ(ReadTag(link), "AB\xC3\xA9");
    EXPECT_FALSE(link.IsOpen());
    const Bytes read = meter.Requests().back();
    EXPECT_EQ((Bytes(read.begin() + 1, read.begin() + 6)), (Bytes{0x04, 0x25, 0x9F, 0x00, 0x10})); // 9631, 16

    // Sixteen units fill every register, with no end mark; a character
    // outside the first plane takes two.
    WriteTag(link, "12345678901234\xF0\x9F\x98\x80");
    EXPECT_EQ(WritesSent()[4].second[14], 0xD83D);
    EXPECT_EQ(WritesSent()[4].second[15], 0xDE00);
    EXPECT_EQ(ReadTag(link), "12345678901234\xF0\x9F\x98\x80"); // not the 'z' after it
}

TEST_F(TagMaxMin, TagThatDoesNotFitIsRefusedBeforeTheLinkOpens)
{
    for (const char* text : {"0123456789ABCDEFG", "123456789012345\xF0\x9F\x98\x80", "bad \xFF byte", "cut \xC3",
                             "\xED\xA0\x80" /* an encoded surrogate */})
        EXPECT_EQ(FailureOf([&] { WriteTag(link, text); }), "The tag must be text of at most 16 characters.") << text;
    EXPECT_TRUE(meter.Requests().empty());
}

TEST_F(TagMaxMin, ResetMaxMinWritesOneToRegister801)
{
    ResetMaxMin(link);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(WritesSent(), (Writes{{801, {1}}}));
}

TEST_F(TagMaxMin, FailureClosesTheLinkAndPassesTheMessageOn)
{
    // The meter refuses the tag registers with exception 2.
    meter.SetResponder([this](const Bytes& req, int) {
        if ((req[2] << 8 | req[3]) == 9631)
            return WithCrc({req[0], static_cast<std::uint8_t>(req[1] | 0x80), 0x02});
        return meter.Answer(req);
    });
    EXPECT_NE(FailureOf([&] { WriteTag(link, "T1"); }).find("command=WriteMultipleRegisters address=9632 size=16"),
              std::string::npos);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_NE(FailureOf([&] { ReadTag(link); }).find("address=9632"), std::string::npos);
    EXPECT_FALSE(link.IsOpen());

    CModbusInterface nowhere{Rs485Settings("/dev/q6k-no-such-port")};
    EXPECT_NE(FailureOf([&] { ResetMaxMin(nowhere); }), "");
    EXPECT_FALSE(nowhere.IsOpen());
}
