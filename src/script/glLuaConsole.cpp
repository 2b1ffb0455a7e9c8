// glLuaConsole: console lines, the `_ALERT` error reporter and the panic handler.
// Lines are kept newest first in a tree list of zero-terminated strings.

#include "script/glLuaConsole.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"
#include "core/tree.h"
#include "graphics/glErrorLine.h"
#include "graphics/glText.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "script/glLuaConsoleView.h"

static _treeNode *messageTree = nullptr;
static _treeNode *commandTree = nullptr;  // nothing types commands into this console
static float consoleColor[3] = {0.6f, 0.6f, 0.6f};
static int errorLine = 0;
static lua_State *luaRef = nullptr;

static const char *kSyntaxErrorLabel = "Syntax Error: ";

// A tracked copy of `length` bytes of `text`, zero-terminated.
static char *private_copy(const char *text, size_t length) {
    char *copy = (char *)glMalloc((uint32_t)length + 1);
    if (copy) memcpy(copy, text, length);
    return copy;
}

static void private_free(char *copy, size_t length) { glFree(copy, (uint32_t)length + 1); }

// Inserts `length` bytes of `text` as the newest line and drops the oldest
// beyond the limit. The byte after the line is zeroed for the copy and restored.
static void private_insertLine(char *text, size_t length) {
    char saved = text[length];
    text[length] = '\0';
    addChildToFront(messageTree, text, (int32_t)length + 1);
    text[length] = saved;
    while (numberOfChildren(messageTree) > kConsoleMaxLines) removeLastChild(messageTree);
}

// Width of the first `length` bytes of `text`.
static int private_prefixWidth(char *text, size_t length) {
    char saved = text[length];
    text[length] = '\0';
    int width = drawStringLength(text);
    text[length] = saved;
    return width;
}

// Longest prefix narrower than the line width, given that the whole `length`
// bytes are wider. Widths grow with the length, so the prefix is found by
// doubling then halving, which costs in proportion to the prefix, not the line.
static size_t private_longestNarrowPrefix(char *text, size_t length) {
    size_t fits = 0, tooWide = length;
    for (size_t probe = 1; probe < tooWide; probe *= 2) {
        if (private_prefixWidth(text, probe) >= kConsoleLineWidth) {
            tooWide = probe;
            break;
        }
        fits = probe;
    }
    while (tooWide - fits > 1) {
        size_t middle = fits + (tooWide - fits) / 2;
        if (private_prefixWidth(text, middle) < kConsoleLineWidth)
            fits = middle;
        else
            tooWide = middle;
    }
    return fits;
}

int console_addString(const char *string) {
    if (!string || !messageTree) return 0;
    size_t length = strlen(string);
    char *copy = private_copy(string, length);
    if (!copy) return 0;
    char *rest = copy;
    size_t restLength = length;
    while (drawStringLength(rest) > kConsoleLineWidth) {
        size_t cut = private_longestNarrowPrefix(rest, restLength);
        if (cut == 0) break;  // not even one character fits: the rest goes whole
        private_insertLine(rest, cut);
        rest += cut;
        restLength -= cut;
    }
    private_insertLine(rest, restLength);
    private_free(copy, length);
    return 0;
}

int console_addParagraph(const char *string) {
    if (!string) return 0;
    size_t length = strlen(string);
    char *copy = private_copy(string, length);
    if (!copy) return 0;
    char *line = copy;
    for (size_t i = 0; i <= length; i++) {
        if (copy[i] != '\r' && copy[i] != '\n' && copy[i] != '\0') continue;
        copy[i] = '\0';
        if (*line) console_addString(line);
        line = copy + i + 1;
    }
    private_free(copy, length);
    return 0;
}

const char *getLineInParagraph(const char *text, int n, int *length) {
    if (!text || n < 1) return nullptr;
    const char *line = text;
    for (int i = 1;; i++) {
        const char *end = strchr(line, '\n');
        if (!end) return nullptr;
        if (i == n) {
            if (length) *length = (int)(end - line);
            return line;
        }
        line = end + 1;
    }
}

void activateLuaConsole(void) { luaConsoleView_toggle(); }

int luaConsole_panicCallback(lua_State *L) {
    glLua_destructVM(L);
    return 0;
}

// Adds the failing line of the last script, trimmed, under the label; or the
// whole script when the line is not in it; nothing when the line is blank.
static void private_quoteFailingLine(const char *script) {
    int length = 0;
    const char *line = getLineInParagraph(script, errorLine, &length);
    if (!line) {
        console_addString(kSyntaxErrorLabel);
        console_addParagraph(script);
        return;
    }
    while (length > 0 && (*line == ' ' || *line == '\t')) line++, length--;
    while (length > 0 && line[length - 1] == '\r') length--;
    if (length == 0) return;
    char *quoted = private_copy(line, (size_t)length);
    if (!quoted) return;
    console_addString(kSyntaxErrorLabel);
    console_addString(quoted);
    private_free(quoted, (size_t)length);
}

