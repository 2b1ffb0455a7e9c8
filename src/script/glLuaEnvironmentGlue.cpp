// glLuaEnvironmentGlue: the environment script functions, the debug overlay
// and the script cursor. Every function checks its arguments first and raises
// its usage text on a mismatch; the registration table at the end lists them
// in the order they are registered.

#include "script/glLuaEnvironmentGlue.h"

#include <GL/gl.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/glApplication.h"
#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glText.h"
#include "graphics/glTexture.h"
#include "input/glInput.h"
#include "platform/glClipboard.h"
#include "platform/glEnvironment.h"
#include "platform/glTimer.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "script/glLuaConsole.h"
#include "sprites/glLuaSprite.h"

static int gCursorTextureRef = -1;
static int gDisplayDebugInformation = 0;

// The window and full-screen size the display-mode functions ask for.
enum { kScriptWindowWidth = 640, kScriptWindowHeight = 480 };
// Texts the describe functions fill, and the input manager's answers.
enum { kDescriptionLength = 1024, kControlTextLength = 256 };

static const double kBytesPerMegabyte = 1.0 / 1048576.0;

// --- Strings and program ---

static int lua_strcmp(lua_State *L) {
    glLuaArgs_check(L, "ss", "usage: strcmp(<String string1>, <String string2>)");
    lua_pushnumber(L, strcmp(lua_tostring(L, 1), lua_tostring(L, 2)));
    return 1;
}

// One result per token; the string is split at any delimiter byte and empty
// tokens are skipped. Scanning by length keeps zero bytes inside a token.
static int lua_strtok(lua_State *L) {
    glLuaArgs_check(L, "ss", "usage: strtok(<String string>, <String delimiters>)");
    size_t length = 0, delimiterCount = 0;
    const char *text = lua_tolstring(L, 1, &length);
    const char *delimiters = lua_tolstring(L, 2, &delimiterCount);
    int results = 0;
    size_t start = 0;
    for (size_t i = 0; i <= length; i++) {
        if (i < length && !memchr(delimiters, text[i], delimiterCount)) continue;
        if (i > start) {
            luaL_checkstack(L, 1, "too many tokens for strtok");
            lua_pushlstring(L, text + start, i - start);
            results++;
        }
        start = i + 1;
    }
    return results;
}

static int lua_getOS(lua_State *L) {
    lua_pushstring(L, "Windows");
    return 1;
}

static int lua_getPreferenceFilePath(lua_State *L) {
    lua_pushstring(L, "Data/");
    return 1;
}

// The run loop ends at its next event poll, so the update step that runs this
// script completes and no later step runs.
static int lua_exitProgram(lua_State *L) {
    (void)L;
    forceRender();
    setQuitFlag(1);
    return 0;
}

static int lua_forceRender(lua_State *L) {
    (void)L;
    doSingleLoop();
    return 0;
}

static int lua_setMSPerFrame(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setMSPerFrame(<Number milliseconds>)");
    int milliseconds = glLuaArgs_toInt(L, 1);
    // A negative length would wrap to a step of weeks and stop every update.
    if (milliseconds < 1) {
        fprintf(stderr, "Warning: setMSPerFrame(%d) refused: an update step lasts at least 1 millisecond\n",
                milliseconds);
        return 0;
    }
    setUpdates_MillisecondsPerFrame((unsigned int)milliseconds);
    return 0;
}

static int lua_setOnlyUpdateObjectManagerLayer(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setOnlyUpdateObjectManagerLayer(<Number layer>)");
    setOnlyUpdateObjectManagerLayer(glLuaArgs_toInt(L, 1));
    return 0;
}

static int lua_displayDebugInformation(lua_State *L) {
    glLuaArgs_check(L, "b", "usage: displayDebugInformation(<Boolean on/off>)");
    gDisplayDebugInformation = lua_toboolean(L, 1) ? 1 : 0;
    return 0;
}

