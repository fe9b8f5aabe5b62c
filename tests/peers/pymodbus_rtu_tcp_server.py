"""An independent Modbus peer for RTU over TCP: pymodbus's TCP server with
RTU framing, as a serial device server in transparent mode passes the frames
of the meter behind it. Prints the port it listens on (127.0.0.1).
  pymodbus_rtu_tcp_server.py UNIT [REGISTERS]
REGISTERS: a file of "ADDRESS VALUE" lines (wire addresses) the unit holds,
so that it answers as the meter they were read from."""
import asyncio
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server.async_io import ModbusTcpServer
from pymodbus.transaction import ModbusRtuFramer

unit = int(sys.argv[1])
# pymodbus blocks are addressed one above the wire address.
block = ModbusSequentialDataBlock(1, [0] * 10000)
block.setValues(101, [11, 22, 33])
if len(sys.argv) > 2:
    with open(sys.argv[2]) as registers:
        for line in registers:
            address, value = line.split()
            block.setValues(int(address) + 1, [int(value)])
slave = ModbusSlaveContext(di=block, co=block, hr=block, ir=block, zero_mode=False)
context = ModbusServerContext(slaves={unit: slave}, single=False)


async def main():
    server = ModbusTcpServer(context, ModbusRtuFramer, address=("127.0.0.1", 0))
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    print(server.server.sockets[0].getsockname()[1], flush=True)
    await task


asyncio.run(main())
