// glLuaConsoleView: the on-screen console with its prompt and history.

#include "script/glLuaConsoleView.h"

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/glText.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"

static bool viewOpen = false;
static std::string prompt;
static std::vector<std::string> history;  // oldest first
static size_t historyAt = 0;              // history.size(): a fresh line
static bool keyHeld[256];                 // pressed while the view was open

// Virtual-key codes (the key table's numbering).
enum {
    kKeyBackspace = 8,
    kKeyReturn = 13,
    kKeyEscape = 27,
    kKeySpace = 32,
    kKeyUp = 38,
    kKeyDown = 40,
};

enum { kLineHeight = 12, kMargin = 4 };

static const char *kPromptMark = "> ";

// Keys that type a character: letters, digits, space, the numeric pad and the
// punctuation keys. The others (arrows, Delete, function keys) translate to
// codes that look like characters and must not be typed.
static bool private_types(int virtualKey) {
    return (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9') ||
           virtualKey == kKeySpace || (virtualKey >= 96 && virtualKey <= 111) ||
           (virtualKey >= 186 && virtualKey <= 192) || (virtualKey >= 219 && virtualKey <= 222);
}

void luaConsoleView_toggle(void) {
    viewOpen = !viewOpen;
    historyAt = history.size();
}

void luaConsoleView_close(void) { viewOpen = false; }

int luaConsoleView_isOpen(void) { return viewOpen; }

const char *luaConsoleView_prompt(void) { return prompt.c_str(); }

void luaConsoleView_reset(void) {
    viewOpen = false;
    prompt.clear();
    history.clear();
    historyAt = 0;
    memset(keyHeld, 0, sizeof(keyHeld));
}

static void private_remember(const std::string &line) {
    if (line.empty() || (!history.empty() && history.back() == line)) return;
    history.push_back(line);
    if (history.size() > kConsoleHistoryLength) history.erase(history.begin());
}

// The values left on the stack above `base`, through the script's own
// tostring, tab-separated as print writes them.
static std::string private_values(lua_State *L, int base) {
    std::string text;
    for (int i = base + 1; i <= lua_gettop(L); i++) {
        lua_getglobal(L, "tostring");
        lua_pushvalue(L, i);
        const char *piece = lua_pcall(L, 1, 1, 0) == 0 ? lua_tostring(L, -1) : nullptr;
        if (i > base + 1) text += '\t';
        text += piece ? piece : "?";
        lua_pop(L, 1);
    }
    return text;
}

void luaConsoleView_submit(const char *line) {
    std::string text = line ? line : "";
    private_remember(text);
    historyAt = history.size();
    console_addString((kPromptMark + text).c_str());
    lua_State *L = glLua_getLuaRef();
    if (!L || text.empty()) return;

    // An expression shows its value; anything else runs as a script does.
    int base = lua_gettop(L);
    std::string expression = "return " + text;
    if (luaL_loadbuffer(L, expression.c_str(), expression.size(), text.c_str()) != 0) {
        lua_settop(L, base);
        glLua_runScript(L, text.c_str(), 1);
        return;
    }
    if (lua_pcall(L, 0, LUA_MULTRET, 0) != 0)
        console_addParagraph(lua_isstring(L, -1) ? lua_tostring(L, -1) : "error");
    else if (lua_gettop(L) > base)
        console_addParagraph(private_values(L, base).c_str());
    lua_settop(L, base);
}

static void private_keyDown(int virtualKey, int character, int modifiers) {
    if (modifiers & (kEnvModControl | kEnvModAlt)) return;  // shortcuts type nothing
    switch (virtualKey) {
    case kKeyReturn: {
        std::string line = prompt;
        prompt.clear();
        luaConsoleView_submit(line.c_str());
        return;
    }
    case kKeyEscape:
        viewOpen = false;
        return;
    case kKeyBackspace:
        if (!prompt.empty()) prompt.pop_back();
        return;
    case kKeyUp:
        if (historyAt > 0) prompt = history[--historyAt];
        return;
    case kKeyDown:
        if (historyAt < history.size()) historyAt++;
        prompt = historyAt < history.size() ? history[historyAt] : "";
        return;
    default:
        if (private_types(virtualKey) && character >= 32 && character < 127 && prompt.size() < kConsolePromptLength)
            prompt += (char)character;
        return;
    }
}

int luaConsoleView_takeEvent(int code, envMessage message) {
    int virtualKey = (int)(message.wParam & 0xFF);
    if (code == kEnvEventKeyDown && viewOpen) {
        keyHeld[virtualKey] = true;
        private_keyDown(virtualKey, getKeyFromEvent(message), getModifiersForLastEvent());
        return 1;
    }
    if (code == kEnvEventKeyUp && keyHeld[virtualKey]) {
        keyHeld[virtualKey] = false;
        // Control+B closes the view on release, as it opened it.
        if (viewOpen && virtualKey == 'B' && (getModifiersForLastEvent() & kEnvModControl)) viewOpen = false;
        return 1;
    }
    return 0;
}

void luaConsoleView_draw(void) {
    if (!viewOpen) return;
    int width = getWindowWidth(), height = getWindowHeight();
    int lines = luaConsole_lineCount();
    int panelWidth = kConsoleLineWidth + 2 * kMargin + 12;
    int panelHeight = (lines + 1) * kLineHeight + 2 * kMargin;

    set2DView(width, height);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    glRectf(0.0f, 0.0f, (float)panelWidth, (float)panelHeight);
    glDisable(GL_BLEND);
    end2DView();

    // The prompt on the bottom line, the lines above it, newest lowest.
    int baseline = kMargin + 3;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawString(kMargin, baseline, width, height, (kPromptMark + prompt + "_").c_str());
    float red, green, blue;
    luaConsole_getColor(&red, &green, &blue);
    glColor4f(red, green, blue, 1.0f);
    for (int i = 0; i < lines; i++) drawString(kMargin, baseline + (i + 1) * kLineHeight, width, height, luaConsole_getLine(i));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
