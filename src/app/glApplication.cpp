// glApplication: start-up and teardown order, the display, update and event
// callbacks, the one-shot script hooks and the built-in shortcuts
// (Control+M window/full screen; Control+Q and Control+H are handled by the
// window environment itself).

#include "app/glApplication.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/glCommandLine.h"
#include "app/glGameFolder.h"
#include "app/glLiveReload.h"
#include "audio/glLuaSoundManager.h"
#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "effects/effects.h"
#include "graphics/glErrorLine.h"
#include "graphics/glText.h"
#include "graphics/glTexture.h"
#include "input/glInput.h"
#include "platform/glClipboard.h"
#include "platform/glFileDialog.h"
#include "platform/glInputFeed.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"
#include "script/glLuaConsoleView.h"
#include "script/glLuaEnvironmentGlue.h"
#include "script/glLuaReference.h"
#include "sprites/glLuaSprite.h"
#include "sprites/glLuaSpriteEventManager.h"

static int clickX = 0, clickY = 0;
static char *userInteractionScript = nullptr;
static char *userCancelScript = nullptr;
// Where the mouse was at the previous update step. The first step has nothing to
// compare with: measuring from (0, 0) would count a move that never happened.
static int previousMouseX = 0, previousMouseY = 0;
static bool previousMouseKnown = false;

// Hooks are tracked allocations holding a copy of the script text.
static void private_arm(char **hook, const char *script) {
    if (*hook) glFree(*hook, (uint32_t)strlen(*hook) + 1);
    *hook = nullptr;
    if (script) *hook = (char *)glMallocWithBytes((uint32_t)strlen(script) + 1, script);
}

// Disarms the hook before running it, so a script that re-arms itself stays armed.
static void private_fire(char **hook) {
    char *script = *hook;
    if (!script) return;
    *hook = nullptr;
    glLua_runScript(glLua_getLuaRef(), script, 1);
    glFree(script, (uint32_t)strlen(script) + 1);
}

void glApplication_armUserInteractionScript(const char *script) { private_arm(&userInteractionScript, script); }
void glApplication_armUserCancelScript(const char *script) { private_arm(&userCancelScript, script); }
void glApplication_disarmUserCancelScript(void) { private_arm(&userCancelScript, nullptr); }
int glApplication_userInteractionScriptArmed(void) { return userInteractionScript != nullptr; }
int glApplication_userCancelScriptArmed(void) { return userCancelScript != nullptr; }

void glApplication_setClickPosition(int x, int y) {
    clickX = x;
    clickY = y;
}

void glApplication_getClickPosition(int *x, int *y) {
    *x = clickX;
    *y = clickY;
}

void handleEvent(char *name, long value) { postSpriteEvent(name, value); }

// The editor's read-out of the last Control-picked sprite. The alphabet is
// loaded once, not once a frame (which would only pile up references and, for
// a missing file, repeat its message every frame).
static void private_drawClickPosition(void) {
    static const char *kAlphabet = "Data/alphabets/sand16.tga";
    static int alphabet = -2;  // -2: not tried yet
    if (alphabet == -2) alphabet = glTexture_loadTexture(kAlphabet, 12);
    if (alphabet < 0) return;
    char text[64];
    snprintf(text, sizeof(text), "(%d, %d)", clickX, clickY);
    setAlphabetCellSize(16);
    set2DView(640, 480);
    glColor4f(1, 1, 1, 1);
    glTranslatef(5, 5, 0);
    glScalef(16, 16, 16);
    printString(text, alphabet);
    end2DView();
}

// Everything of a frame but the buffer swap, so a screenshot can draw a fresh
// frame into the back buffer and read it before anything is presented.
void glApplication_drawFrame(void) {
    glClear(GL_COLOR_BUFFER_BIT);  // the window has no depth buffer
    set2DView(getWindowWidth(), getWindowHeight());
    glColor4f(1, 1, 1, 1);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);

    glPushScissor();
    glSetScissorRect(getEnvironmentBoundsReference());
    drawObjectManager(glLua_getObjectManager());
    glPopScissor();
    glDisable(GL_SCISSOR_TEST);

    renderDebuggingInformation();
    renderCursor();
    if (clickX && clickY) private_drawClickPosition();
    if (!luaConsoleView_isOpen()) glErrorLine_draw();  // the open console shows the errors itself
    luaConsoleView_draw();

    end2DView();
    glEnable(GL_DEPTH_TEST);
}

void displayCallback(void) {
    glApplication_drawFrame();
    swapBuffers();
}

// Draws the current frame and writes it, the size of the window, into an open file.
static int private_writeFrame(FILE *file) {
    glApplication_drawFrame();
    return glTexture_saveCurrentScreenToFile(0, 0, (int16_t)getWindowWidth(), (int16_t)getWindowHeight(), file);
}

