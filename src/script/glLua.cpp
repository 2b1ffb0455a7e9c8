// glLua: the Lua state, running script text (with the compiled-script cache),
// loading XML documents and running their scripts, garbage-collection pacing.

#include "script/glLua.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/glApplication.h"
#include "core/glMemory.h"
#include "core/glMemoryTrace.h"
#include "core/glObjectManager.h"
#include "core/glXMLParser.h"
#include "core/tree.h"
#include "graphics/glErrorLine.h"
#include "platform/glEnvironment.h"
#include "script/glLuaArgs.h"
#include "script/glLuaConsole.h"
#include "sprites/glLuaSprite.h"
#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/glLuaSpriteEventManager.h"

// One entry of the cache: the address of a script string already compiled, and
// the compiled call of its function (a registry reference, made on first use).
struct compiledScriptKey {
    uintptr_t address;
    int callRef;
};

// What a running script needs restored when a script it started has finished.
struct runContext {
    const char *lastScriptRun;
    int errorLine;
};

static lua_State *luaRef = nullptr;
static _treeNode *objectManager = nullptr;
static _treeNode *xmlData = nullptr;
static _treeNode *compiledScriptList = nullptr;
static const char *lastScriptRun = nullptr;
static char *xmlFileToLoad = nullptr;
static int gcCounter = 0;
static int runDepth = 0;  // scripts running now (they nest through C functions)
static unsigned long chunksCompiled = 0;
static _treeNode *foundScripts = nullptr;  // script elements found by the running search
static std::string documentName;           // the document loaded last (or being loaded)

// Update steps between forced collections.
enum { kGarbageCollectionSteps = 50 };
// Documents loaded one after another inside one load (each queued by the
// previous one's scripts). Past this the next waits for the update step, so a
// document that keeps loading itself cannot hang the program.
enum { kMaxChainedLoads = 16 };
// Chunk names longer than this add nothing to Lua's messages, which show at
// most the first line cut to fit a short buffer.
static const size_t kChunkNameLength = 64;

static const char *kPrintScript =
    "function print (...)\nlocal str = ''\nio.output(io.stderr)\nfor i = 1, arg.n do\n"
    "io.write(tostring(arg[i]))\nstr = str .. tostring(arg[i])\nif i ~= arg.n then\n"
    "io.write('\\t')\nstr = str .. '\\t'\nend\nend\nio.write('\\n')\nstr = str .. '\\n'\n"
    "console_addString(str)\nend\n";
static const char *kAtExitScript = "if atexit ~= nil then\natexit()\nend\n";
static const char *kWindowModeScript =
    "if userSwitchWindowEnvironmentCallback ~= nil then\nuserSwitchWindowEnvironmentCallback()\nend";

// --- Running text ---

static runContext private_enterRun(const char *text) {
    runContext saved = {lastScriptRun, luaConsole_getErrorLine()};
    lastScriptRun = text;
    luaConsole_setErrorLine(0);
    runDepth++;
    return saved;
}

// A script started from inside another hands the outer one back its text, so
// an error of the outer script quotes its own lines, never a freed string.
static void private_leaveRun(runContext saved) {
    runDepth--;
    if (runDepth > 0) {
        lastScriptRun = saved.lastScriptRun;
        luaConsole_setErrorLine(saved.errorLine);
    }
}

// The message of a failed run is on the top of the stack: hand it to `_ALERT`
// as Lua 5.0 did, or write it to the log when no reporter is defined.
static void private_reportFailure(lua_State *L) {
    lua_getglobal(L, "_ALERT");
    if (lua_isfunction(L, -1)) {
        lua_pushvalue(L, -2);
        if (lua_pcall(L, 1, 0, 0) != 0) {
            fprintf(stderr, "Error: _ALERT failed: %s\n", lua_isstring(L, -1) ? lua_tostring(L, -1) : "?");
            lua_pop(L, 1);
        }
    } else {
        lua_pop(L, 1);
        fprintf(stderr, "%s\n", lua_isstring(L, -1) ? lua_tostring(L, -1) : "(error object is not a string)");
    }
}

