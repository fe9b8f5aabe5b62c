// Identify against a scripted meter on a real pseudo-terminal.
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "model/DeviceType.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(DeviceTypeIdentify, ReadsBothIdentityRegistersAndRefusesUnknownPairs)
{
    PtyPair pty;
    FakeMeter meter{pty.Master()};
    CModbusInterface modbus(Rs485Settings(pty.SlavePath()));
    modbus.Open();

    meter.Register(9600) = 2001;
    meter.Register(9601) = 5;
    CDeviceType type;
    type.Identify(modbus);
    EXPECT_EQ(type.Code(), 12);
    auto requests = meter.Requests();
    ASSERT_EQ(requests.size(), 2u);
    // Register 9600 (0x2580) then 9601, one register each.
    EXPECT_EQ(Bytes(requests[0].begin() + 2, requests[0].begin() + 6), (Bytes{0x25, 0x80, 0x00, 0x01}));
    EXPECT_EQ(Bytes(requests[1].begin() + 2, requests[1].begin() + 6), (Bytes{0x25, 0x81, 0x00, 0x01}));

    meter.Register(9601) = 12;
    try {
        type.Identify(modbus);
        ADD_FAILURE() << "accepted an unknown pair";
    } catch (const CPrivateException& e) {
        EXPECT_EQ(e.Text(), "This device is not supported. (device id=2001, extension id=12)");
    }
}
