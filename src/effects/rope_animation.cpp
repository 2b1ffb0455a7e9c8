// rope_animation: ropes, their editor dragging and dump, and their script
// functions (see rope_animation.h).

#include "effects/rope_animation.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"
#include "platform/glFileDialog.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"
#include "sprites/glLuaSprite.h"
#include "sprites/glLuaSpriteEventManager.h"

static ropePiece *selectedPiece = nullptr;
static ropePiece *dragPiece = nullptr;
static ropeInfo *liveRopes = nullptr;

static const float kStepsPerSecond = 200.0f;
static const float kCutDistanceSquared = 256.0f;   // 16 units
static const float kPickDistanceSquared = 64.0f;   // 8 units
static const float kSelectedColor[4] = {1.0f, 0.0f, 0.0f, 1.0f};

void preupdateRopeAnimation(void) { selectedPiece = nullptr; }
const ropePiece *selectedRopePiece(void) { return selectedPiece; }
const ropePiece *draggedRopePiece(void) { return dragPiece; }

int isLiveRope(const ropeInfo *rope) {
    for (const ropeInfo *r = liveRopes; r; r = r->nextLive)
        if (r == rope) return 1;
    return 0;
}

static int private_owns(const ropeInfo *rope, const ropePiece *piece) {
    return piece && piece >= rope->pieces && piece < rope->pieces + rope->numPieces;
}

ropeInfo *addRope(_treeNode *list, const char *texture, int numPieces) {
    if (!list) return nullptr;
    if (numPieces < 1 || numPieces > kRopeMaxPieces) {
        int made = numPieces < 1 ? 1 : kRopeMaxPieces;
        fprintf(stderr, "addRope: a rope of %d pieces asked for, made with %d\n", numPieces, made);
        numPieces = made;
    }
    auto *rope = (ropeInfo *)glMalloc(sizeof(ropeInfo));
    if (!rope) return nullptr;
    rope->textureRef = glTexture_loadTexture(texture, kSClamp | kTClamp);
    if (rope->textureRef >= 0) glTexture_centerOrigin(rope->textureRef);
    rope->numPieces = numPieces;
    for (ropePiece &piece : rope->pieces) {
        for (float &c : piece.color) c = 1.0f;
        for (float &s : piece.scale) s = 1.0f;
    }
    rope->nextLive = liveRopes;
    liveRopes = rope;
    insertObject(list, rope, kRopeLayer, displayRope, updateRope, destructRope, nullptr, eventRope);
    return rope;
}

// The slash sprite's cutting point in world coordinates; 0 when there is none.
static int private_cutPoint(float point[3]) {
    luaSpriteInfoRec *slash = getSlashSprite();
    if (!slash) return 0;
    int flipped = 0;
    const collisionRec *shape = getSpriteCollisionRecord(slash->spriteRef, &flipped);
    if (!shape) return 0;
    float x = shape->origin[0], y = shape->origin[1];
    if (flipped & 1) x = shape->width - x;
    if (flipped & 2) y = shape->height - y;
    point[0] = x + slash->location[0];
    point[1] = y + slash->location[1];
    point[2] = slash->location[2];
    return 1;
}

static void private_editorStep(ropeInfo *rope) {
    int mx, my;
    getMouse(&mx, &my);
    float m[2] = {(float)mx + getEnvironmentValue(kEnv_WorldOrigin_X), (float)my + getEnvironmentValue(kEnv_WorldOrigin_Y)};
    for (int i = 0; i < rope->numPieces; i++) {
        ropePiece *piece = &rope->pieces[i];
        float dx = piece->location[0] - m[0], dy = piece->location[1] - m[1];
        if (!dragPiece && dx * dx + dy * dy < kPickDistanceSquared) selectedPiece = piece;
        if (piece != dragPiece) continue;
        selectedPiece = piece;
        float change[3] = {m[0] - piece->location[0], m[1] - piece->location[1], -piece->location[2]};
        piece->location[0] = m[0];
        piece->location[1] = m[1];
        piece->location[2] = 0.0f;
        for (int j = 0; j < i; j++)
            for (int k = 0; k < 3; k++) rope->pieces[j].location[k] += change[k];
        return;
    }
}