void captureScreenshot(void) {
    FILE *file = getSaveFile("Screenshot", "tga", "wb");
    if (!file) return;  // cancelled
    if (!private_writeFrame(file)) fprintf(stderr, "Error: Unable to open file to output the screenshot to.\n");
    fclose(file);
}

// --screenshot: the last frame of a run that ended through --steps.
static void private_writeFinalScreenshot(const std::string &path) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "Error: Unable to open \"%s\" for the final screenshot\n", path.c_str());
        return;
    }
    if (!private_writeFrame(file)) fprintf(stderr, "Error: Unable to write the final screenshot to \"%s\"\n", path.c_str());
    fclose(file);
}

int updateCallback(void) {
    // Scripts run by this step outside the object manager's own pass may force
    // a render, and with it a nested step that removes sprites the code running
    // them still holds: their destruction waits for that code to return.
    holdObjectDestruction();
    int x, y;
    getMouse(&x, &y);
    bool moved = previousMouseKnown && (x != previousMouseX || y != previousMouseY);
    if (moved && userInteractionScript) private_fire(&userInteractionScript);
    previousMouseKnown = true;
    previousMouseX = x;
    previousMouseY = y;

    char element[64];
    do {
        memset(element, 0, sizeof(element));
    } while (glInput_pollEvents(element, 1, handleEvent));

    preupdateRopeAnimation();
    preupdateLuaSpriteManager();
    releaseObjectDestruction();
    updateObjectManager(glLua_getObjectManager());
    holdObjectDestruction();
    updateLuaSpriteManager();
    glLiveReload_step();  // --watch: a changed file queues the reload this step's host step loads
    glLua_updateLuaManager();
    glInput_updateInputRecording();
    glInputFeed_stepDone();
    releaseObjectDestruction();
    return 1;
}

static void private_toggleDisplayMode(void) {
    if (environmentInWindowedMode())
        switchToFullscreen(640, 480, 0, 0);
    else
        switchToWindow(640, 480, 0, 0);
    glLua_userChangedEnvironment(glLua_getLuaRef());
    resetLuaSpriteOpenGLGlobals();
}

void eventCallback(int code, envMessage message) {
    if (luaConsoleView_takeEvent(code, message)) return;  // the open console's keys
    if (userInteractionScript) private_fire(&userInteractionScript);

    _treeNode *objects = glLua_getObjectManager();
    int x, y;
    switch (code) {
    case kEnvEventMouseUp:
    case kEnvEventMouseDown:
        getMouseFromEvent(message, &x, &y);
        eventObjectManager(objects, code == kEnvEventMouseUp ? 0 : 1, 0, x, y, nullptr);
        break;
    case kEnvEventKeyUp: {
        int c = getKeyFromEvent(message);
        glInput_postKeyUpEvent((unsigned char)tolower(c & 0xFF));
        eventObjectManager(objects, 2, (uint8_t)c, 0, 0, nullptr);
        if (getModifiersForLastEvent() & kEnvModControl) {
            if (c == 's' || c == 'S') captureScreenshot();
            if (c == 'b' || c == 'B') activateLuaConsole();
            if (c == 'm' || c == 'M') private_toggleDisplayMode();
        }
        break;
    }
    case kEnvEventPadDown:
    case kEnvEventPadUp:
        glInput_postPadEvent(getPadElementFromEvent(message), code == kEnvEventPadDown);
        break;
    case kEnvEventKeyDown: {
        int c = getKeyFromEvent(message);
        glInput_postKeyDownEvent((unsigned char)tolower(c & 0xFF));
        int consumed = eventObjectManager(objects, 3, (uint8_t)c, 0, 0, nullptr);
        if (!consumed && c == 27 && userCancelScript) private_fire(&userCancelScript);
        break;
    }
    default:
        break;
    }
}

// The log is the standard error stream, reopened onto "Log File.txt" (truncated).
// When the file cannot be created the stream stays where it was.
static void private_openLog(void) {
    FILE *probe = fopen("Log File.txt", "wb");
    if (probe) {
        fclose(probe);
        if (!freopen("Log File.txt", "wb", stderr)) return;
        // Line by line, so a crash or a kill keeps every line written before it.
        setvbuf(stderr, nullptr, _IOLBF, BUFSIZ);
    } else {
        fprintf(stderr, "Warning: cannot write \"Log File.txt\" here: %s\n", strerror(errno));
    }
    fprintf(stderr, "%s Log File\n", "Tallowby");
}

