// collisionmark: how long the collision pass of one update step takes with
// many movers on many platforms in "game_platform".
//
//   cmake --build BUILD --target collisionmark
//   BUILD/bench/collisionmark [MOVERS [STEPS]]
//
// Builds a level of MOVERS movers (10 x 10 outlines) and MOVERS / 5 platforms
// (100 x 20 outlines, a third of them with a flagged top edge) spread at a
// fixed density (one platform per 200 x 150 units, five movers over each),
// the movers bouncing under gravity (elasticity 1) and drifting sideways so
// that they never rest. It runs 200 warm-up steps, then STEPS (default 1000)
// steps in which it times only the collision pass (the thread's CPU time, and
// the wall-clock time beside it), and prints one line:
//
//   collisionmark movers=... platforms=... landings_per_step=... us_per_step=... us_per_mover_step=...
//       wall_us_per_step=...
//
// Runs headless (SDL's offscreen driver). A benchmark, never a test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/glObjectManager.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"
#include "sprites/glLuaSpriteCollisions.h"

// CPU time of this thread: on a machine shared with other work, the time the
// pass itself took, without the time the thread waited for a core.
static double private_threadSeconds(void) {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

static std::string writeFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

int main(int argc, char **argv) {
    int movers = argc > 1 ? atoi(argv[1]) : 1000, steps = argc > 2 ? atoi(argv[2]) : 1000;
    if (movers < 5 || steps < 1) {
        fprintf(stderr, "usage: collisionmark [MOVERS >= 5 [STEPS >= 1]]\n");
        return 2;
    }
    int platforms = movers / 5;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::string dir = "/tmp/collisionmark_" + std::to_string(getpid()) + "_";
    std::string mover = writeFile(dir + "mover.ps", "%!PS\n0 0 m\n10 0 l\n10 10 l\n0 10 l\n0 0 l\nn\n");
    std::string plain = writeFile(dir + "plain.ps", "%!PS\n0 0 m\n100 0 l\n100 20 l\n0 20 l\n0 0 l\nn\n");
    std::string topped = writeFile(dir + "topped.ps", "%!PS\n0 0 m\n100 0 l\nF100 20 l\n0 20 l\n0 0 l\nn\n");
    std::string level = writeFile(dir + "level.xml",
        "<?xml version=\"1.0\"?>\n<level>\n"
        "<sprite type=\"mover\"><collision file=\"" + mover + "\"/></sprite>\n"
        "<sprite type=\"plain\"><collision file=\"" + plain + "\"/></sprite>\n"
        "<sprite type=\"topped\"><collision file=\"" + topped + "\"/></sprite>\n"
        "<script language=\"Lua\">\n"
        "math.randomseed(7)\n"
        "local platforms, movers = " + std::to_string(platforms) + ", " + std::to_string(movers) + "\n"
        "initSpriteManager(platforms + movers + 8)\n"
        "setEnvironmentGlobal('kEnv_Gravity_Y', -0.1)\n"
        "local columns = math.ceil(math.sqrt(platforms))\n"
        "for i = 0, platforms - 1 do\n"
        "  local p = addSprite(math.mod(i, 3) == 0 and 'topped' or 'plain', 1)\n"
        "  placeSprite(p, math.mod(i, columns) * 200, math.floor(i / columns) * 150, 0)\n"
        "  setSpriteAlwaysUpdate(p, true) setSpriteImmobile(p, true)\n"
        "end\n"
        "for i = 0, movers - 1 do\n"
        "  local cell = math.floor(i / 5)\n"
        "  local m = addSprite('mover', 1)\n"
        "  placeSprite(m, math.mod(cell, columns) * 200 + math.random() * 100, math.floor(cell / columns) * 150 + 25 + math.random() * 100, 0)\n"
        "  setSpriteVelocity(m, (math.random() - 0.5) * 0.1, 0, 0)\n"
        "  setSpriteAlwaysUpdate(m, true) setSpriteSubjectToGravity(m, true) setSpriteElasticity(m, 1)\n"
        "  addSpriteToCollisionGroup(m, 'game_platform')\n"
        "end\n"
        "</script>\n</level>\n");

    glEnvironment_setNonInteractive(1);
    initFullscreen("collisionmark", 640, 480, 0, 0, 1);
    if (getQuitFlag() || !glLua_prestartup()) {
        fprintf(stderr, "collisionmark: no window or no script host\n");
        return 1;
    }
    glLua_loadXMLFile(level.c_str());
    if (getNumberOfLuaSprites() != movers + platforms) {
        fprintf(stderr, "collisionmark: the level made %d sprites, not %d\n", getNumberOfLuaSprites(), movers + platforms);
        return 1;
    }
    // A step as the application runs it, with the pass timed on its own.
    double passSeconds = 0, wallSeconds = 0;
    long landings = 0;
    for (int step = 0; step < 200 + steps; step++) {
        preupdateLuaSpriteManager();
        updateObjectManager(glLua_getObjectManager());
        auto start = std::chrono::steady_clock::now();
        double cpuStart = private_threadSeconds();
        checkForCollisions();
        double cpuEnd = private_threadSeconds();
        auto end = std::chrono::steady_clock::now();
        if (step < 200) continue;
        passSeconds += cpuEnd - cpuStart;
        wallSeconds += std::chrono::duration<double>(end - start).count();
        // A mover rising now that was not rising before bounced off a platform in this pass.
        for (int ref = 0; ref < getSpriteReferenceArraySize(); ref++) {
            luaSpriteInfo *sprite = getSprite(ref);
            if (sprite && !sprite->self.immobile && sprite->self.velocity[1] > 0 && sprite->formerSelf.velocity[1] <= 0)
                landings++;
        }
    }
    double usPerStep = passSeconds * 1e6 / steps;
    printf("collisionmark movers=%d platforms=%d landings_per_step=%.1f us_per_step=%.1f us_per_mover_step=%.3f "
           "wall_us_per_step=%.1f\n",
           movers, platforms, (double)landings / steps, usPerStep, usPerStep / movers, wallSeconds * 1e6 / steps);
    glLua_shutdown();
    deleteFullscreen();
    for (const char *name : {"mover.ps", "plain.ps", "topped.ps", "level.xml"}) remove((dir + name).c_str());
    return 0;
}