int updateRope(void *data, uint32_t frame) {
    (void)frame;
    auto *rope = (ropeInfo *)data;
    if (isLevelEditorActive()) {
        private_editorStep(rope);
        return 0;
    }
    float cut[3];
    int canCut = private_cutPoint(cut);
    for (int i = 0; i < rope->numPieces; i++) {
        ropePiece *piece = &rope->pieces[i];
        if (!(piece->duration_location > 0.0f)) continue;  // pieces at rest never cut
        piece->duration_location -= 1.0f;
        if (piece->duration_location <= 0.0f) piece->duration_location = 0.0f;
        for (int k = 0; k < 3; k++) piece->location[k] += piece->delta_location[k];
        if (!canCut) continue;
        float d2 = 0.0f;
        for (int k = 0; k < 3; k++) d2 += (piece->location[k] - cut[k]) * (piece->location[k] - cut[k]);
        if (d2 < kCutDistanceSquared) {
            sendEventToSprite(getSlashSprite()->spriteRef, "kill_slash");
            // The event's script may have removed the slash sprite.
            canCut = private_cutPoint(cut);
        }
    }
    return 0;
}

void displayRope(void *data) {
    auto *rope = (ropeInfo *)data;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(-getEnvironmentValue(kEnv_WorldOrigin_X), -getEnvironmentValue(kEnv_WorldOrigin_Y), 0.0f);
    for (int i = 0; i < rope->numPieces; i++) {
        const ropePiece *piece = &rope->pieces[i];
        glColor4fv(piece == selectedPiece ? kSelectedColor : piece->color);
        glPushMatrix();
        glTranslatef(piece->location[0], piece->location[1], piece->location[2]);
        glScalef(piece->scale[0], piece->scale[1], piece->scale[2]);
        glTexture_render(rope->textureRef, 0, 0, 0);
        glPopMatrix();
    }
    glPopMatrix();
    glDisable(GL_BLEND);
}

void destructRope(void *data) {
    auto *rope = (ropeInfo *)data;
    // No pointer into a freed rope may stay behind.
    if (private_owns(rope, selectedPiece)) selectedPiece = nullptr;
    if (private_owns(rope, dragPiece)) dragPiece = nullptr;
    for (ropeInfo **link = &liveRopes; *link; link = &(*link)->nextLive)
        if (*link == rope) {
            *link = rope->nextLive;
            break;
        }
    if (rope->textureRef >= 0) glTexture_unloadTexture(rope->textureRef);
    glFree(rope, sizeof(ropeInfo));
}

void writeRopeDump(const ropeInfo *rope, FILE *file) {
    if (!rope || !file || rope->numPieces < 1) return;
    const ropePiece *last = &rope->pieces[rope->numPieces - 1];
    for (int axis = 0; axis < 2; axis++) {
        fprintf(file, "local armPosition_state0_%c = {", axis ? 'y' : 'x');
        for (int i = 0; i < rope->numPieces; i++) {
            double offset = (double)rope->pieces[i].location[axis] - (double)last->location[axis];
            // Truncated toward zero, kept within int so a wild value cannot overflow.
            int value = std::isnan(offset) ? 0 : offset >= 2147483647.0 ? 2147483647
                                             : offset <= -2147483648.0 ? (-2147483647 - 1) : (int)offset;
            fprintf(file, " %d,", value);
        }
        fprintf(file, axis ? "}\n\n\n" : "}\n");
    }
}

int eventRope(void *data, uint8_t eventType, uint8_t key, int x, int y, void *ref) {
    (void)x, (void)y, (void)ref;
    auto *rope = (ropeInfo *)data;
    switch (eventType) {
    case kObjEvent_MouseUp:
        dragPiece = nullptr;
        return 0;
    case kObjEvent_MouseDown:
        if (!isLevelEditorActive() || !private_owns(rope, selectedPiece)) return 0;
        dragPiece = selectedPiece;
        return 1;
    case kObjEvent_KeyDown: {
        if (!isLevelEditorActive() || (key != 'o' && key != 'O') || !(getModifiersForLastEvent() & kEnvModControl) ||
            !private_owns(rope, selectedPiece))
            return 0;
        FILE *file = getSaveFile("rope_dump", "txt", "wb");
        if (file) {
            writeRopeDump(rope, file);
            fclose(file);
        }
        return 1;
    }
    default:
        return 0;
    }
}

