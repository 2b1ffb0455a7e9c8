// The real binary loads a level twenty times in a row with the memory trace on.
// The level (data/levelloads) reads its textures, sound index, sounds and
// sprite definitions again on every load and runs animated sprites that play
// sounds, text, paths and timed changes for ten update steps before it loads
// itself again; bench/levelloads runs the same level a thousand times.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/quillmereRun.h"

namespace {

struct traceLine {
    std::string what;      // "load" or "exit"
    unsigned long tracked;
    std::string document;  // of a load
};

std::vector<traceLine> readTrace(const std::string &path) {
    std::vector<traceLine> lines;
    std::istringstream text(quillmere_readFile(path));
    std::string line;
    while (std::getline(text, line)) {
        traceLine entry{line.substr(0, line.find(' ')), 0, ""};
        size_t tracked = line.find(" tracked="), file = line.find(" file=");
        if (tracked != std::string::npos) entry.tracked = std::stoul(line.substr(tracked + 9));
        if (file != std::string::npos) entry.document = line.substr(file + 6);
        lines.push_back(entry);
    }
    return lines;
}

TEST(LevelLoads, TwentyLoadsInARowLeaveTrackedMemoryWhereTheFirstLeftIt) {
    const int kLoads = 20, kStepsPerLoad = 10;
    std::string folder = quillmere_makeFolder("script/data/levelloads");
    std::string trace = folder + "/trace.txt";
    int pid = quillmere_start(folder, {"--headless", "--fixed-step", "--steps", std::to_string(kLoads * kStepsPerLoad)},
                              {"QUILLMERE_MEMORY_TRACE=" + trace});
    ASSERT_GT(pid, 0);
    int exitCode = quillmere_wait(pid, 300);
    std::string log = quillmere_readFile(folder + "/Log File.txt");
    std::string everything = log + quillmere_readFile(folder + "/.stderr") + quillmere_readFile(folder + "/.stdout");

    // A sanitizer build exits with a status of its own on a leak, and says so.
    EXPECT_EQ(exitCode, 0) << log;
    for (const char *report : {"Sanitizer", "runtime error:"})
        EXPECT_EQ(everything.find(report), std::string::npos) << report << "\n" << log;
    // Script errors (the level prints them) and missing assets would mean the
    // level measured less than it claims.
    for (const char *failure : {"rror", "Unable"}) EXPECT_EQ(log.find(failure), std::string::npos) << log;

    // The start document, then every load of the level, then the exit.
    std::vector<traceLine> lines = readTrace(trace);
    ASSERT_EQ(lines.size(), (size_t)kLoads + 2) << quillmere_readFile(trace);
    EXPECT_EQ(lines.front().document, "Data/index.xml");
    EXPECT_EQ(lines.back().what, "exit");
    unsigned long baseline = lines[1].tracked;
    EXPECT_GT(baseline, lines[0].tracked + 256 * 256 * 4) << "the level's textures were not loaded";
    for (int k = 1; k <= kLoads; k++) {
        EXPECT_EQ(lines[k].what, "load");
        EXPECT_EQ(lines[k].document, "Data/level.xml");
        EXPECT_EQ(lines[k].tracked, baseline) << "tracked bytes after load " << k << " of the level";
    }
    if (!HasFailure()) std::filesystem::remove_all(folder);
}

}  // namespace
