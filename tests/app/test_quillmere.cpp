// The real binary, headless, in folders of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/glCommandLine.h"
#include "support/quillmereRun.h"

namespace {

TEST(Quillmere, RunsHeadlessInAnEmptyFolderAndWritesTheLog) {
    std::string folder = quillmere_makeFolder();
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "400"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.log.rfind("Tallowby Log File\n", 0), 0u) << run.log;

    const std::string heading = "\nVideo Card Information\n===== ==== ===========\n";
    size_t block = run.log.find(heading);
    ASSERT_NE(block, std::string::npos) << run.log;
    std::string rest = run.log.substr(block + heading.size());
    size_t vendorEnd = rest.find('\n');
    ASSERT_NE(vendorEnd, std::string::npos);
    std::string vendor = rest.substr(0, vendorEnd);
    std::string renderer = rest.substr(vendorEnd + 1, rest.find('\n', vendorEnd + 1) - vendorEnd - 1);
    EXPECT_FALSE(vendor.empty());
    EXPECT_EQ(vendor.find("no OpenGL"), std::string::npos);
    EXPECT_NE(renderer.find("llvmpipe"), std::string::npos) << "expected Mesa's software renderer, got " << renderer;
    std::filesystem::remove_all(folder);
}

TEST(Quillmere, DataOptionChangesFolderBeforeTheLogOpens) {
    std::string outer = quillmere_makeFolder();
    std::filesystem::create_directory(outer + "/game");
    quillmereRun run = quillmere_run(outer, {"--data", outer + "/game", "--headless", "--fixed-step", "--steps", "3"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(outer + "/game/Log File.txt"));
    EXPECT_FALSE(std::filesystem::exists(outer + "/Log File.txt"));

    run = quillmere_run(outer, {"--data", outer + "/missing"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("missing"), std::string::npos);
    std::filesystem::remove_all(outer);
}

TEST(Quillmere, HelpVersionAndUsageErrors) {
    std::string folder = quillmere_makeFolder();
    quillmereRun run = quillmere_run(folder, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("usage: quillmere"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder + "/Log File.txt"));  // nothing started

    run = quillmere_run(folder, {"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("quillmere ", 0), 0u);

    run = quillmere_run(folder, {"--frobnicate"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("unknown option '--frobnicate'"), std::string::npos);

    run = quillmere_run(folder, {"--data"});
    EXPECT_EQ(run.exitCode, 2);
    std::filesystem::remove_all(folder);
}

TEST(CommandLine, StepsMustBeAWholePositiveNumber) {
    commandLineOptions options;
    FILE *sink = fopen("/dev/null", "w");
    auto parse = [&](std::vector<const char *> args) {
        args.insert(args.begin(), "quillmere");
        return glCommandLine_parse((int)args.size(), const_cast<char **>(args.data()), &options, sink, sink);
    };
    EXPECT_EQ(parse({"--steps", "25", "--fixed-step"}), -1);
    EXPECT_EQ(options.steps, 25u);
    EXPECT_EQ(options.fixedStep, 1);
    EXPECT_EQ(options.headless, 0);
    for (const char *bad : {"0", "-3", "12x", "", "99999999999999999999999"})
        EXPECT_EQ(parse({"--steps", bad}), 2) << bad;
    EXPECT_EQ(parse({"--steps"}), 2);
    // --steps-per-frame implies --fixed-step, in either order.
    EXPECT_EQ(parse({"--steps-per-frame", "8", "--fixed-step"}), -1);
    EXPECT_EQ(options.fixedStep, 8);
    EXPECT_EQ(parse({"--fixed-step", "--steps-per-frame", "1000"}), -1);
    EXPECT_EQ(options.fixedStep, 1000);
    for (const char *bad : {"0", "1001", "-1", "two"}) EXPECT_EQ(parse({"--steps-per-frame", bad}), 2) << bad;
    EXPECT_EQ(parse({}), -1);
    EXPECT_EQ(options.steps, 0u);
    EXPECT_EQ(options.dataDirectory, nullptr);
    EXPECT_EQ(options.record, nullptr);

    EXPECT_EQ(parse({"--record", "a.rec", "--headless"}), -1);
    EXPECT_STREQ(options.record, "a.rec");
    EXPECT_EQ(parse({"--replay", "b.rec"}), -1);
    EXPECT_STREQ(options.replay, "b.rec");
    for (std::vector<const char *> bad : std::vector<std::vector<const char *>>{
             {"--record"}, {"--replay", ""}, {"--record", "a", "--replay", "b"}, {"--replay", "b", "--record", "a"}})
        EXPECT_EQ(parse(bad), 2) << bad[0];
    fclose(sink);
}

TEST(Quillmere, AnUnreadableRecordingIsLoggedAndTheRunGoesOn) {
    std::string folder = quillmere_makeFolder();
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "5", "--replay", "missing.rec"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.log.find("Unable to open \"" + folder), std::string::npos) << run.log;
    run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "5", "--record", "no/such/folder/a.rec"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.log.find("to record input"), std::string::npos) << run.log;
    std::filesystem::remove_all(folder);
}

}  // namespace

namespace {

TEST(Quillmere, ScreenshotOptionWritesTheLastFrameOfAStepsRun) {
    std::string folder = quillmere_makeFolder();
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "5", "--screenshot", "last.tga"});
    EXPECT_EQ(run.exitCode, 0);
    std::string tga = quillmere_readFile(folder + "/last.tga");
    ASSERT_GE(tga.size(), 18u + 640u * 480u * 3u);
    EXPECT_EQ((uint8_t)tga[12] | (uint8_t)tga[13] << 8, 640);  // width
    EXPECT_EQ((uint8_t)tga[14] | (uint8_t)tga[15] << 8, 480);  // height
    std::filesystem::remove_all(folder);
}

}  // namespace