// An empty script disarms the hook; any other text is copied and armed.
static const char *private_hookScript(lua_State *L) {
    const char *script = lua_tostring(L, 1);
    return script[0] ? script : nullptr;
}

static int lua_setUserInteractionCallback(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: setUserInteractionCallback(<String script>)");
    glApplication_armUserInteractionScript(private_hookScript(L));
    return 0;
}

static int lua_setUserCancelCallback(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: setUserCancelCallback(<String script>)");
    glApplication_armUserCancelScript(private_hookScript(L));
    return 0;
}

// --- Window and cursor ---

static int lua_getWindowWidth(lua_State *L) {
    lua_pushnumber(L, getWindowWidth());
    return 1;
}

static int lua_getWindowHeight(lua_State *L) {
    lua_pushnumber(L, getWindowHeight());
    return 1;
}

static int lua_getWindowX(lua_State *L) {
    lua_pushnumber(L, getWindowX());
    return 1;
}

static int lua_getWindowY(lua_State *L) {
    lua_pushnumber(L, getWindowY());
    return 1;
}

static int lua_showWindow(lua_State *L) {
    (void)L;
    showWindow();
    return 0;
}

// Only x is checked: scripts pass anything as y, which then reads as 0.
static int lua_setWindowPosition(lua_State *L) {
    static const char *usage = "usage: setWindowPosition(<Number x position>, <Number y position>)";
    if (!glLuaArgs_hasCount(L, 2) || !glLuaArgs_isNumber(L, 1)) return glLuaArgs_raiseUsage(L, usage);
    int y = glLuaArgs_isNumber(L, 2) ? glLuaArgs_toInt(L, 2) : 0;
    moveWindow(glLuaArgs_toInt(L, 1), y);
    return 0;
}

static int lua_isFullscreenMode(lua_State *L) {
    lua_pushnumber(L, environmentInWindowedMode() ? 0 : 1);
    return 1;
}

static int lua_switchToFullscreen(lua_State *L) {
    (void)L;
    switchToFullscreen(kScriptWindowWidth, kScriptWindowHeight, 0, 0);
    return 0;
}

static int lua_switchToWindow(lua_State *L) {
    (void)L;
    switchToWindow(kScriptWindowWidth, kScriptWindowHeight, 0, 0);
    return 0;
}

// Window translucency is accepted for the scripts' sake and has no effect.
static int lua_setWindowAlpha(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setWindowAlpha(<Number alpha>)");
    setWindowAlpha((float)lua_tonumber(L, 1));
    return 0;
}

static int lua_fadeWindowToAlpha(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: fadeWindowToAlpha(<Number alpha>, <Number seconds>)");
    fadeWindowToAlpha((float)lua_tonumber(L, 1), (float)lua_tonumber(L, 2));
    return 0;
}

static int lua_setWindowTransparency(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setWindowTransparency(<Number transparent>)");
    setWindowTransparency(glLuaArgs_toInt(L, 1));
    return 0;
}

// A full-screen game gets out of the way of the browser first.
static int lua_launchURL(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: launchURL(<String URL>)");
    if (!environmentInWindowedMode()) hideApplication();
    launchURL(lua_tostring(L, 1));
    return 0;
}

static int lua_setCursor(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setCursor(<Number textureRefNum>)");
    gCursorTextureRef = glLuaArgs_toInt(L, 1);
    return 0;
}

static int lua_hideSystemCursor(lua_State *L) {
    (void)L;
    enableMouseHiding();
    hideMouse();
    return 0;
}

static int lua_showSystemCursor(lua_State *L) {
    (void)L;
    showMouse();
    disableMouseHiding();
    return 0;
}

// --- Textures ---

// Skips white space and then `expected`. Returns 0 when it is not there.
static int private_expect(const char **text, char expected) {
    while (isspace((unsigned char)**text)) (*text)++;
    if (**text != expected) return 0;
    (*text)++;
    return 1;
}

