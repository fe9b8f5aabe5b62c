# Turns a text file into a C++ source holding its bytes.
# Called as: cmake -DIN=<file> -DOUT=<file.cpp> -DSYMBOL=<name> -P EmbedText.cmake
file(READ "${IN}" content HEX)
# Hex bytes keep everything (UTF-8, quotes, backslashes) exactly as written.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${content}")
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.\n#include <cstddef>\nextern const unsigned char ${SYMBOL}[] = {${body}0x00};\nextern const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;\n")