// Compiles `chunk`; the chunk is named after its own text as Lua 5.0 named
// strings it ran. On a syntax error the line is recorded for the reporter,
// less `lineOffset` lines the host put in front of the script's own.
static int private_compile(lua_State *L, const char *chunk, size_t length, int lineOffset) {
    char name[kChunkNameLength + 1];
    size_t nameLength = length < kChunkNameLength ? length : kChunkNameLength;
    memcpy(name, chunk, nameLength);
    name[nameLength] = '\0';
    chunksCompiled++;
    int status = luaL_loadbuffer(L, chunk, length, name);
    if (status == LUA_ERRSYNTAX) {
        int line = luaConsole_errorLineFromMessage(lua_tostring(L, -1)) - lineOffset;
        luaConsole_setErrorLine(line > 0 ? line : 0);
    }
    return status;
}

// Calls the function on the top of the stack; reports a failure.
static int private_call(lua_State *L) {
    int status = lua_pcall(L, 0, 0, 0);
    if (status != 0) private_reportFailure(L);
    return status;
}

// Compiles and runs `chunk` as one run of `script`.
static int private_execute(lua_State *L, const char *script, const char *chunk, int lineOffset) {
    int top = lua_gettop(L);
    runContext saved = private_enterRun(script);
    int status = private_compile(L, chunk, strlen(chunk), lineOffset);
    if (status == 0)
        status = private_call(L);
    else
        private_reportFailure(L);
    private_leaveRun(saved);
    lua_settop(L, top);
    return status;
}

// --- The compiled-script cache ---

static compiledScriptKey *private_findCompiled(uintptr_t address) {
    for (_treeNode *node = getChild(compiledScriptList, 0); node; node = getSibling(node)) {
        compiledScriptKey *entry = (compiledScriptKey *)getData(node);
        if (entry->address == address) return entry;
    }
    return nullptr;
}

// Frees the cache. While the state lives, the compiled calls and functions go
// too: the scripts they were made from are gone with their document, and a
// state that kept them would grow with every document loaded.
static void private_destroyCache(int releaseCalls) {
    if (releaseCalls && luaRef) {
        for (_treeNode *node = getChild(compiledScriptList, 0); node; node = getSibling(node)) {
            compiledScriptKey *entry = (compiledScriptKey *)getData(node);
            luaL_unref(luaRef, LUA_REGISTRYINDEX, entry->callRef);
            char name[64];
            snprintf(name, sizeof(name), "compiledScript_%" PRIuPTR, entry->address);
            lua_pushnil(luaRef);
            lua_setglobal(luaRef, name);
        }
    }
    destructTree(compiledScriptList);
    compiledScriptList = nullptr;
}

// A cached script runs as a call of its global function through the text
// "return compiledScript_<address>()", compiled once and kept: the call still
// goes through the global (a script may replace it, and a function that failed
// to compile is reported missing) but is never parsed again.
static int private_runCached(lua_State *L, const char *script, compiledScriptKey *entry) {
    // The call's text is written only when it is compiled (a script run by
    // every sprite's update must not print it each time).
    char call[64] = "";
    if (L != luaRef || entry->callRef == LUA_NOREF)
        snprintf(call, sizeof(call), "return compiledScript_%" PRIuPTR "()\n", entry->address);
    if (L != luaRef) return private_execute(L, script, call, 0);

    int top = lua_gettop(L);
    runContext saved = private_enterRun(script);
    int status = 0;
    if (entry->callRef == LUA_NOREF) {
        status = private_compile(L, call, strlen(call), 0);
        if (status == 0)
            entry->callRef = luaL_ref(L, LUA_REGISTRYINDEX);
        else
            private_reportFailure(L);
    }
    if (status == 0) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, entry->callRef);
        status = private_call(L);
    }
    private_leaveRun(saved);
    lua_settop(L, top);
    return status;
}