// The error line: the document and the script's line, then the message
// without the chunk name Lua puts in front ("[string \"...\"]:3: ").
static void private_showErrorLine(const char *message) {
    int line = glLua_scriptLineFromChunk(message, luaConsole_errorLineFromMessage(message));
    const char *text = message;
    if (line > 0) {
        const char *chunkEnd = strstr(message, "]:");
        const char *afterLine = strstr(chunkEnd ? chunkEnd : message, ": ");
        if (afterLine) text = afterLine + 2;
    }
    const char *document = glLua_getDocumentName();
    char where[320] = "";
    if (line > 0)
        snprintf(where, sizeof(where), "%s%sscript line %d", document, *document ? ", " : "", line);
    else
        snprintf(where, sizeof(where), "%s", document);
    glErrorLine_show(where, text);
}

void luaConsole_reportError(const char *message) {
    if (!message) return;
    // The log keeps it too: the console's lines are gone with the run.
    fprintf(stderr, "Script error: %s\n", message);
    const char *script = glLua_getLastScript();
    if (script) private_quoteFailingLine(script);
    console_addParagraph(message);
    private_showErrorLine(message);
    // The view is not opened here: it would take the keys from the game at
    // every script error. Errors show in the lines whenever the view is open.
}

void luaConsole_setErrorLine(int line) { errorLine = line < 0 ? 0 : line; }

int luaConsole_getErrorLine(void) { return errorLine; }

// Messages read "[string \"first line...\"]:3: text"; a chunk named otherwise
// reads "name:3: text". The first ":<digits>:" after the chunk name wins.
int luaConsole_errorLineFromMessage(const char *message) {
    if (!message) return 0;
    const char *scan = strstr(message, "]:");
    scan = scan ? scan + 1 : message;
    for (; (scan = strchr(scan, ':')) != nullptr; scan++) {
        const char *digits = scan + 1;
        long line = 0;
        while (isdigit((unsigned char)*digits) && line < 100000000) line = line * 10 + (*digits++ - '0');
        if (digits > scan + 1 && *digits == ':') return (int)line;
    }
    return 0;
}

int luaConsole_lineCount(void) { return numberOfChildren(messageTree); }

uint32_t luaConsole_trackedBytes(void) {
    uint32_t bytes = 0;
    for (_treeNode *line = messageTree ? messageTree->child : nullptr; line; line = line->sibling)
        bytes += (uint32_t)sizeof(_treeNode) + (uint32_t)line->size;
    return bytes;
}

const char *luaConsole_getLine(int index) {
    _treeNode *line = getChild(messageTree, index);
    return line ? (const char *)getData(line) : nullptr;
}

void luaConsole_getColor(float *red, float *green, float *blue) {
    if (red) *red = consoleColor[0];
    if (green) *green = consoleColor[1];
    if (blue) *blue = consoleColor[2];
}

// --- Script functions ---

static int lua_console_addString(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: console_addString(<String string>)");
    console_addParagraph(lua_tostring(L, 1));
    return 0;
}

static int lua_console_setColor(lua_State *L) {
    glLuaArgs_check(L, "nnn", "usage: console_setColor(<Double red>, <Double green>, <Double blue>)");
    for (int i = 0; i < 3; i++) consoleColor[i] += (float)lua_tonumber(L, i + 1);
    return 0;
}

// The interpreter's error hook; anything but a message (a string or a number)
// is ignored.
static int lua__ALERT(lua_State *L) {
    if (lua_gettop(L) >= 1 && lua_isstring(L, 1)) luaConsole_reportError(lua_tostring(L, 1));
    return 0;
}

static const luaL_Reg consoleFunctions[] = {
    {"console_addString", lua_console_addString},
    {"console_setColor", lua_console_setColor},
    {"_ALERT", lua__ALERT},
    {nullptr, nullptr},
};

void initLuaConsoleManager(lua_State *L) {
    luaRef = L;
    if (!messageTree) messageTree = createTree();
    if (!commandTree) commandTree = createTree();
    if (!L) return;
    lua_atpanic(L, luaConsole_panicCallback);
    for (const luaL_Reg *entry = consoleFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}

void destructLuaConsoleManager(void) {
    destructTree(messageTree);
    destructTree(commandTree);
    messageTree = commandTree = nullptr;
    luaRef = nullptr;
    luaConsoleView_reset();
}
