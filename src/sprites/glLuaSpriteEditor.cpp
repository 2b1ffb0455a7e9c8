// glLuaSpriteEditor: the placement editor, a mode of the sprite manager. While
// it is on nothing moves (the motion step only selects the sprite under the
// mouse); the view scrolls with the mouse at a window edge or with the arrow
// keys; a press picks up the selected sprite and it follows the mouse in whole
// units until the button is let go; Control+P writes every placed sprite as a
// level dump line (addSprite("type", layer, x, y)), a script that lays the
// level out again. Mouse and keys reach the editor through the event function
// of the sprites that have an event script, as everything else they do.
// It draws nothing itself: the selection tint and the outlines are drawn with
// the sprites.

#include <cmath>
#include <climits>
#include <cstdio>
#include <vector>

#include "app/glApplication.h"
#include "platform/glEnvironment.h"
#include "platform/glFileDialog.h"
#include "script/glLua.h"
#include "sprites/glLuaSprite.h"

static int gLevelEditorActive = 0;
static int dragSprite = -1;
static float dragOffsetX = 0, dragOffsetY = 0;

// The view scrolls this far per update step with the mouse this close to an edge.
static const float kEdgeScrollStep = 2.0f;
static const int kEdgeWidth = 5;
// The arrow keys scroll by half a view.
static const float kKeyScrollX = 320.0f, kKeyScrollY = 240.0f;
// Key codes of the key table.
enum { kKeyLeft = 37, kKeyUp = 38, kKeyRight = 6, kKeyDown = 40 };
// Object-manager event types.
enum { kEventMouseUp = 0, kEventMouseDown = 1, kEventKeyDown = 3 };

// A float truncated toward zero, clamped to the int range (NaN gives 0).
static int private_trunc(float value) {
    if (std::isnan(value)) return 0;
    if (value >= (float)INT_MAX) return INT_MAX;
    if (value <= (float)INT_MIN) return INT_MIN;
    return (int)value;
}

int isLevelEditorActive(void) { return gLevelEditorActive; }
void setLevelEditorActive(int active) { gLevelEditorActive = active; }
int getDraggedSprite(void) { return dragSprite; }

void resetSpriteEditor(void) {
    gLevelEditorActive = 0;
    dragSprite = -1;
    dragOffsetX = dragOffsetY = 0;
}

// A sprite that goes is dropped: its reference may name a new sprite next.
void spriteEditorForgetSprite(int ref) {
    if (ref == dragSprite) dragSprite = -1;
}

static void private_moveOrigin(int index, float by) {
    setEnvironmentValue(index, getEnvironmentValue(index) + by);
}

int writeLevelDump(FILE *file) {
    if (!file) return -1;
    int lines = 0;
    for (int ref = 0; ref < getSpriteReferenceArraySize(); ref++) {
        luaSpriteInfo *sprite = getSprite(ref);
        if (!sprite || sprite->self.removeMe) continue;  // a removed sprite is not part of the level
        const luaSpriteInfoRec *rec = &sprite->self;
        if (!rec->colRec && !(rec->animationArray && rec->numberOfAnimations > 0)) continue;
        char line[256];
        int length = spriteLevelDumpLine(rec, line, sizeof(line));
        if (length < (int)sizeof(line)) {
            fputs(line, file);
        } else {  // a long type name
            std::vector<char> longer((size_t)length + 1);
            spriteLevelDumpLine(rec, longer.data(), length + 1);
            fputs(longer.data(), file);
        }
        lines++;
    }
    if (fflush(file) != 0 || ferror(file)) {
        fprintf(stderr, "Error: Unable to write the level dump\n");
        return -1;
    }
    return lines;
}

// Control+P: the dump goes where the save dialog says; nothing when it was
// cancelled or the file could not be made (the dialog has said so).
static void private_dumpLevel(void) {
    FILE *file = getSaveFile("level_dump", "txt", "wb");
    if (!file) return;
    int written = writeLevelDump(file);
    if (fclose(file) != 0 && written >= 0) fprintf(stderr, "Error: Unable to write the level dump\n");
}