// Defines "compiledScript_<address>" with the script as its body, enters it
// in the cache (even when it failed to compile) and runs it once.
static int private_compileAndRun(lua_State *L, const char *script) {
    uintptr_t address = (uintptr_t)script;
    size_t length = strlen(script);
    uint32_t size = (uint32_t)(length + 128);
    if (length > 0x7FFFFF00u) {
        fprintf(stderr, "Error: a script of %zu bytes is too long to compile\n", length);
        return LUA_ERRMEM;
    }
    char *definition = (char *)glMalloc(size);
    if (!definition) return LUA_ERRMEM;
    snprintf(definition, size, "function compiledScript_%" PRIuPTR "()\n%s\nend\n", address, script);
    private_execute(L, script, definition, 1);
    glFree(definition, size);

    compiledScriptKey entry = {address, LUA_NOREF};
    addChild(compiledScriptList, &entry, (int32_t)sizeof(entry));

    char call[64];
    snprintf(call, sizeof(call), "compiledScript_%" PRIuPTR "()\n", address);
    return private_execute(L, script, call, 0);
}

int glLua_runScript(lua_State *state, const char *script, int direct) {
    if (!state) return LUA_ERRRUN;
    if (!script) return 0;
    if (!compiledScriptList || direct) return private_execute(state, script, script, 0);
    compiledScriptKey *entry = private_findCompiled((uintptr_t)script);
    if (entry) return private_runCached(state, script, entry);
    if (!*script) return 0;
    return private_compileAndRun(state, script);
}

const char *glLua_getLastScript(void) { return lastScriptRun; }

const char *glLua_getDocumentName(void) { return documentName.c_str(); }

int glLua_scriptLineFromChunk(const char *chunkName, int line) {
    // A cached script runs as the body of "function compiledScript_<n>()\n".
    if (chunkName && strstr(chunkName, "function compiledScript_") && line > 0) return line - 1;
    return line;
}

// The running script's place for the error line: the innermost function
// written in Lua that is running now.
static void private_where(char *buffer, int size) {
    buffer[0] = 0;
    if (!luaRef || runDepth == 0) return;
    lua_Debug frame;
    for (int level = 0; lua_getstack(luaRef, level, &frame); level++) {
        if (!lua_getinfo(luaRef, "Sl", &frame) || frame.currentline <= 0) continue;
        int line = glLua_scriptLineFromChunk(frame.source, frame.currentline);
        if (documentName.empty())
            snprintf(buffer, (size_t)size, "script line %d", line);
        else
            snprintf(buffer, (size_t)size, "%s, script line %d", documentName.c_str(), line);
        return;
    }
}

unsigned long glLua_getChunksCompiled(void) { return chunksCompiled; }

static double loadSeconds = 0;

double glLua_getLoadSeconds(void) { return loadSeconds; }

// --- The state ---

void glLua_openStandardLibraries(lua_State *L) {
    static const luaL_Reg libraries[] = {
        {"", luaopen_base},          {LUA_IOLIBNAME, luaopen_io},       {LUA_STRLIBNAME, luaopen_string},
        {LUA_MATHLIBNAME, luaopen_math}, {LUA_TABLIBNAME, luaopen_table},
    };
    for (const luaL_Reg &library : libraries) {
        lua_pushcfunction(L, library.func);
        lua_pushstring(L, library.name);
        lua_call(L, 1, 0);
    }
}

lua_State *glLua_createVM(void) {
    lua_State *L = luaL_newstate();
    if (!L) {
        fprintf(stderr, "Error: Unable to initialize Lua\n");
        return nullptr;
    }
    glLua_openStandardLibraries(L);
    glLua_runScript(L, kPrintScript, 1);
    initLuaConsoleManager(L);
    return L;
}

int glLua_destructVM(lua_State *state) {
    if (!state) return 1;
    glLua_runScript(state, kAtExitScript, 1);
    if (state == luaRef) {
        // The compiled calls die with the state; the cache must not name them.
        private_destroyCache(0);
        luaRef = nullptr;
    }
    lua_close(state);
    return 1;
}

lua_State *glLua_getLuaRef(void) { return luaRef; }

