// Every test program starts here. Tests need no display and no sound card: they
// get the offscreen video driver (a real GL context on Mesa), OpenAL Soft's
// silent null device and no dialogs, whatever the calling shell has set.
// Programs a test starts inherit the same (a test may override it for them).

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("QUILLMERE_NONINTERACTIVE", "1", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
