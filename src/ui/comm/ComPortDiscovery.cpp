#include "ui/comm/ComPortDiscovery.h"

#include <QSerialPortInfo>

std::vector<DiscoveredPort> DiscoverComPorts()
{
    std::vector<DiscoveredPort> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        DiscoveredPort port;
        port.name = info.portName().toStdString();
        port.systemLocation = info.systemLocation().toStdString();
        port.description = info.description().trimmed().toStdString();
        port.manufacturer = info.manufacturer().trimmed().toStdString();
        port.byIdPath = ComPortList::ByIdPathFor(port.systemLocation);
        ports.push_back(std::move(port));
    }
    return ports;
}

ComPortList BuildComPortList()
{
    return ComPortList(DiscoverComPorts());
}
