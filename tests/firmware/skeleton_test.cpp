#include <gtest/gtest.h>
#include "firmware/device_harness.h"
TEST(Skeleton, Links) { harness::Start(); EXPECT_EQ(fw.bootState, 0); }
