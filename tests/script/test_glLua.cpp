// Script host: the compiled-script cache, Lua 5.0 behaviour, argument checks,
// document loading order and garbage-collection pacing.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "script/glLuaConsole.h"

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
        dir = ::testing::TempDir() + "quillmere_host_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_";
    }
    void TearDown() override { glLua_shutdown(); }

    // Writes a document and returns its path.
    std::string document(const std::string &name, const std::string &body) {
        std::string path = dir + name;
        std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\"?>\n<doc>\n" << body << "</doc>\n";
        return path;
    }
    std::string global(const std::string &name) {
        lua_getglobal(L, name.c_str());
        std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : lua_typename(L, lua_type(L, -1));
        lua_pop(L, 1);
        return value;
    }
    lua_State *L = nullptr;
    std::string dir;
};

static std::string compiledName(const char *script) {
    return "compiledScript_" + std::to_string((uintptr_t)script);
}

TEST_F(Host, CacheCompilesAStringOnceAndCallsItThroughItsGlobal) {
    glLua_loadXMLFile(document("empty.xml", "").c_str());
    ASSERT_TRUE(glLua_hasDocument());

    static char script[] = "count = (count or 0) + 1\nlocal mine = count\nif mine > 0 then return end\nnever = 1";
    unsigned long compiledBefore = glLua_getChunksCompiled();
    for (int i = 0; i < 3; i++) EXPECT_EQ(glLua_runScript(L, script, 0), 0);
    EXPECT_EQ(global("count"), "3");
    EXPECT_EQ(global("never"), "nil");
    EXPECT_EQ(global(compiledName(script)), "function");
    // Definition, first call, and the kept call of later runs; no more after that.
    unsigned long compiledAfterThree = glLua_getChunksCompiled();
    EXPECT_EQ(compiledAfterThree - compiledBefore, 3u);
    for (int i = 0; i < 100; i++) glLua_runScript(L, script, 0);
    EXPECT_EQ(glLua_getChunksCompiled(), compiledAfterThree);
    EXPECT_EQ(global("count"), "103");

    // The same contents at another address is another script.
    static char copy[] = "count = (count or 0) + 1\nlocal mine = count\nif mine > 0 then return end\nnever = 1";
    EXPECT_EQ(glLua_runScript(L, copy, 0), 0);
    EXPECT_EQ(global(compiledName(copy)), "function");
    EXPECT_NE(compiledName(copy), compiledName(script));

    // Cached runs go through the global, so a script may replace it.
    std::string replace = compiledName(script) + " = function() replaced = 'yes' end";
    EXPECT_EQ(glLua_runScript(L, replace.c_str(), 1), 0);
    EXPECT_EQ(glLua_runScript(L, script, 0), 0);
    EXPECT_EQ(global("replaced"), "yes");

    // Direct runs never enter the cache.
    static char direct[] = "directRuns = (directRuns or 0) + 1";
    glLua_runScript(L, direct, 1);
    EXPECT_EQ(global(compiledName(direct)), "nil");
}

// A level that loads again and again would otherwise leave one function per
// script behind on every load, and the state would grow without end.
TEST_F(Host, ALoadTakesTheCompiledFunctionsOfTheDocumentBeforeAway) {
    glLua_loadXMLFile(document("first.xml", "").c_str());
    static char script[] = "runs = (runs or 0) + 1";
    glLua_runScript(L, script, 0);
    ASSERT_EQ(global(compiledName(script)), "function");

    glLua_loadXMLFile(document("second.xml", "").c_str());
    EXPECT_EQ(global(compiledName(script)), "nil");
    EXPECT_EQ(glLua_runScript(L, script, 0), 0);  // compiled again for the new document
    EXPECT_EQ(global("runs"), "2");
    EXPECT_EQ(global(compiledName(script)), "function");
}

