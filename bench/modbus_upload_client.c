/* The reference for the whole-process benchmark: a plain libmodbus client
 * that reads the registers an upload reads and writes them to a file, made
 * durable as our save is.
 *
 *   modbus_upload_client HOST PORT OUT REG:COUNT...
 */
#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: %s HOST PORT OUT REG:COUNT...\n", argv[0]);
        return 2;
    }
    modbus_t *ctx = modbus_new_tcp(argv[1], atoi(argv[2]));
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        fprintf(stderr, "connect: %s\n", modbus_strerror(errno));
        return 1;
    }
    FILE *out = fopen(argv[3], "w");
    if (!out) {
        perror(argv[3]);
        return 1;
    }
    uint16_t regs[128];
    for (int i = 4; i < argc; ++i) {
        int reg = 0, count = 0;
        if (sscanf(argv[i], "%d:%d", &reg, &count) != 2 || count < 1 || count > 125) {
            fprintf(stderr, "bad request %s\n", argv[i]);
            return 2;
        }
        if (modbus_read_input_registers(ctx, reg, count, regs) != count) {
            fprintf(stderr, "read %d: %s\n", reg, modbus_strerror(errno));
            return 1;
        }
        for (int j = 0; j < count; ++j)
            fprintf(out, "L%d=%u\n", reg + j, regs[j]);
    }
    modbus_close(ctx);
    modbus_free(ctx);
    if (fflush(out) != 0 || fsync(fileno(out)) != 0 || fclose(out) != 0) {
        perror(argv[3]);
        return 1;
    }
    return 0;
}