_treeNode *glLua_getObjectManager(void) { return objectManager; }

int glLua_hasDocument(void) { return xmlData != nullptr; }

void glLua_register(lua_State *state, const char *name, lua_CFunction function) {
    if (!state || !name || !function) return;
    lua_pushcclosure(state, function, 0);
    lua_setglobal(state, name);
}

void glLua_setGlobalAsDouble(lua_State *state, double value, const char *name) {
    if (!state || !name) return;
    lua_pushnumber(state, value);
    lua_setglobal(state, name);
}

void glLua_setGlobalAsString(lua_State *state, const char *value, const char *name) {
    if (!state || !name) return;
    if (value)
        lua_pushstring(state, value);
    else
        lua_pushnil(state);
    lua_setglobal(state, name);
}

int glLua_userChangedEnvironment(lua_State *state) { return glLua_runScript(state, kWindowModeScript, 1); }

// --- Documents ---

// Takes the queued name (the caller frees it with private_freeName).
static char *private_takeQueued(void) {
    char *name = xmlFileToLoad;
    xmlFileToLoad = nullptr;
    return name;
}

static void private_freeName(char *name) {
    if (name) glFree(name, (uint32_t)strlen(name) + 1);
}

// The last request wins.
static void private_queue(const char *fileName) {
    private_freeName(xmlFileToLoad);
    xmlFileToLoad = (char *)glMallocWithBytes((uint32_t)strlen(fileName) + 1, fileName);
}

static int private_isLua(_treeNode *node) {
    const char *language = glParseXML_getAttribute(node, "language");
    return language && strcmp(language, "Lua") == 0;
}

// Script text may come with CR-only line ends; Lua counts lines by LF.
static void private_convertLineEnds(_treeNode *root) {
    _treeNode *node = getChild(root, 0);
    while (node) {
        xml_node *element = node->data ? (xml_node *)node->data : nullptr;
        if (element && element->element && element->elementSize > 0 && private_isLua(node)) {
            for (int i = 0; i < element->elementSize; i++)
                if (element->element[i] == '\r') element->element[i] = '\n';
        }
        if (node->child) {
            node = node->child;
            continue;
        }
        while (node && node != root && !node->sibling) node = node->parent;
        node = (node && node != root) ? node->sibling : nullptr;
    }
}

static void private_collectScript(_treeNode *node) { addChild(foundScripts, &node, (int32_t)sizeof(node)); }

// The search must not run while scripts run (they may search too), so the
// script elements are collected first and run afterwards in document order.
static void private_runDocumentScripts(void) {
    foundScripts = createTree();
    if (!glParseXML_getNodesFromURL(xmlData, "xml://", "script", "", private_collectScript))
        fprintf(stderr, "glParseXML_getNodesFromURL() failed\n");
    _treeNode *scripts = foundScripts;
    foundScripts = nullptr;
    for (_treeNode *entry = getChild(scripts, 0); entry; entry = getSibling(entry)) {
        _treeNode *node = *(_treeNode **)getData(entry);
        const char *text = nullptr;
        int size = 0;
        glParseXML_getElement(node, &text, &size);
        if (private_isLua(node) && text && size > 0) glLua_runScript(luaRef, text, 1);
    }
    destructTree(scripts);
}

static void private_releaseDocument(void) {
    if (xmlData) glParseXML_removeTree(xmlData);
    xmlData = nullptr;
}

static int private_readDocument(const char *fileName);

// One load, timed. Returns 1 when the document was read.
static int private_loadDocument(const char *fileName) {
    auto start = std::chrono::steady_clock::now();
    int read = private_readDocument(fileName);
    loadSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return read;
}