TEST_F(Host, FailedCompileStaysCachedAndReportsTheMissingFunction) {
    glLua_loadXMLFile(document("empty.xml", "").c_str());
    static char broken[] = "x = = 1";
    EXPECT_NE(glLua_runScript(L, broken, 0), 0);
    EXPECT_NE(glLua_runScript(L, broken, 0), 0);
    std::string expected = "attempt to call global '" + compiledName(broken) + "' (a nil value)";
    std::string report = std::string(luaConsole_getLine(1)) + luaConsole_getLine(0);  // wrapped at 76
    EXPECT_NE(report.find(expected), std::string::npos) << report;
    unsigned long compiled = glLua_getChunksCompiled();
    glLua_runScript(L, broken, 0);
    EXPECT_EQ(glLua_getChunksCompiled(), compiled);
}

TEST_F(Host, Lua50ProgramsRunUnchanged) {
    const char *program =
        "local function count(...) return arg.n end\n"
        "assert(count(1, nil, 3) == 3)\n"
        "assert(table.getn({1, 2, 3}) == 3)\n"
        "assert(math.mod(7, 3) == 1)\n"
        "local words = {}\n"
        "for w in string.gfind('one two', '%a+') do table.insert(words, w) end\n"
        "assert(words[2] == 'two')\n"
        "assert(os == nil and debug == nil and require == nil)\n"
        "assert(io and string and math and table)\n";
    EXPECT_EQ(glLua_runScript(L, program, 1), 0) << luaConsole_getLine(0);

    // `_ALERT` hears every failed run, syntax and run time.
    glLua_runScript(L, "function _ALERT(m) heard = (heard or '') .. m .. '|' end", 1);
    EXPECT_NE(glLua_runScript(L, "error('boom')", 1), 0);
    EXPECT_NE(glLua_runScript(L, "if then", 1), 0);
    std::string heard = global("heard");
    EXPECT_NE(heard.find("boom|"), std::string::npos);
    EXPECT_NE(heard.find("'then'"), std::string::npos);
}

static int lua_probe(lua_State *L) {
    glLuaArgs_check(L, "snb.", "usage: probe(<String s>, <Number n>, <Boolean b>, <Any a>)");
    lua_pushnumber(L, glLuaArgs_toInt(L, 2));
    return 1;
}

TEST_F(Host, RegisteredFunctionsRaiseTheirUsage) {
    glLua_register(L, "probe", lua_probe);
    EXPECT_EQ(glLua_runScript(L,
                              "assert(probe('s', -2.7, true, nil) == -2)\n"
                              "assert(probe('s', 1e300, false, {}) == 2147483647)\n"
                              "assert(probe('s', 0/0, false, 1) == 0)\n"
                              "local usage = 'usage: probe(<String s>, <Number n>, <Boolean b>, <Any a>)'\n"
                              "assert(select(2, pcall(probe, 1, 2, true, 4)) == usage)\n"
                              "assert(select(2, pcall(probe, 's', '2', true, 4)) == usage)\n"
                              "assert(select(2, pcall(probe, 's', 2, true)) == usage)\n"
                              "assert(select(2, pcall(loadXMLFile, 5)) == 'usage: lua_loadXMLFile(<String fileName>)')\n",
                              1),
              0)
        << luaConsole_getLine(0);
    EXPECT_EQ(glLua_runScript(L, "forceWorldBoundsCalculations()", 1), 0);
}

TEST_F(Host, DocumentScriptsRunInOrderAndQueuedLoadsFollow) {
    document("skipped.xml", "<script language=\"Lua\">order = order .. 'skipped '</script>\n");
    std::string second = document("second.xml", "<script language=\"Lua\">order = order .. 'second '</script>\n");
    std::string skipped = dir + "skipped.xml";
    std::string first = document("first.xml",
        "<script language=\"Lua\">order = 'first1 '\nloadXMLFile('" + skipped + "')\nloadXMLFile('" + second + "')\n"
        "order = order .. 'same-script '</script>\n"
        "<a><b><script language=\"Lua\">order = order .. 'nested '</script></b></a>\n"
        "<script language=\"lua\">order = order .. 'lower '</script>\n"
        "<script>order = order .. 'none '</script>\n"
        "<script language=\"Lua\">error('a failing script does not stop the rest')</script>\n"
        "<script language=\"Lua\">order = order .. 'last '</script>\n");
    glLua_loadXMLFile(first.c_str());
    EXPECT_EQ(global("order"), "first1 same-script nested last second ");

    // Line ends become LF, so an error quotes the right line of a CR-only script.
    std::string cr = document("cr.xml", "<script language=\"Lua\">a = 1\rb = = 2\rc = 3\r</script>\n");
    glLua_loadXMLFile(cr.c_str());
    EXPECT_STREQ(luaConsole_getLine(1), "b = = 2");
}

