// glLuaSpritePlacement: the script functions that place sprites for drawing:
// location, moves, the pivot (origin), parallax, attaching a sprite to another
// and the projectile heading. They set record fields only; drawing applies
// them. A reference that names no sprite makes a call do nothing.

#include "sprites/glLuaSprite.h"

#include "script/glLua.h"
#include "script/glLuaArgs.h"

static luaSpriteInfoRec *private_checked(lua_State *L, const char *signature, const char *usage) {
    glLuaArgs_check(L, signature, usage);
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    return sprite ? &sprite->self : nullptr;
}

static void private_readVector(lua_State *L, float *out) {
    for (int i = 0; i < 3; i++) out[i] = (float)lua_tonumber(L, 2 + i);
}

static int lua_placeSprite(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nnnn", "usage: placeSprite(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (rec) private_readVector(L, rec->location);
    return 0;
}

static int lua_moveSprite(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nnnn", "usage: moveSprite(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (!rec) return 0;
    float move[3];
    private_readVector(L, move);
    for (int i = 0; i < 3; i++) rec->location[i] += move[i];
    return 0;
}

static int lua_getSpriteLocation(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "n", "usage: getSpriteLocation(<Integer spriteRefNum>)");
    if (!rec) return 0;
    for (float coordinate : rec->location) lua_pushnumber(L, coordinate);
    return 3;
}

// The pivot is stored negated: the image is drawn at location - origin.
static int lua_setSpriteOrigin(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nnnn", "usage: setSpriteOrigin(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (!rec) return 0;
    private_readVector(L, rec->origin);
    for (float &coordinate : rec->origin) coordinate = -coordinate;
    return 0;
}

static int lua_centerSpriteOrigin(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "n", "usage: centerSpriteOrigin(<Integer spriteRefNum>)");
    if (!rec) return 0;
    rec->origin[0] = (float)-(rec->width / 2);
    rec->origin[1] = (float)-(rec->height / 2);
    rec->origin[2] = 0;
    return 0;
}

static int lua_setSpriteParallax(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nn", "usage: setSpriteParallax(<Integer spriteRefNum>, <Double e>)");
    if (rec) rec->parallaxValue = (float)lua_tonumber(L, 2);
    return 0;
}

// 1 when following the attachments from `parent` reaches `ref` (or `parent`
// is `ref` itself): attaching would make a sprite follow itself.
static int private_attachmentLoops(int ref, int parent) {
    for (int steps = 0; steps <= getSpriteReferenceArraySize(); steps++) {
        if (parent == ref) return 1;
        luaSpriteInfo *sprite = getSprite(parent);
        if (!sprite || sprite->self.relativeSprite < 0) return 0;
        parent = sprite->self.relativeSprite;
    }
    return 1;
}

// The sprite keeps its current location and origin as offsets from the other.
static int lua_setSpriteRelativeToSprite(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nn", "usage: setSpriteRelativeToSprite(<Integer spriteRefNum>, <Integer otherSpriteRefNum>)");
    int other = glLuaArgs_toInt(L, 2);
    if (!rec || !getSprite(other) || private_attachmentLoops(rec->spriteRef, other)) return 0;
    rec->relativeSprite = (int16_t)other;
    for (int i = 0; i < 3; i++) {
        rec->relativeOffset[i] = rec->location[i];
        rec->relativeOrigin[i] = rec->origin[i];
    }
    return 0;
}

static int lua_setSpriteProjectile(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nb", "usage: setSpriteProjectile(<Integer spriteRefNum>, <Boolean is projectile>)");
    if (rec) rec->projectile = (int8_t)lua_toboolean(L, 2);
    return 0;
}

static int lua_setSpriteProjectileBaseVector(lua_State *L) {
    luaSpriteInfoRec *rec = private_checked(L, "nnnn", "usage: setSpriteProjectileBaseVector(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)");
    if (rec) private_readVector(L, rec->projectile_base);
    return 0;
}

static const luaL_Reg placementFunctions[] = {
    {"placeSprite", lua_placeSprite},
    {"moveSprite", lua_moveSprite},
    {"getSpriteLocation", lua_getSpriteLocation},
    {"setSpriteOrigin", lua_setSpriteOrigin},
    {"centerSpriteOrigin", lua_centerSpriteOrigin},
    {"setSpriteParallax", lua_setSpriteParallax},
    {"setSpriteRelativeToSprite", lua_setSpriteRelativeToSprite},
    {"setSpriteProjectile", lua_setSpriteProjectile},
    {"setSpriteProjectileBaseVector", lua_setSpriteProjectileBaseVector},
    {nullptr, nullptr},
};

void registerLuaSpritePlacementFunctions(lua_State *L) {
    for (const luaL_Reg *entry = placementFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
