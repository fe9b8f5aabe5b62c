"""An independent Modbus RTU peer: pymodbus serving one register block for
both input registers (function 4) and holding registers (function 16)."""
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server import StartSerialServer
from pymodbus.transaction import ModbusRtuFramer

port, baud, parity, unit = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
# pymodbus blocks are addressed one above the wire address.
block = ModbusSequentialDataBlock(1, [0] * 10000)
block.setValues(101, [11, 22, 33])
slave = ModbusSlaveContext(di=block, co=block, hr=block, ir=block, zero_mode=False)
context = ModbusServerContext(slaves={unit: slave}, single=False)
StartSerialServer(context=context, framer=ModbusRtuFramer, port=port, baudrate=baud,
                  parity=parity, stopbits=1, bytesize=8, timeout=0.05)