// Reads " ( x , y )" (white space optional) from an argument that holds
// exactly one each of "(", ")" and ",". Returns 1 when it is such an origin.
static int private_parseOrigin(const char *text, int *x, int *y) {
    int open = 0, close = 0, comma = 0;
    for (const char *c = text; *c; c++) {
        open += *c == '(';
        close += *c == ')';
        comma += *c == ',';
    }
    if (open != 1 || close != 1 || comma != 1) return 0;
    int readX = 0, readY = 0;
    if (!private_expect(&text, '(') || !glLuaArgs_readInt(&text, &readX) || !private_expect(&text, ',') ||
        !glLuaArgs_readInt(&text, &readY) || !private_expect(&text, ')'))
        return 0;
    *x = readX;
    *y = readY;
    return 1;
}

static int private_flagForName(const char *name) {
    if (strcmp(name, "kSClamp") == 0) return kSClamp;
    if (strcmp(name, "kTClamp") == 0) return kTClamp;
    if (strcmp(name, "kSRepeat") == 0) return kSRepeat;
    if (strcmp(name, "kTRepeat") == 0) return kTRepeat;
    if (strcmp(name, "kLinear") == 0) return kLinear;
    if (strcmp(name, "kNearest") == 0) return kNearest;
    return 0;
}

// A texture loaded by a sprite's script belongs to that sprite, which unloads
// it when it goes: it takes the first empty slot; with none it is not recorded.
static void private_giveToRunningSprite(lua_State *L, int refNum) {
    lua_getglobal(L, "gCurrentSprite");
    int spriteRef = lua_type(L, -1) == LUA_TNUMBER ? glLuaArgs_toInt(L, -1) : -1;
    lua_pop(L, 1);
    luaSpriteInfo *sprite = spriteRef >= 0 ? getSprite(spriteRef) : nullptr;
    // A slot holds 16 bits; a number beyond them could never be unloaded right.
    if (!sprite || refNum < 0 || refNum > INT16_MAX) return;
    for (int16_t &slot : sprite->self.texturesLoaded)
        if (slot == -1) {
            slot = (int16_t)refNum;
            return;
        }
}

// Loads by file name; further arguments are flag names and at most one
// origin "(x, y)"; anything else is ignored.
static int lua_loadTexture(lua_State *L) {
    static const char *usage =
        "usage: loadTexture(<String filename>, <Optional String (origin X, origin Y)>, <String flag1>, <String "
        "flag2>, ...)";
    int count = lua_gettop(L);
    if (count < 1 || !glLuaArgs_isString(L, 1)) return glLuaArgs_raiseUsage(L, usage);
    int flags = 0, originX = 0, originY = 0;
    for (int i = 2; i <= count; i++) {
        // A number is accepted in its string form (and names no flag).
        if (!lua_isstring(L, i)) return glLuaArgs_raiseUsage(L, usage);
        const char *argument = lua_tostring(L, i);
        if (!private_parseOrigin(argument, &originX, &originY)) flags |= private_flagForName(argument);
    }
    int refNum = glTexture_loadTexture(lua_tostring(L, 1), flags);
    glTexture_setOrigin(refNum, originX, originY);
    private_giveToRunningSprite(L, refNum);
    lua_pushnumber(L, refNum);
    return 1;
}

static int lua_unloadTexture(lua_State *L) {
    static const char *usage = "usage: unloadTexture(<String filename>)";
    if (!glLuaArgs_hasCount(L, 1)) return glLuaArgs_raiseUsage(L, usage);
    if (glLuaArgs_isNumber(L, 1))
        glTexture_unloadTexture(glLuaArgs_toInt(L, 1));
    else if (glLuaArgs_isString(L, 1))
        glTexture_unloadTexture(lua_tostring(L, 1));
    else
        return glLuaArgs_raiseUsage(L, usage);
    return 0;
}

