#pragma once
// The serial ports this PC really has, as Qt's serial port inventory sees
// them (udev and sysfs; UARTs without hardware behind them are left out).

#include "comm/ComPortList.h"

#include <vector>

std::vector<DiscoveredPort> DiscoverComPorts();

// COM1..COM16 merged with DiscoverComPorts(); a failing inventory leaves the
// plain ports.
ComPortList BuildComPortList();
