// The real program on small data trees: what document scripts write to the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/quillmereRun.h"

// Runs the program on a copy of the data tree (if any) and returns the log.
// The source tree never receives a log.
static std::string runGame(const std::string &dataCase, int steps, int *exitCode) {
    std::string folder = quillmere_makeFolder(dataCase.empty() ? "" : "script/data/" + dataCase);
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", std::to_string(steps)});
    *exitCode = run.exitCode;
    std::filesystem::remove_all(folder);
    return run.log;
}

TEST(ScriptIntegration, DocumentScriptsRunInOrderAcrossDocuments) {
    int exitCode = -1;
    std::string log = runGame("documents", 60, &exitCode);
    EXPECT_EQ(exitCode, 0);
    // The second load request wins and waits for the rest of the document's
    // scripts; the failing script stops only itself, and its error is logged
    // where it happened; the CR-only document runs.
    size_t first = log.find("index\t1\tnil\ttrue\n");
    size_t rest = log.find("index\t2\nbefore error\nScript error: ");
    size_t after = log.find(":1: deliberate\nindex\t3\nsecond\t6\n");
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(rest, std::string::npos) << log;
    EXPECT_NE(after, std::string::npos) << log;
    EXPECT_LT(first, rest);
    EXPECT_LT(rest, after);
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