// ---- Script functions ----

// The piece a script names, or null: a rope that is not alive (a stale
// reference) or a piece number outside the rope is ignored.
static ropePiece *private_piece(lua_State *L) {
    auto *rope = (ropeInfo *)lua_touserdata(L, 1);
    if (!isLiveRope(rope)) {
        fprintf(stderr, "rope: a reference to a rope that no longer exists was ignored\n");
        return nullptr;
    }
    int piece = glLuaArgs_toInt(L, 2);
    return piece >= 0 && piece < rope->numPieces ? &rope->pieces[piece] : nullptr;
}

static int private_isRopeReference(lua_State *L, int index) { return lua_type(L, index) == LUA_TLIGHTUSERDATA; }

static void private_checkRope(lua_State *L, int count, const char *usage) {
    if (!glLuaArgs_hasCount(L, count) || !private_isRopeReference(L, 1)) glLuaArgs_raiseUsage(L, usage);
    for (int i = 2; i <= count; i++)
        if (!glLuaArgs_isNumber(L, i)) glLuaArgs_raiseUsage(L, usage);
}

static int lua_addRope(lua_State *L) {
    glLuaArgs_check(L, "sn", "usage: addRope(<String texture name>, <Number numPieces>)");
    ropeInfo *rope = addRope(getSpriteManagerObjectManager(), lua_tostring(L, 1), glLuaArgs_toInt(L, 2));
    if (!rope) return 0;
    lua_pushlightuserdata(L, rope);
    return 1;
}

static int lua_setRopeLocation(lua_State *L) {
    private_checkRope(L, 5, "usage: setRopeLocation(<References rope_reference>, <Number piece>, <Double x>, "
                            "<Double y>, <Double z>)");
    ropePiece *piece = private_piece(L);
    if (piece)
        for (int k = 0; k < 3; k++) piece->location[k] = (float)lua_tonumber(L, 3 + k);
    return 0;
}

static int lua_setRopeChangeLocation(lua_State *L) {
    private_checkRope(L, 6, "usage: setRopeChangeLocation(<References rope_reference>, <Number piece>, "
                            "<Number seconds>, <Double x>, <Double y>, <Double z>)");
    ropePiece *piece = private_piece(L);
    if (!piece) return 0;
    float steps = (float)lua_tonumber(L, 3) * kStepsPerSecond;
    // No time (or a NaN one) moves nothing rather than storing infinite steps.
    piece->duration_location = steps > 0.0f ? steps : 0.0f;
    for (int k = 0; k < 3; k++)
        piece->delta_location[k] = steps > 0.0f ? ((float)lua_tonumber(L, 4 + k) - piece->location[k]) / steps : 0.0f;
    return 0;
}

static int lua_setRopeScale(lua_State *L) {
    private_checkRope(L, 5, "usage: setRopeScale(<References rope_reference>, <Number piece>, <Double x>, "
                            "<Double y>, <Double z>)");
    ropePiece *piece = private_piece(L);
    if (piece)
        for (int k = 0; k < 3; k++) piece->scale[k] = (float)lua_tonumber(L, 3 + k);
    return 0;
}

static const luaL_Reg ropeFunctions[] = {
    {"addRope", lua_addRope},
    {"setRopeLocation", lua_setRopeLocation},
    {"setRopeChangeLocation", lua_setRopeChangeLocation},
    {"setRopeScale", lua_setRopeScale},
    {nullptr, nullptr},
};

void linkRopeFunctions(void) {
    lua_State *L = glLua_getLuaRef();
    if (!L) return;
    for (const luaL_Reg *entry = ropeFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