// Steps of one load up to the world bounds. Returns 1 when the document was read.
static int private_readDocument(const char *fileName) {
    private_releaseDocument();
    clearObjectManager(objectManager);
    private_destroyCache(1);
    compiledScriptList = createTree();
    clearSpriteEventList();
    removeAllCollisionGroups();
    removeAllEventGroups();
    glApplication_disarmUserCancelScript();

    documentName = fileName;
    xmlData = glParseXML_createFromFile(fileName);
    if (!xmlData) {
        fprintf(stderr, "Error: Unable to locate file \"%s\"\n", fileName);
        glErrorLine_show(nullptr, ("Unable to locate file \"" + documentName + "\"").c_str());
        return 0;
    }
    private_convertLineEnds(xmlData);
    setLuaSpriteManagerXMLTree(xmlData);
    resetGlobalVariablesBeforeCallingScriptRoutines();
    private_runDocumentScripts();
    calculateWorldBoundsFromSpritePositions();
    return 1;
}

// Loads the document and those it queues. Returns 0 when it was queued instead.
static int private_load(const char *fileName) {
    // The running script's text belongs to the current document.
    if (runDepth > 0) {
        private_queue(fileName);
        return 0;
    }
    if (!private_loadDocument(fileName)) return 1;
    for (int chained = 1; xmlFileToLoad && chained < kMaxChainedLoads; chained++) {
        char *next = private_takeQueued();
        private_loadDocument(next);
        private_freeName(next);
    }
    resetGlobalUpdateTimer();
    return 1;
}

void glLua_loadXMLFile(const char *fileName) {
    if (fileName && private_load(fileName)) glMemoryTrace_recordLoad(fileName, luaConsole_trackedBytes());
}

void glLua_queueXMLFile(const char *fileName) {
    if (fileName) private_queue(fileName);
}

void glLua_updateLuaManager(void) {
    if (++gcCounter > kGarbageCollectionSteps) {
        gcCounter -= kGarbageCollectionSteps;
        if (luaRef) lua_gc(luaRef, LUA_GCCOLLECT, 0);
    }
    if (xmlFileToLoad) {
        char *name = private_takeQueued();
        forceRender();  // the screen shows the current state during the load
        int loaded = private_load(name);
        // The memory trace is taken once the queued name is given back, so that
        // it counts what the document holds and nothing of the request.
        std::string document(loaded ? name : "");
        private_freeName(name);
        resetGlobalUpdateTimer();
        if (loaded) glMemoryTrace_recordLoad(document.c_str(), luaConsole_trackedBytes());
    }
}

// --- Start-up and shutdown ---

static int lua_loadXMLFile(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: lua_loadXMLFile(<String fileName>)");
    private_queue(lua_tostring(L, 1));
    return 0;
}

static int lua_forceWorldBoundsCalculations(lua_State *L) {
    (void)L;
    calculateWorldBoundsFromSpritePositions();
    return 0;
}

static const luaL_Reg hostFunctions[] = {
    {"loadXMLFile", lua_loadXMLFile},
    {"forceWorldBoundsCalculations", lua_forceWorldBoundsCalculations},
    {nullptr, nullptr},
};

int glLua_prestartup(void) {
    glMemoryTrace_startFromEnvironment();
    objectManager = initObjectManager();
    setObjectManagerBounds(objectManager, getEnvironmentBoundsReference());
    gcCounter = 0;
    luaRef = glLua_createVM();
    if (!luaRef) {
        // Without scripts there is no game: end in order instead of running empty.
        fprintf(stderr, "Error: no scripting; the program ends\n");
        setQuitFlag(1);
        return 0;
    }
    glErrorLine_setWhereFunc(private_where);
    initLuaSpriteManager(luaRef, objectManager);
    for (const luaL_Reg *entry = hostFunctions; entry->name; entry++) glLua_register(luaRef, entry->name, entry->func);
    return 1;
}

void glLua_shutdown(void) {
    destructLuaSpriteManager();
    glLua_destructVM(luaRef);
    luaRef = nullptr;
    destructObjectManager(objectManager);
    objectManager = nullptr;
    // Sprites pointed into the document; it goes after them.
    private_releaseDocument();
    private_destroyCache(0);
    private_freeName(private_takeQueued());
    destructLuaConsoleManager();
    glErrorLine_setWhereFunc(nullptr);
    documentName.clear();
    lastScriptRun = nullptr;
    gcCounter = 0;
}
