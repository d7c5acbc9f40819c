#include <gtest/gtest.h>

#include "toolkit/Color.h"

using namespace tk;

TEST(Color, ArgbPlacesOpacityAndSwapsRedAndBlue) {
    EXPECT_EQ(ArgbFromRGB(33023, 255), 0xFFFF8000u);
}
