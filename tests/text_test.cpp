// Text composition and its guards.
#include "support.h"
#include <gtest/gtest.h>
#include <unistd.h>

TEST(Text, ComposesNumbersAndTexts)
{
    freshstate();
    initoutbuf("X:");
    numoutbuf(-5);
    addoutbuf(", tile:");
    numoutbuf(160);
    EXPECT_STREQ(outbuf, "X:-5, tile:160");
    EXPECT_EQ(outbuflen, 14);
}
