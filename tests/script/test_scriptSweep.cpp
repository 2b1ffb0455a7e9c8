// Every script function the engine registers, called with bad arguments by the
// real program: no arguments, extra ones, wrong types, dead sprite and texture
// references, negative, huge, NaN and infinite numbers and a 100,000-character
// string, one call per update step (tests/script/data/sweep/Data/sweep.lua).
// The run must end in order, every call must be counted, and every call that
// failed must have failed with a usage text or one of the engine's messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/quillmereRun.h"

namespace {

// The run stops here at the latest; the sweep itself ends it well before.
const int kStepLimit = 40000;

// Lua's own functions (base, io, string, math, table, as the host opens them)
// are not the engine's: their global names go to the level as a Lua table.
std::string libraryNamesScript() {
    lua_State *L = luaL_newstate();
    const luaL_Reg libraries[] = {{"", luaopen_base},
                                  {LUA_IOLIBNAME, luaopen_io},
                                  {LUA_STRLIBNAME, luaopen_string},
                                  {LUA_MATHLIBNAME, luaopen_math},
                                  {LUA_TABLIBNAME, luaopen_table}};
    for (const luaL_Reg &library : libraries) {
        lua_pushcfunction(L, library.func);
        lua_pushstring(L, library.name);
        lua_call(L, 1, 0);
    }
    std::string script = "sweepLibraryNames = {\n";
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX)) {
        if (lua_type(L, -2) == LUA_TSTRING && lua_isfunction(L, -1))
            script += "  [\"" + std::string(lua_tostring(L, -2)) + "\"] = true,\n";
        lua_pop(L, 1);
    }
    lua_close(L);
    return script + "}\n";
}

// An 8 x 8 uncompressed 32-bit TGA in two colours.
void writeImage(const std::string &path) {
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 32, 8};
    for (int i = 0; i < 64; i++) {
        uint8_t level = (i / 8 + i % 8) % 2 ? 255 : 40;
        bytes.insert(bytes.end(), {level, 128, 40, 255});
    }
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