static int lua_deleteTexture(lua_State *L) {
    static const char *usage = "usage: deleteTexture(<String filename>)";
    if (!glLuaArgs_hasCount(L, 1)) return glLuaArgs_raiseUsage(L, usage);
    if (glLuaArgs_isNumber(L, 1))
        glTexture_deleteTexture(glLuaArgs_toInt(L, 1));
    else if (glLuaArgs_isString(L, 1))
        glTexture_deleteTexture(lua_tostring(L, 1));
    else
        return glLuaArgs_raiseUsage(L, usage);
    return 0;
}

// The text goes to the log and to the console.
static void private_report(const char *text) {
    fputs(text, stderr);
    console_addParagraph(text);
}

static int lua_describeTexture(lua_State *L) {
    if (lua_gettop(L) < 1 || !glLuaArgs_isNumber(L, 1))
        return glLuaArgs_raiseUsage(L, "usage: describeTexture(<Number textureRefNum>)");
    char text[kDescriptionLength] = "";
    glTexture_describeTexture(glLuaArgs_toInt(L, 1), text, (int)sizeof(text));
    private_report(text);
    return 0;
}

static int lua_listTextures(lua_State *L) {
    (void)L;
    char text[kDescriptionLength] = "";
    glTexture_listTextures(text, (int)sizeof(text));
    private_report(text);
    return 0;
}

static int lua_textureInfo(lua_State *L) {
    (void)L;
    char text[kDescriptionLength] = "";
    glTexture_textureInfo(text, (int)sizeof(text));
    private_report(text);
    return 0;
}

static int lua_setDefaultTextureFilter(lua_State *L) {
    static const char *usage = "usage: setDefaultTextureFilter(<String \"kLinear\" or \"kNearest\">)";
    glLuaArgs_check(L, "s", usage);
    const char *name = lua_tostring(L, 1);
    int filter = private_flagForName(name);
    if (!glTexture_setDefaultFilter(filter)) return glLuaArgs_raiseUsage(L, usage);
    return 0;
}

static int lua_setTextureTilingPreference(lua_State *L) {
    glLuaArgs_check(L, "n", "usage: setTextureTilingPreference(<Number>");
    glTexture_setTilingPreference(glLuaArgs_toInt(L, 1));
    return 0;
}

// The whole window as an RGB texture (bottom row first), clamped on both axes.
static int lua_captureContextToTexture(lua_State *L) {
    int width = getWindowWidth(), height = getWindowHeight();
    int refNum = -1;
    uint8_t *bytes = width > 0 && height > 0 ? (uint8_t *)glZeroMalloc((uint32_t)width * height * 3) : nullptr;
    if (bytes) {
        // Rows of 3 x width bytes are packed tight, whatever the width.
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bytes);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        refNum = glTexture_loadTexture(bytes, width, height, GL_RGB, kSClamp | kTClamp);
        if (refNum < 0) glFree(bytes, (uint32_t)width * height * 3);
    } else {
        fprintf(stderr, "Error: captureContextToTexture could not hold a %d x %d window\n", width, height);
    }
    resetGlobalUpdateTimer();
    lua_pushnumber(L, refNum);
    return 1;
}

// --- Input manager ---

static int lua_inputManager_BeginGetAnyEvent(lua_State *L) {
    (void)L;
    glInput_beginGetAnyEvent();
    return 0;
}

static int lua_inputManager_EndGetAnyEvent(lua_State *L) {
    (void)L;
    glInput_endGetAnyEvent();
    return 0;
}

static int lua_inputManager_getEventValue(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_getEventValue(<String event name>)");
    lua_pushnumber(L, (lua_Number)glInput_getEventValue(lua_tostring(L, 1)));
    return 1;
}

