// Every test program starts here. Tests need no display and no sound card: they
// get the offscreen video driver (a real GL context on Mesa), OpenAL Soft's
// silent null device and no dialogs, whatever the calling shell has set.
// Programs a test starts inherit the same (a test may override it for them).
// Each test program also gets a temporary folder of its own, so test programs
// run side by side never write the same file under the same name.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char **argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("QUILLMERE_NONINTERACTIVE", "1", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);

    std::string base = std::filesystem::temp_directory_path().string() + "/quillmere-test-XXXXXX";
    char *folder = mkdtemp(base.data());
    if (folder) setenv("TEST_TMPDIR", folder, 1);  // what ::testing::TempDir() answers

    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (folder) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    return result;
}
