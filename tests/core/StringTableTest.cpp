#include "app/StringTable.h"
#include <gtest/gtest.h>
TEST(StringTable, Known) { EXPECT_EQ(CStringTable::Get(12003), "timeout"); }
