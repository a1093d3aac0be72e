// The fixture of a suite whose tests share one Xvfb with an 8-bit
// PseudoColor screen, started before its first test and stopped after its
// last. Base is the GoogleTest fixture to build on (TestWithParam<...>).
#pragma once

#include <gtest/gtest.h>

#include "support/xvfb.h"

template <typename Base = ::testing::Test>
class EightBitXvfbSuite : public Base {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(xvfb_start(&server, "640x480x8")); }
    static void TearDownTestSuite() { xvfb_stop(&server); }
    static Xvfb server;
};

template <typename Base>
Xvfb EightBitXvfbSuite<Base>::server;