TEST_F(Host, QueuedLoadWaitsForTheUpdateStepAndMissingFilesAreLogged) {
    std::string next = document("next.xml", "<script language=\"Lua\">loaded = 'next'</script>\n");
    glLua_loadXMLFile(document("start.xml", "").c_str());
    std::string ask = "loadXMLFile('" + dir + "gone.xml')\nloadXMLFile('" + next + "')";
    glLua_runScript(L, ask.c_str(), 1);
    EXPECT_EQ(global("loaded"), "nil");
    glLua_updateLuaManager();
    EXPECT_EQ(global("loaded"), "next");

    ::testing::internal::CaptureStderr();
    glLua_loadXMLFile((dir + "missing.xml").c_str());
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "Error: Unable to locate file \"" + dir + "missing.xml\"\n");
    EXPECT_FALSE(glLua_hasDocument());
}

TEST_F(Host, DocumentThatLoadsItselfDoesNotHang) {
    std::string self = dir + "self.xml";
    document("self.xml", "<script language=\"Lua\">loads = (loads or 0) + 1\nloadXMLFile('" + self + "')</script>\n");
    glLua_loadXMLFile(self.c_str());
    int loads = std::stoi(global("loads"));
    EXPECT_GT(loads, 1);
    glLua_updateLuaManager();
    EXPECT_GT(std::stoi(global("loads")), loads);
}

TEST_F(Host, GarbageIsCollectedOnTheFiftyFirstStep) {
    glLua_runScript(L, "junk = {} for i = 1, 20000 do junk[i] = {i} end junk = nil\nbefore = collectgarbage('count')", 1);
    auto kilobytes = [&] {
        lua_getglobal(L, "collectgarbage");
        lua_pushstring(L, "count");
        lua_call(L, 1, 1);
        double count = lua_tonumber(L, -1);
        lua_pop(L, 1);
        return count;
    };
    double before = kilobytes();
    for (int i = 0; i < 50; i++) glLua_updateLuaManager();
    EXPECT_GT(kilobytes(), before * 0.9);
    glLua_updateLuaManager();
    EXPECT_LT(kilobytes(), before * 0.5);
}

TEST_F(Host, WindowModeHookAndGlobalsFromC) {
    EXPECT_EQ(glLua_userChangedEnvironment(L), 0);  // no hook defined: nothing happens
    glLua_setGlobalAsDouble(L, 2.5, "step");
    glLua_setGlobalAsString(L, "windowed", "mode");
    glLua_runScript(L, "function userSwitchWindowEnvironmentCallback() switched = mode .. step end", 1);
    EXPECT_EQ(glLua_userChangedEnvironment(L), 0);
    EXPECT_EQ(global("switched"), "windowed2.5");
}

TEST(HostWithoutState, EveryEntryPointToleratesIt) {
    ASSERT_EQ(glLua_getLuaRef(), nullptr);
    EXPECT_NE(glLua_runScript(nullptr, "x = 1", 1), 0);
    EXPECT_NE(glLua_userChangedEnvironment(nullptr), 0);
    EXPECT_EQ(glLua_destructVM(nullptr), 1);
    glLua_setGlobalAsDouble(nullptr, 1.0, "x");
    glLua_setGlobalAsString(nullptr, "x", "x");
    glLua_register(nullptr, "x", lua_probe);
    glLua_updateLuaManager();
    glLua_shutdown();
}
