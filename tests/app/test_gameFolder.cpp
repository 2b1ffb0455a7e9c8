// The game folder named on the command line: parsing, and the real binary
// running the game found there.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/glCommandLine.h"
#include "support/quillmereRun.h"

namespace {

TEST(GameFolder, ParsesOneFolderGivenEitherWay) {
    struct parseCase {
        std::vector<const char *> args;
        int result;
        const char *folder;  // expected game folder when the parse goes on
    };
    const parseCase cases[] = {
        {{"games/dell"}, -1, "games/dell"},
        {{"--headless", "games/dell", "--steps", "4"}, -1, "games/dell"},
        {{"--data", "games/dell"}, -1, "games/dell"},
        {{}, -1, nullptr},
        {{"one", "two"}, 2, nullptr},
        {{"--data", "one", "two"}, 2, nullptr},
        {{"one", "--data", "two"}, 2, nullptr},
        {{""}, 2, nullptr},
        {{"-x"}, 2, nullptr},
    };
    FILE *sink = fopen("/dev/null", "w");
    for (const parseCase &c : cases) {
        std::vector<const char *> argv = c.args;
        argv.insert(argv.begin(), "quillmere");
        commandLineOptions options;
        int result = glCommandLine_parse((int)argv.size(), const_cast<char **>(argv.data()), &options, sink, sink);
        std::string label = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(result, c.result) << label;
        if (result != -1) continue;
        if (c.folder) {
            EXPECT_STREQ(options.dataDirectory, c.folder) << label;
        } else {
            EXPECT_EQ(options.dataDirectory, nullptr) << label;
        }
    }
    fclose(sink);
}

TEST(GameFolder, TheBinaryRunsTheGameInTheNamedFolder) {
    std::string outer = quillmere_makeFolder();
    std::filesystem::copy(std::string(QUILLMERE_TEST_DATA_DIR) + "/app/data/folder-game", outer + "/game",
                          std::filesystem::copy_options::recursive);
    quillmereRun run = quillmere_run(outer, {"--headless", "--fixed-step", "--steps", "3", "game"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string log = quillmere_readFile(outer + "/game/Log File.txt");
    EXPECT_NE(log.find("folder game runs"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(outer + "/Log File.txt"));

    run = quillmere_run(outer, {"--headless", "no-such-game"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("no-such-game"), std::string::npos);
    std::filesystem::remove_all(outer);
}

}  // namespace
