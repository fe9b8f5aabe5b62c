/* A libmodbus client for what mbpoll cannot do: write one register with
 * function 16 (mbpoll sends function 6 for a single value), then read it back
 * with function 4.  Usage: modbus_write1 tcp HOST PORT | rtu DEVICE BAUD PARITY, then UNIT REG VALUE */
#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc < 2 || argc != (strcmp(argv[1], "tcp") == 0 ? 7 : 8)) {
        fprintf(stderr, "usage: %s tcp HOST PORT UNIT REG VALUE | rtu DEVICE BAUD PARITY UNIT REG VALUE\n", argv[0]);
        return 2;
    }
    modbus_t *ctx;
    int arg;
    if (strcmp(argv[1], "tcp") == 0) {
        ctx = modbus_new_tcp(argv[2], atoi(argv[3]));
        arg = 4;
    } else {
        ctx = modbus_new_rtu(argv[2], atoi(argv[3]), argv[4][0], 8, 1);
        arg = 5;
    }
    if (!ctx || modbus_set_slave(ctx, atoi(argv[arg])) != 0 || modbus_connect(ctx) != 0) {
        fprintf(stderr, "connect: %s\n", modbus_strerror(errno));
        return 1;
    }
    int reg = atoi(argv[arg + 1]);
    uint16_t value = (uint16_t)atoi(argv[arg + 2]), back = 0;
    if (modbus_write_registers(ctx, reg, 1, &value) != 1) {
        fprintf(stderr, "write: %s\n", modbus_strerror(errno));
        return 1;
    }
    if (modbus_read_input_registers(ctx, reg, 1, &back) != 1) {
        fprintf(stderr, "read: %s\n", modbus_strerror(errno));
        return 1;
    }
    printf("%u\n", back);
    modbus_close(ctx);
    modbus_free(ctx);
    return 0;
}