static void private_pickUp(int x, int y) {
    int selected = getSelectedSprite();
    luaSpriteInfo *sprite = selected >= 0 ? getSprite(selected) : nullptr;
    if (!sprite) return;
    luaSpriteInfoRec *rec = &sprite->self;
    dragSprite = selected;
    if (getModifiersForLastEvent() & kEnvModControl)
        glApplication_setClickPosition(private_trunc(rec->location[0]), private_trunc(rec->location[1]));
    int wx = private_trunc((float)x + getEnvironmentValue(kEnv_WorldOrigin_X));
    int wy = private_trunc((float)y + getEnvironmentValue(kEnv_WorldOrigin_Y));
    dragOffsetX = rec->location[0] - (float)wx;
    dragOffsetY = rec->location[1] - (float)wy;
}

static int private_key(unsigned char key) {
    switch (key) {
    case kKeyUp: private_moveOrigin(kEnv_WorldOrigin_Y, kKeyScrollY); return 0;
    case kKeyDown: private_moveOrigin(kEnv_WorldOrigin_Y, -kKeyScrollY); return 0;
    case kKeyLeft: private_moveOrigin(kEnv_WorldOrigin_X, -kKeyScrollX); return 0;
    case kKeyRight: private_moveOrigin(kEnv_WorldOrigin_X, kKeyScrollX); return 0;
    case 'p':
    case 'P':
        if (!(getModifiersForLastEvent() & kEnvModControl)) return 0;
        private_dumpLevel();
        return 1;  // once per press, whether or not a file was chosen
    default: return 0;
    }
}

int spriteEditorEvent(luaSpriteInfoRec *rec, unsigned char type, unsigned char key, int x, int y) {
    (void)rec;
    switch (type) {
    case kEventMouseUp: dragSprite = -1; return 0;
    case kEventMouseDown: private_pickUp(x, y); return 0;
    case kEventKeyDown: return private_key(key);
    default: return 0;
    }
}

void updateSpriteEditor(void) {
    int mx = 0, my = 0;
    getMouse(&mx, &my);
    int width = getWindowWidth(), height = getWindowHeight();
    // The world bounds do not hold the editor's view.
    if (mx < kEdgeWidth) private_moveOrigin(kEnv_WorldOrigin_X, -kEdgeScrollStep);
    if (mx > width - kEdgeWidth) private_moveOrigin(kEnv_WorldOrigin_X, kEdgeScrollStep);
    if (my < kEdgeWidth) private_moveOrigin(kEnv_WorldOrigin_Y, -kEdgeScrollStep);
    if (my > height - kEdgeWidth) private_moveOrigin(kEnv_WorldOrigin_Y, kEdgeScrollStep);

    if (dragSprite < 0) return;
    luaSpriteInfo *sprite = getSprite(dragSprite);
    if (!sprite) {
        dragSprite = -1;
        return;
    }
    // The sprite's place on the screen keeps its offset from the mouse; a place
    // outside the window is not taken.
    int x = private_trunc((float)mx + dragOffsetX), y = private_trunc((float)my + dragOffsetY);
    if (x <= 0 || x > width || y <= 0 || y > height) return;
    sprite->self.location[0] = (float)private_trunc((float)x + getEnvironmentValue(kEnv_WorldOrigin_X));
    sprite->self.location[1] = (float)private_trunc((float)y + getEnvironmentValue(kEnv_WorldOrigin_Y));
}

// ---- Script functions ----

static int lua_activateSpriteEditor(lua_State *L) {
    (void)L;
    gLevelEditorActive = 1;
    return 0;
}

// A drag in progress is kept: it goes on when the editor is switched on again.
static int lua_deactivateSpriteEditor(lua_State *L) {
    (void)L;
    gLevelEditorActive = 0;
    return 0;
}

static const luaL_Reg editorFunctions[] = {
    {"activateSpriteEditor", lua_activateSpriteEditor},
    {"deactivateSpriteEditor", lua_deactivateSpriteEditor},
    {nullptr, nullptr},
};

void registerLuaSpriteEditorFunctions(lua_State *L) {
    for (const luaL_Reg *entry = editorFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