// Every script function a game gets, with no window, log or document: the
// host and the effects register theirs as at start-up, and nothing runs.
// The script host, then the effects' script functions.
static void private_startScripting(void) {
    glLua_prestartup();
    linkParticleFunctions();
    linkRopeFunctions();
    linkGameTimerFunctions();
    linkDemoTimerFunctions();
    linkSpeechBubbleFunctions();
}

static int private_listScriptGlobals(void) {
    private_startScripting();
    int lines = glLuaReference_listGlobals(glLua_getLuaRef(), stdout);
    // Named values scripts pass to getEnvironmentGlobal and setEnvironmentGlobal.
    for (int i = 0; i < kEnvironmentGlobals; i++) printf("environment %s\n", environmentGlobalName(i));
    fflush(stdout);
    glLua_shutdown();
    destructLuaSpriteSoundManager();
    SDL_Quit();
    return lines > 0 ? 0 : 1;
}

int glApplication_main(int argc, char **argv) {
    commandLineOptions options;
    int exitCode = glCommandLine_parse(argc, argv, &options, stdout, stderr);
    if (exitCode >= 0) return exitCode;
    if (options.listScriptGlobals) return private_listScriptGlobals();
    // The screenshot path is taken relative to where the program was started.
    std::string screenshotPath;
    if (options.screenshot) screenshotPath = std::filesystem::absolute(options.screenshot).string();
    std::string recordPath, replayPath, inputPath;
    if (options.record) recordPath = std::filesystem::absolute(options.record).string();
    if (options.replay) replayPath = std::filesystem::absolute(options.replay).string();
    if (options.input) inputPath = std::filesystem::absolute(options.input).string();
    // With no game named, an installed program plays the game installed with it.
    static std::string installedGame;
    if (!options.dataDirectory && !(installedGame = glGameFolder_default()).empty())
        options.dataDirectory = installedGame.c_str();
    if (options.dataDirectory && chdir(options.dataDirectory) != 0) {
        fprintf(stderr, "quillmere: cannot change to folder '%s': %s\n", options.dataDirectory, strerror(errno));
        return 2;
    }
    if (options.headless) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        glEnvironment_setNonInteractive(1);
    }
    if (options.fixedStep) glEnvironment_setFixedStep(options.fixedStep);
    if (options.steps) glEnvironment_setStepLimit(options.steps);
    if (options.stats) glEnvironment_setStats(1);
    if (options.noErrorLine) glErrorLine_setEnabled(0);

    private_openLog();
    // A run that is to be repeated (fixed steps, a recording made or played)
    // starts every random sequence the same way.
    bool repeatable = options.fixedStep || options.record || options.replay;
    srand(repeatable ? 1u : (unsigned int)time(nullptr));
    glInput_initInputManager();
    // Before the start document, so its scripts' first step is step 0 of the
    // recording (and a script of the game may still start one of its own).
    if (!recordPath.empty()) glInput_startInputRecording(recordPath.c_str());
    if (!replayPath.empty()) glInput_playInputRecording(replayPath.c_str());
    initFullscreen("Quillmere", 640, 480, 0, 0, 1);
    setGlobalFunctions(displayCallback, updateCallback, eventCallback);
    private_startScripting();
    disableMouseHiding();
    if (options.watch) glLiveReload_start("Data");
    glLua_loadXMLFile("Data/index.xml");
    // With no start document no script will ever show the window; a hidden window
    // that no one can see or close would leave the program running unseen.
    if (!glLua_hasDocument()) showWindow();
    // Its first inputs reach the first update step, after the start document ran.
    if (!inputPath.empty()) glInputFeed_open(inputPath.c_str());

    char rendererInfo[1024];
    getRendererInfo(rendererInfo, sizeof(rendererInfo));
    fprintf(stderr, "\nVideo Card Information\n===== ==== ===========\n%s\n", rendererInfo);

    runLoop();
    if (options.stats) {
        // Taken before the final screenshot, which is not a frame of the run.
        printf("stats steps=%lu frames=%lu update_seconds=%.6f draw_seconds=%.6f load_seconds=%.6f\n",
               glEnvironment_getStepsRun(), glEnvironment_getFramesRun(), glEnvironment_getUpdateSeconds(),
               glEnvironment_getDrawSeconds(), glLua_getLoadSeconds());
        fflush(stdout);
    }
    if (!screenshotPath.empty() && options.steps && glEnvironment_getStepsRun() >= options.steps)
        private_writeFinalScreenshot(screenshotPath);

    glLiveReload_stop();
    glInputFeed_close();
    glLua_shutdown();
    // After the host, so an atexit script may still play sounds.
    destructLuaSpriteSoundManager();
    deleteFullscreen();
    glInput_destructInputManager();
    glClipboard_destroy();
    private_arm(&userInteractionScript, nullptr);
    private_arm(&userCancelScript, nullptr);
    SDL_Quit();
    return 0;
}