static int lua_inputManager_setEventValue(lua_State *L) {
    if (!glLuaArgs_hasCount(L, 2))
        return glLuaArgs_raiseUsage(L, "usage: inputManager_setEventValue(<String event name>, <Boolean value>)");
    if (!glLuaArgs_isString(L, 1))
        return glLuaArgs_raiseUsage(L, "usage: inputManager_setEventValue(<String event name> <Boolean value>)");
    long value = glLuaArgs_isNumber(L, 2) ? glLuaArgs_toInt(L, 2) : 0;
    glInput_setEventValue(lua_tostring(L, 1), value);
    return 0;
}

// Pushes the text the input manager wrote, or nothing when it wrote none.
static int private_pushControlText(lua_State *L, const char *text) {
    if (!text[0]) return 0;
    lua_pushstring(L, text);
    return 1;
}

static int lua_inputManager_getControlForEvent(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_getControlForEvent(<String event name>)");
    char control[kControlTextLength] = "";
    glInput_getControlForEvent(lua_tostring(L, 1), control);
    control[kControlTextLength - 1] = '\0';
    return private_pushControlText(L, control);
}

static int lua_inputManager_getElementForEvent(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_getElementForEvent(<String event name>)");
    char element[kControlTextLength] = "";
    glInput_getElementForEvent(lua_tostring(L, 1), element);
    element[kControlTextLength - 1] = '\0';
    return private_pushControlText(L, element);
}

static int lua_inputManager_bindControlsToEvent(lua_State *L) {
    glLuaArgs_check(L, "sn", "usage: inputManager_bindControlsToEvent(<String event name> <Number SpriteRef)");
    glInput_setEventModification(lua_tostring(L, 1), glLuaArgs_toInt(L, 2));
    return 0;
}

static int lua_inputManager_addControlBinding(lua_State *L) {
    glLuaArgs_check(L, "ss", "usage: inputManager_addControlBinding(<String element string> <String event name>)");
    glInput_addControlBinding(lua_tostring(L, 1), lua_tostring(L, 2), 1);
    return 0;
}

// Removes an event's first binding. An options screen takes an action's old
// keys away with it before rebinding: the rebinding mode replaces only the
// first binding and appends the new key after the others.
static int lua_inputManager_removeControlBinding(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_removeControlBinding(<String event name>)");
    glInput_removeControlBinding(lua_tostring(L, 1));
    return 0;
}

static int lua_inputManager_playInputRecording(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_playInputRecording(<String file name>)");
    glInput_playInputRecording(lua_tostring(L, 1));
    return 0;
}

static int lua_inputManager_startInputRecording(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: inputManager_startInputRecording(<String file name>)");
    glInput_startInputRecording(lua_tostring(L, 1));
    return 0;
}

static int lua_inputManager_stopInputRecording(lua_State *L) {
    (void)L;
    glInput_endInputRecording();
    return 0;
}

// --- Drawing ---

void renderDebuggingInformation(void) {
    if (!gDisplayDebugInformation) return;
    int width = getWindowWidth(), height = getWindowHeight();

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    set2DView(width, height);
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f);
    glRectf(0.0f, (float)(height - 60), 300.0f, (float)height);
    end2DView();

    char line[128];
    unsigned long allocated = glAllocated();
    long delta = glDeltaMemory();
    unsigned long vram = (unsigned long)glTexture_VRAMUsed();
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    snprintf(line, sizeof(line), "Frames Per Second: %0.2f", getFrameRate());
    drawString(5, height - 12, width, height, line);
    snprintf(line, sizeof(line), "Dynamic Memory: %lu (%0.2f MB)", allocated, allocated * kBytesPerMegabyte);
    drawString(5, height - 24, width, height, line);
    // Signed: the change since start-up would print as a huge number if it fell.
    snprintf(line, sizeof(line), "Delta Memory: %ld (%0.2f MB)", delta, delta * kBytesPerMegabyte);
    drawString(5, height - 36, width, height, line);
    snprintf(line, sizeof(line), "VRAM Used: %lu (%0.2f MB)", vram, vram * kBytesPerMegabyte);
    drawString(5, height - 48, width, height, line);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
}