// A twentieth of a second of 8-bit mono sound at 8000 Hz.
void writeSound(const std::string &path) {
    const uint32_t samples = 400;
    auto le32 = [](uint32_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F'};
    for (uint8_t b : le32(36 + samples)) bytes.push_back(b);
    for (char c : std::string("WAVEfmt ")) bytes.push_back((uint8_t)c);
    for (uint8_t b : le32(16)) bytes.push_back(b);
    for (uint8_t b : {1, 0, 1, 0}) bytes.push_back(b);  // PCM, one channel
    for (uint8_t b : le32(8000)) bytes.push_back(b);
    for (uint8_t b : le32(8000)) bytes.push_back(b);
    for (uint8_t b : {1, 0, 8, 0}) bytes.push_back(b);  // one byte a frame, 8 bits
    for (char c : std::string("data")) bytes.push_back((uint8_t)c);
    for (uint8_t b : le32(samples)) bytes.push_back(b);
    for (uint32_t i = 0; i < samples; i++) bytes.push_back(i % 20 < 10 ? 96 : 160);
    std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<std::string> splitTabs(const std::string &line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

// What a failed call may say besides its usage text.
bool isKnownMessage(const std::string &message) {
    static const char *const kEngineMessages[] = {
        "Error: No sprite defined for that reference number",
        "Environment variable does not exist",
        "initSpriteManager: Unable to allocate memory for the requested number of sprites",
    };
    static const char *const kEnginePrefixes[] = {
        "usage: ",
        "setSpriteAnimation: Unable to locate requested animation (",
    };
    for (const char *known : kEngineMessages)
        if (message == known) return true;
    for (const char *prefix : kEnginePrefixes)
        if (message.rfind(prefix, 0) == 0) return true;
    return false;
}

struct sweepResult {
    quillmereRun run;
    std::set<std::string> functions;
    long functionCount = -1, setsPerFunction = -1, calls = -1, steps = -1;
    std::string exitResult;
    std::vector<std::string> unexpected;  // failed calls with other messages
};

sweepResult runSweep() {
    sweepResult result;
    std::string folder = quillmere_makeFolder("script/data/sweep");
    std::ofstream(folder + "/Data/libraryNames.lua") << libraryNamesScript();
    writeImage(folder + "/Data/sweep.tga");
    writeImage(folder + "/Data/sweep-dead.tga");
    writeSound(folder + "/Data/Sounds/victim.wav");
    result.run = quillmere_run(folder, {"--headless", "--fixed-step", "--stats", "--steps", std::to_string(kStepLimit)});
    std::filesystem::remove_all(folder);

    std::stringstream log(result.run.log);
    std::string line;
    while (std::getline(log, line)) {
        std::vector<std::string> fields = splitTabs(line);
        if (fields.empty()) continue;
        if (fields[0] == "sweep-start" && fields.size() == 4) {
            result.functionCount = std::stol(fields[1]);
            result.setsPerFunction = std::stol(fields[2]);
            std::stringstream names(fields[3]);
            std::string name;
            while (names >> name) result.functions.insert(name);
        } else if (fields[0] == "sweep-done" && fields.size() == 4) {
            if (std::stol(fields[1]) != result.functionCount || std::stol(fields[2]) != result.setsPerFunction)
                result.unexpected.push_back("the plan changed during the run: " + line);
            result.calls = std::stol(fields[3]);
        } else if (fields[0] == "sweep-exit" && fields.size() == 2) {
            result.exitResult = fields[1];
        } else if (fields[0] == "sweep-error") {
            if (fields.size() != 3 || !isKnownMessage(fields[2])) result.unexpected.push_back(line);
        } else if (fields[0] == "sweep-failed") {
            result.unexpected.push_back(line);
        }
    }
    size_t stats = result.run.out.find("stats steps=");
    if (stats != std::string::npos) result.steps = std::stol(result.run.out.substr(stats + 12));
    return result;
}

TEST(ScriptSweep, EveryFunctionSurvivesBadArgumentsOnePerUpdateStep) {
    sweepResult sweep = runSweep();
    const std::string &log = sweep.run.log;
    std::string everything = sweep.run.out + sweep.run.err + log;

    EXPECT_EQ(sweep.run.exitCode, 0) << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
    for (const char *report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer"}) {
        size_t at = everything.find(report);
        if (at != std::string::npos) ADD_FAILURE() << everything.substr(at > 300 ? at - 300 : 0, 1500);
    }

    // Every function got every set: the sweep cannot stop early unseen.
    ASSERT_GT(sweep.functionCount, 0) << "no sweep-start line";
    EXPECT_EQ(sweep.functionCount, (long)sweep.functions.size());
    EXPECT_EQ(sweep.calls, sweep.functionCount * sweep.setsPerFunction) << "the sweep stopped early";
    // exitProgram came last and ended the run in that update step.
    EXPECT_EQ(sweep.exitResult, "ok");
    EXPECT_GT(sweep.steps, sweep.calls);
    EXPECT_LT(sweep.steps, kStepLimit) << "the run did not end through exitProgram";

    // The enumeration found the engine's functions of every module and none of Lua's.
    for (const char *name : {"loadXMLFile", "strtok", "loadTexture", "inputManager_addControlBinding", "console_addString",
                             "_ALERT", "soundManager_playSoundGroup", "initSpriteManager", "addSprite",
                             "setSpriteColorChange", "placeSprite", "setSpriteAnimation", "pathToPoint",
                             "setSpriteMotionBlurred", "bindAccelerationToEvent"})
        EXPECT_EQ(sweep.functions.count(name), 1u) << name;
    for (const char *name : {"exitProgram", "pcall", "tostring", "dofile", "print"})
        EXPECT_EQ(sweep.functions.count(name), 0u) << name;

    for (const std::string &line : sweep.unexpected) ADD_FAILURE() << "unexpected: " << line.substr(0, 300);
}

}  // namespace
