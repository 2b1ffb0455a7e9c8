// glLuaSoundManager: script-facing sound functions. Each checks its arguments,
// calls the group layer and pushes its result.

#include "audio/glLuaSoundManager.h"

#include <cfloat>

#include "audio/glSound.h"
#include "audio/glSoundManager.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"

static lua_State *luaRef = nullptr;

enum { kSoundChannels = 32, kSoundQueueLength = 8 };

static const char *kTypeGlobalsScript = "gSoundEffect = 0\ngVocalEffect = 1\ngMusicEffect = 2\n";

// A script number as a volume; beyond the float range it is cut, so the
// conversion is always defined (NaN stays NaN and is silent).
static float private_toVolume(lua_State *L, int index) {
    double value = lua_tonumber(L, index);
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return (float)value;
}

static int lua_soundManager_loadIndexFile(lua_State *L) {
    glLuaArgs_check(L, "s", "usage: soundManager_loadIndexFile(<String index file name>)");
    loadGroupSoundManagerIndexFile(lua_tostring(L, 1));
    return 0;
}

static int lua_soundManager_setGroupVolume(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: soundManager_setGroupVolume(<Global Sound type>, <Number [0.0, 1.0]>)");
    setGroupSoundVolume(glLuaArgs_toInt(L, 1), private_toVolume(L, 2));
    resetAllGroupMusicVolume();
    return 0;
}

static int lua_soundManager_playSoundGroup(lua_State *L) {
    glLuaArgs_check(L, "sn", "usage: soundManager_playSoundGroup(<String group name>, <Global Sound type>)");
    lua_pushnumber(L, playGroupSoundGroup(lua_tostring(L, 1), glLuaArgs_toInt(L, 2), nullptr));
    return 1;
}

static int lua_soundManager_playMusicGroup(lua_State *L) {
    glLuaArgs_check(L, "sn", "usage: soundManager_playMusicGroup(<String group name>, <Global Sound type>)");
    playGroupMusicGroup(lua_tostring(L, 1), glLuaArgs_toInt(L, 2));
    return 0;
}

static int lua_soundManager_setAllMusicRate(lua_State *L) {
    glLuaArgs_check(L, "nn", "usage: soundManager_setAllMusicRate(<Int Rate>)");
    setAllGroupMusicRate(glLuaArgs_toInt(L, 2));
    return 0;
}

static int lua_soundManager_setGroupSoundVolume(lua_State *L) {
    glLuaArgs_check(L, "nn",
                    "usage: soundManager_setGroupSoundVolume(<Integer sound id>, <Float volume [0.0 - 1.0]>)");
    setGroupSoundVolume(glLuaArgs_toInt(L, 1), private_toVolume(L, 2));
    return 0;
}

static int lua_soundManager_stopAllGroupMusic(lua_State *) {
    stopAllGroupMusic();
    return 0;
}

static int lua_soundManager_fadeAllGroupMusic(lua_State *) {
    fadeAllGroupMusic();
    return 0;
}

static int lua_soundManager_resetAllGroupMusicVolume(lua_State *) {
    resetAllGroupMusicVolume();
    return 0;
}

static const luaL_Reg soundFunctions[] = {
    {"soundManager_loadIndexFile", lua_soundManager_loadIndexFile},
    {"soundManager_setGroupVolume", lua_soundManager_setGroupVolume},
    {"soundManager_playSoundGroup", lua_soundManager_playSoundGroup},
    {"soundManager_playMusicGroup", lua_soundManager_playMusicGroup},
    {"soundManager_setAllMusicRate", lua_soundManager_setAllMusicRate},
    {"soundManager_setGroupSoundVolume", lua_soundManager_setGroupSoundVolume},
    {"soundManager_stopAllGroupMusic", lua_soundManager_stopAllGroupMusic},
    {"soundManager_fadeAllGroupMusic", lua_soundManager_fadeAllGroupMusic},
    {"soundManager_resetAllGroupMusicVolume", lua_soundManager_resetAllGroupMusicVolume},
    {nullptr, nullptr},
};

void initLuaSpriteSoundManager(lua_State *L) {
    luaRef = L;
    initSoundManager(kSoundChannels, kSoundQueueLength);
    initGroupSoundManager();
    glLua_runScript(luaRef, kTypeGlobalsScript, 1);
    for (const luaL_Reg *entry = soundFunctions; entry->name; entry++) glLua_register(luaRef, entry->name, entry->func);
}

void destructLuaSpriteSoundManager(void) {
    destructGroupSoundManager();
    destroySoundManager();
    luaRef = nullptr;
}
