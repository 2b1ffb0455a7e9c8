// The real program on small data trees: what document scripts write to the log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

// Copies the data tree (if any) to a fresh folder, runs the program there and
// returns the log. The source tree never receives a log.
static std::string runGame(const std::string &dataCase, int steps, int *exitCode) {
    fs::path dir = fs::path(::testing::TempDir()) /
                   ("quillmere_script_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (!dataCase.empty())
        fs::copy(fs::path(QUILLMERE_TEST_DATA_DIR) / "script" / "data" / dataCase, dir, fs::copy_options::recursive);
    std::string command = std::string("\"") + QUILLMERE_BINARY + "\" --headless --fixed-step --steps " +
                          std::to_string(steps) + " --data \"" + dir.string() + "\"";
    *exitCode = std::system(command.c_str());
    std::ifstream log(dir / "Log File.txt", std::ios::binary);
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
}

TEST(ScriptIntegration, DocumentScriptsRunInOrderAcrossDocuments) {
    int exitCode = -1;
    std::string log = runGame("documents", 60, &exitCode);
    EXPECT_EQ(exitCode, 0);
    // The second load request wins and waits for the rest of the document's
    // scripts; the failing script stops only itself; the CR-only document runs.
    size_t first = log.find("index\t1\tnil\ttrue\n");
    size_t rest = log.find("index\t2\nbefore error\nindex\t3\nsecond\t6\n");
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(rest, std::string::npos) << log;
    EXPECT_LT(first, rest);
    EXPECT_EQ(log.find("skipped"), std::string::npos);
    EXPECT_EQ(log.find("lower case"), std::string::npos);
    // The atexit hook runs at shutdown, after the run loop.
    size_t video = log.find("Video Card Information");
    size_t atexitLine = log.find("atexit\tran\n");
    EXPECT_NE(atexitLine, std::string::npos) << log;
    EXPECT_LT(video, atexitLine);
}

TEST(ScriptIntegration, MissingStartDocumentLeavesAnEmptyRun) {
    int exitCode = -1;
    std::string log = runGame("", 5, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(log.find("Error: Unable to locate file \"Data/index.xml\"\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Video Card Information"), std::string::npos) << log;
}
