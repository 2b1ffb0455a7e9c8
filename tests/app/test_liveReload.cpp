// --watch: a change under Data/ reloads the current document, through a broken
// edit and back; and the real program reloading a level rewritten mid-run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/glLiveReload.h"
#include "graphics/glErrorLine.h"
#include "script/glLua.h"
#include "support/quillmereRun.h"

namespace fs = std::filesystem;

namespace {

std::string level(const char *script) {
    return std::string("<?xml version=\"1.0\"?>\n<level><script language=\"Lua\">") + script + "</script></level>\n";
}

double luaNumber(const char *name) {
    lua_State *L = glLua_getLuaRef();
    lua_getglobal(L, name);
    double value = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : -1;
    lua_pop(L, 1);
    return value;
}

TEST(LiveReload, ABrokenEditIsReportedAndTheNextGoodSaveLoads) {
    std::string folder = quillmere_makeFolder();
    fs::create_directories(folder + "/Data");
    std::string previous = fs::current_path();
    fs::current_path(folder);
    std::ofstream("Data/index.xml") << level("version = 1");
    ASSERT_EQ(glLua_prestartup(), 1);
    glLua_loadXMLFile("Data/index.xml");
    ASSERT_EQ(glLiveReload_start("Data"), 1);

    struct edit {
        const char *file;
        std::string text;
        double version;         // the global after the update step (-5: no script ran)
        const char *errorLine;  // what the error line says after it, "" for nothing (null: not checked)
    };
    const edit edits[] = {
        {"Data/index.xml", "<?xml version=\"1.0\"?>\n<level><script language=", -5, nullptr},  // cut short
        {"Data/index.xml", level("version = = 4"), -5, "Data/index.xml, script line 1: unexpected symbol near '='"},
        {"Data/index.xml", level("version = 2"), 2, ""},
        {"Data/common.xml", "<shared/>", 2, ""},  // any file reloads the current document
        {"Data/index.xml", level("version = 3\nnosuch()"), 3, "Data/index.xml, script line 2: attempt to call global 'nosuch' (a nil value)"},
    };
    for (const edit &e : edits) {
        lua_State *L = glLua_getLuaRef();
        glLua_runScript(L, "version = -5", 1);  // a reload runs the document again
        glErrorLine_clear();
        std::ofstream(e.file) << e.text;
        EXPECT_EQ(glLiveReload_step(), 1) << e.text;
        glLua_updateLuaManager();
        EXPECT_EQ(luaNumber("version"), e.version) << e.text;
        if (e.errorLine) {
            EXPECT_EQ(std::string(glErrorLine_text()), e.errorLine) << e.text;
        }
    }
    EXPECT_EQ(glLiveReload_step(), 0);  // nothing changed since

    glLiveReload_stop();
    glLua_shutdown();
    fs::current_path(previous);
    fs::remove_all(folder);
}

// The level rewrites itself on its first run; globals outlive a reload, so the
// second version runs its own script once the watcher has seen the change.
TEST(LiveReload, TheProgramReloadsALevelRewrittenDuringARun) {
    std::string folder = quillmere_makeFolder();
    fs::create_directories(folder + "/Data");
    std::ofstream(folder + "/Data/next.txt") << level("print('second version runs')");
    std::string first = "if not rewritten then\nrewritten = true\nprint('first version runs')\n"
                        "local next = io.open('Data/next.txt'):read('*a')\n"
                        "local file = io.open('Data/index.xml', 'w')\nfile:write(next)\nfile:close()\nend";
    std::ofstream(folder + "/Data/index.xml") << level(first.c_str());
    quillmereRun run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "20", "--watch"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    size_t firstRun = run.log.find("first version runs");
    size_t reload = run.log.find("Reloading \"Data/index.xml\": \"Data/index.xml\" changed");
    size_t secondRun = run.log.find("second version runs");
    ASSERT_NE(firstRun, std::string::npos) << run.log;
    ASSERT_NE(reload, std::string::npos) << run.log;
    ASSERT_NE(secondRun, std::string::npos) << run.log;
    EXPECT_LT(firstRun, reload);
    EXPECT_LT(reload, secondRun);

    // Without --watch nothing reloads.
    std::ofstream(folder + "/Data/index.xml") << level(first.c_str());
    run = quillmere_run(folder, {"--headless", "--fixed-step", "--steps", "20"});
    EXPECT_EQ(run.log.find("second version runs"), std::string::npos) << run.log;
    fs::remove_all(folder);
}

}  // namespace
