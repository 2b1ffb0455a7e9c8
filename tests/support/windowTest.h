// A real GL window (the offscreen driver in tests) shared by the tests of one
// test program: made before its first test, destroyed after its last.
#pragma once

#include <gtest/gtest.h>

#include "platform/glEnvironment.h"

class WindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        glEnvironment_setNonInteractive(1);
        initFullscreen("Quillmere test", 640, 480, 0, 0, 1);
        ASSERT_EQ(getQuitFlag(), 0) << "no GL window";
    }
    static void TearDownTestSuite() { deleteFullscreen(); }
};
