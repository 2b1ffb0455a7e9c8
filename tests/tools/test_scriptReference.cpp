// The script reference: the engine's own listing of what it gives scripts, and
// docs/scripting.md regenerated from it with no difference.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "support/quillmereRun.h"

namespace {

const std::string kTool = std::string(QUILLMERE_SOURCE_DIR) + "/tools/make_script_reference.py";
const std::string kTexts = std::string(QUILLMERE_SOURCE_DIR) + "/tools/script_reference.txt";

struct toolRun {
    int exitCode;
    std::string out, err;
};

toolRun runTool(const std::string &folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kTool);
    arguments.push_back(QUILLMERE_BINARY);
    int code = quillmere_wait(quillmere_start(folder, arguments, {}, "python3"), 240);
    return {code, quillmere_readFile(folder + "/.stdout"), quillmere_readFile(folder + "/.stderr")};
}

TEST(ScriptReference, TheEngineListsWhatItAddsAndNothingOfLuasOwn) {
    std::string folder = quillmere_makeFolder();
    quillmereRun run = quillmere_run(folder, {"--list-script-functions"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::set<std::string> listed;
    for (std::string line; std::getline(lines, line);) listed.insert(line);

    struct expectation {
        const char *line;
        bool listed;
    };
    const expectation cases[] = {
        {"function loadXMLFile", true},          {"function addSprite", true},
        {"function soundManager_playSoundGroup", true}, {"function console_addString", true},
        {"function print", true},                // replaced by the host
        {"function setSpriteImmobile", true},    {"function activateSpriteEditor", true},
        {"number gMusicEffect 2", true},         {"environment kEnv_Gravity_Y", true},
        {"environment kEnv_CameraSpriteFocus", true},
        {"function tostring", false},            {"function ipairs", false},
        {"table string", false},                 {"string _VERSION Lua 5.1", false},
    };
    for (const expectation &c : cases) EXPECT_EQ(listed.count(c.line), c.listed ? 1u : 0u) << c.line;
    EXPECT_FALSE(std::filesystem::exists(folder + "/Log File.txt"));  // a listing starts no game
    std::filesystem::remove_all(folder);
}

TEST(ScriptReference, TheCommittedReferenceIsUpToDate) {
    std::string folder = quillmere_makeFolder();
    toolRun run = runTool(folder, {"--check"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    std::filesystem::remove_all(folder);
}

// A function without its sentence, or a sentence for a function the engine
// does not have, stops the tool instead of writing a reference that drifts.
TEST(ScriptReference, TextsThatDoNotMatchTheEngineAreRefused) {
    std::string original = quillmere_readFile(kTexts);
    ASSERT_NE(original.find("\naddSprite | "), std::string::npos);
    struct edit {
        std::string text;
        const char *complaint;
    };
    std::string withoutAddSprite = original;
    size_t at = withoutAddSprite.find("\naddSprite | ");
    withoutAddSprite.erase(at + 1, withoutAddSprite.find('\n', at + 1) - at);
    // Lines after "@document" are copied as they stand: additions go before it.
    auto adding = [&](const std::string &line) {
        std::string text = original;
        return text.insert(text.find("\n@document") + 1, line + "\n");
    };
    const edit edits[] = {
        {withoutAddSprite, "addSprite has no sentence"},
        {adding("spawnDragon | Makes a dragon."), "spawnDragon has a sentence but the engine does not register it"},
        {adding("strcmp(<String a>) | Compares."), "strcmp has a usage text"},
    };
    for (const edit &e : edits) {
        std::string folder = quillmere_makeFolder();
        std::ofstream(folder + "/texts.txt") << e.text;
        toolRun run = runTool(folder, {"--check", "--texts", folder + "/texts.txt"});
        EXPECT_EQ(run.exitCode, 2) << e.complaint;
        EXPECT_NE(run.err.find(e.complaint), std::string::npos) << run.err;
        std::filesystem::remove_all(folder);
    }
}

}  // namespace