// Hiding enabled is what isMouseHiding reports as 0.
void renderCursor(void) {
    if (gCursorTextureRef < 0 || isMouseHiding()) return;
    int x, y;
    getMouse(&x, &y);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    set2DView(getWindowWidth(), getWindowHeight());
    glTexture_render(gCursorTextureRef, x, y, 0);
    end2DView();
    glDisable(GL_BLEND);
}

// --- Registration ---

static const luaL_Reg environmentFunctions[] = {
    {"strcmp", lua_strcmp},
    {"strtok", lua_strtok},
    {"loadTexture", lua_loadTexture},
    {"unloadTexture", lua_unloadTexture},
    {"deleteTexture", lua_deleteTexture},
    {"describeTexture", lua_describeTexture},
    {"listTextures", lua_listTextures},
    {"textureInfo", lua_textureInfo},
    {"setTextureTilingPreference", lua_setTextureTilingPreference},
    {"setDefaultTextureFilter", lua_setDefaultTextureFilter},
    {"getWindowHeight", lua_getWindowHeight},
    {"getWindowWidth", lua_getWindowWidth},
    {"getWindowX", lua_getWindowX},
    {"getWindowY", lua_getWindowY},
    {"showWindow", lua_showWindow},
    {"setWindowPosition", lua_setWindowPosition},
    {"launchURL", lua_launchURL},
    {"setCursor", lua_setCursor},
    {"getOS", lua_getOS},
    {"isFullscreenMode", lua_isFullscreenMode},
    {"switchToFullscreen", lua_switchToFullscreen},
    {"switchToWindow", lua_switchToWindow},
    {"hideSystemCursor", lua_hideSystemCursor},
    {"showSystemCursor", lua_showSystemCursor},
    {"setMSPerFrame", lua_setMSPerFrame},
    {"displayDebugInformation", lua_displayDebugInformation},
    {"exitProgram", lua_exitProgram},
    {"forceRender", lua_forceRender},
    {"captureContextToTexture", lua_captureContextToTexture},
    {"getPreferenceFilePath", lua_getPreferenceFilePath},
    {"setUserInteractionCallback", lua_setUserInteractionCallback},
    {"setUserCancelCallback", lua_setUserCancelCallback},
    {"setOnlyUpdateObjectManagerLayer", lua_setOnlyUpdateObjectManagerLayer},
    {"setWindowTransparency", lua_setWindowTransparency},
    {"fadeWindowToAlpha", lua_fadeWindowToAlpha},
    {"setWindowAlpha", lua_setWindowAlpha},
    {"inputManager_BeginGetAnyEvent", lua_inputManager_BeginGetAnyEvent},
    {"inputManager_EndGetAnyEvent", lua_inputManager_EndGetAnyEvent},
    {"inputManager_getControlForEvent", lua_inputManager_getControlForEvent},
    {"inputManager_getElementForEvent", lua_inputManager_getElementForEvent},
    {"inputManager_getEventValue", lua_inputManager_getEventValue},
    {"inputManager_setEventValue", lua_inputManager_setEventValue},
    {"inputManager_bindControlsToEvent", lua_inputManager_bindControlsToEvent},
    {"inputManager_addControlBinding", lua_inputManager_addControlBinding},
    {"inputManager_removeControlBinding", lua_inputManager_removeControlBinding},
    {"inputManager_playInputRecording", lua_inputManager_playInputRecording},
    {"inputManager_startInputRecording", lua_inputManager_startInputRecording},
    {"inputManager_stopInputRecording", lua_inputManager_stopInputRecording},
    {nullptr, nullptr},
};

void initLuaEnvironmentGlue(lua_State *L) {
    if (!L) return;
    for (const luaL_Reg *entry = environmentFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
