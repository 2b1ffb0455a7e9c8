// glLuaSpriteRender: drawing one sprite each frame in the window's 2-D view
// (one unit per pixel, y up): the motion-blur trail, gradient bands, attached
// sprites following their parent, the off-screen cull, the transforms that
// place the image, the four ways an image is drawn with its mirror, the
// editor's selection tint, the text of text sprites and the collision
// overlay. Also setSpriteMotionBlurred. The trail itself is taken and aged by
// the motion step; glyphs are drawn by glText.
//
// Images are quads added to the quad batch (glQuadBatch), placed by a matrix
// computed here the way the GL matrix stack would, so that consecutive
// sprites of one image and blend are one draw. Everything else (bands, text,
// the overlay) draws in immediate mode after flushing the batch, so that it
// lands on top of what was batched before it.

#include "sprites/glLuaSprite.h"

#include <GL/gl.h>

#include <climits>
#include <cmath>

#include "core/glObjectManager.h"
#include "graphics/glCamera.h"
#include "graphics/glObject.h"
#include "graphics/glQuadBatch.h"
#include "graphics/glText.h"
#include "graphics/glTexture.h"
#include "script/glLua.h"
#include "script/glLuaArgs.h"

// Images are drawn only within 1024 units of the 640 x 480 view (scaled by parallax).
static const float kCullMargin = 1024.0f;
static const float kViewWidth = 640.0f, kViewHeight = 480.0f;
// A trail copy is never more opaque than this.
static const float kTrailMaxAlpha = 0.3f;
static const float kUpdatesPerSecond = 200.0f;

// Moves the matrix from world to screen units for a sprite with this parallax.
static void private_cameraTranslate(const luaSpriteInfoRec *rec) {
    if (rec->screenCoords) return;
    glTranslatef(-getEnvironmentValue(kEnv_WorldOrigin_X) * rec->parallaxValue,
                 -getEnvironmentValue(kEnv_WorldOrigin_Y) * rec->parallaxValue, 0.0f);
}

static const float kSelectedColor[4] = {1.0f, 0.0f, 0.0f, 1.0f};  // the sprite under the editor's mouse

static const float *private_color(const luaSpriteInfoRec *rec) {
    return rec->spriteRef == getSelectedSprite() ? kSelectedColor : rec->color;
}

static void private_blendAndColor(const luaSpriteInfoRec *rec) {
    if (rec->flags & kSpriteFlagBlend) {
        glEnable(GL_BLEND);
        glBlendFunc((GLenum)rec->blendSrc, (GLenum)rec->blendDst);
    } else {
        glDisable(GL_BLEND);
    }
    glColor4fv(private_color(rec));
}

static void private_rotate(const luaSpriteInfoRec *rec) {
    glRotatef(rec->rotation[2], 0.0f, 0.0f, 1.0f);
    glRotatef(rec->rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(rec->rotation[0], 1.0f, 0.0f, 0.0f);
}

static int private_isZero(const float *v) { return v[0] == 0 && v[1] == 0 && v[2] == 0; }

static void private_gradientBand(const luaSpriteInfoRec *rec) {
    glQuadBatch_flush();
    float x = rec->gradientRect.point.x, y = rec->gradientRect.point.y;
    float w = rec->gradientRect.size.width, h = rec->gradientRect.size.height;
    glDisable(GL_TEXTURE_2D);  // a band is plain colour whatever was drawn before
    glBegin(GL_QUADS);
    glColor3fv(rec->gradientBottomColor);
    glVertex2f(x, y);
    glVertex2f(x + w, y);
    glColor3fv(rec->gradientTopColor);
    glVertex2f(x + w, y + h);
    glVertex2f(x, y + h);
    glEnd();
}

// An attached sprite takes its placement from its parent; with the parent
// gone it is removed. Returns 0 when there is nothing to draw.
static int private_followParent(luaSpriteInfoRec *rec) {
    if (rec->relativeSprite < 0) return 1;
    noteLuaSpriteChanged(rec);  // the rollback copy must see what is written here
    luaSpriteInfo *parent = getSprite(rec->relativeSprite);
    if (!parent) {
        rec->removeMe = 1;
        return 0;
    }
    const luaSpriteInfoRec *p = &parent->self;
    rec->screenCoords = p->screenCoords;
    for (int i = 0; i < 3; i++) {
        rec->location[i] = rec->relativeOffset[i] + p->location[i];
        rec->origin[i] = rec->relativeOrigin[i] + p->origin[i];
        rec->scale[i] = p->scale[i];
    }
    return 1;
}

static int private_inCullWindow(const luaSpriteInfoRec *rec) {
    if (rec->screenCoords) return 1;
    float px = getEnvironmentValue(kEnv_WorldOrigin_X) * rec->parallaxValue;
    float py = getEnvironmentValue(kEnv_WorldOrigin_Y) * rec->parallaxValue;
    float x = rec->location[0], y = rec->location[1];
    return px - kCullMargin < x && x < px + kViewWidth + kCullMargin && py - kCullMargin < y &&
           y < py + kViewHeight + kCullMargin;
}

// The image's matrix, relative to the one in force: camera, location less
// origin, scale, rotation (z, y, then x, in degrees), the projectile's heading,
// then back by the origin, so that scale and rotation turn about the origin.
static void private_imageMatrix(luaSpriteInfoRec *rec, float m[16]) {
    matrix_identity(m);
    if (!rec->screenCoords)
        matrix_translate(m, -getEnvironmentValue(kEnv_WorldOrigin_X) * rec->parallaxValue,
                         -getEnvironmentValue(kEnv_WorldOrigin_Y) * rec->parallaxValue, 0.0f);
    matrix_translate(m, rec->location[0] - rec->origin[0], rec->location[1] - rec->origin[1],
                     rec->location[2] - rec->origin[2]);
    matrix_scale(m, rec->scale[0], rec->scale[1], rec->scale[2]);
    matrix_rotate(m, rec->rotation[2], 0.0f, 0.0f, 1.0f);
    matrix_rotate(m, rec->rotation[1], 0.0f, 1.0f, 0.0f);
    matrix_rotate(m, rec->rotation[0], 1.0f, 0.0f, 0.0f);
    if (rec->projectile) {
        noteLuaSpriteChanged(rec);
        for (int i = 0; i < 3; i++) rec->last_projectile_velocity[i] = rec->velocity[i];
    }
    if (!private_isZero(rec->last_projectile_velocity)) {
        // The helper normalises its arguments; the record keeps its own vectors.
        float base[3] = {rec->projectile_base[0], rec->projectile_base[1], rec->projectile_base[2]};
        float heading[3] = {rec->last_projectile_velocity[0], rec->last_projectile_velocity[1],
                            rec->last_projectile_velocity[2]};
        float turn[16];
        rotateToVectorMatrix(base, heading, turn);
        matrix_multiply(m, turn);
    }
    matrix_translate(m, rec->origin[0], rec->origin[1], rec->origin[2]);
}

static quadBatchKey private_blendKey(const luaSpriteInfoRec *rec) {
    quadBatchKey key = {0, 0, 0, 0};
    if (rec->flags & kSpriteFlagBlend) {
        key.blend = 1;
        key.blendSrc = rec->blendSrc;
        key.blendDst = rec->blendDst;
    }
    return key;
}

// One quad of a texture rectangle (from tile 0), placed by the texture's
// origin, with the texture corners swapped by the mirror value (other values
// draw nothing). A texture that is not loaded leaves a plain-colour quad.
static void private_drawRect(int textureRef, float u1, float t1, float u2, float t2, int width, int height,
                             int mirror, const float m[16], quadBatchKey key, const float *color) {
    if (mirror < 0 || mirror > 3) return;
    int ox = 0, oy = 0;
    glTexture_getOrigin(textureRef, &ox, &oy);
    float x = (float)-ox, y = (float)-oy;
    float left = (mirror & 1) ? u2 : u1, right = (mirror & 1) ? u1 : u2;
    float bottom = (mirror & 2) ? t2 : t1, top = (mirror & 2) ? t1 : t2;
    uint32_t name = glTexture_getTextureID(textureRef, 0);
    key.texName = name == 0xFFFFFFFFu ? 0 : name;
    const float corners[4][2] = {
        {x, y}, {x + (float)width, y}, {x + (float)width, y + (float)height}, {x, y + (float)height}};
    const float texCoords[4][2] = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
    glQuadBatch_addQuadThrough(m, &key, corners, texCoords, color);
}

static void private_drawImage(const luaSpriteInfoRec *rec, float m[16]) {
    quadBatchKey key = private_blendKey(rec);
    const float *color = private_color(rec);
    const animationInfo *frame = nullptr;
    if (rec->animationArray && rec->numberOfAnimations > 0) {
        if (rec->currentFace < 0 || rec->currentFace >= rec->numberOfAnimations) return;
        frame = &rec->animationArray[rec->currentFace];
    }
    if (!frame) {
        if (rec->cellAnimation)
            private_drawRect(rec->textureRef, rec->u1, rec->t1, rec->u2, rec->t2, rec->width, rec->height,
                             rec->flippedTexture, m, key, color);
        else
            glTexture_renderBatched(rec->textureRef, 0, 0, rec->flippedTexture, m, &key, color);
        return;
    }
    int mirror = frame->cellAnimation ? frame->flipped : rec->flippedTexture;
    // Steering towards a target: face left while moving left (this replaces
    // the frame's own mirror, vertical part included).
    if (rec->targetSprite >= 0 && getSprite(rec->targetSprite) && rec->flipWhenGoingLeft)
        mirror = rec->velocity[0] < 0 ? 1 : 0;
    if (frame->cellAnimation) {
        matrix_translate(m, frame->origin[0], frame->origin[1], frame->origin[2]);
        private_drawRect(frame->textureRef, frame->u1, frame->t1, frame->u2, frame->t2, frame->width, frame->height,
                         mirror, m, key, color);
    } else {
        glTexture_renderBatched(frame->textureRef, 0, 0, mirror, m, &key, color);
    }
}

// Text is drawn even for hidden or culled sprites and those without an image.
static void private_drawText(const luaSpriteInfoRec *rec) {
    if (rec->alphabetRef < 0 || !rec->spriteDesc) return;
    glQuadBatch_flush();
    glPushMatrix();
    private_blendAndColor(rec);
    private_cameraTranslate(rec);
    glTranslatef(rec->location[0] - rec->origin[0], rec->location[1] - rec->origin[1], rec->location[2] - rec->origin[2]);
    glScalef(rec->scale[0], rec->scale[1], rec->scale[2]);
    private_rotate(rec);
    setAlphabetCellSize(rec->alphabetCellSize);
    switch (rec->justification) {
    case 0: printString(rec->spriteDesc, rec->alphabetRef); break;
    case 1: printCenteredString(rec->spriteDesc, rec->alphabetRef); break;
    case 2: printRightAlignedString(rec->spriteDesc, rec->alphabetRef); break;
    default: break;
    }
    glPopMatrix();
}

// Edge flag letters to overlay colours; other letters keep the colour in force.
static void private_flagColor(char flag, float *rgb) {
    switch (flag) {
    case 'F': rgb[0] = 1, rgb[1] = 0, rgb[2] = 0; break;
    case 'R': case 'E': rgb[0] = 0, rgb[1] = 1, rgb[2] = 0; break;
    case 'L': case 'I': rgb[0] = 0, rgb[1] = 0, rgb[2] = 1; break;
    case 'C': case 'X': rgb[0] = 1, rgb[1] = 1, rgb[2] = 0; break;
    case 'Q': rgb[0] = 0, rgb[1] = 0, rgb[2] = 0; break;
    default: break;
    }
}

// Each edge is drawn in the colour of the flag of the vertex it starts at
// (white until a flag says otherwise), as separate segments so that colours
// do not blend along an edge.
static void private_drawShape(const collisionRec *shape, int flipped) {
    glDisable(GL_TEXTURE_2D);
    for (_treeNode *node = getChild(shape->polygonList, 0); node; node = getSibling(node)) {
        const polygonRec *polygon = (const polygonRec *)getData(node);
        if (!polygon || !polygon->polygon) continue;
        float rgb[3] = {1.0f, 1.0f, 1.0f};
        glBegin(GL_LINES);
        for (int i = 0; i + 1 < polygon->numVerts; i++) {
            if (polygon->hasEdgeFlags && polygon->edgeFlags) private_flagColor(polygon->edgeFlags[i], rgb);
            glColor3fv(rgb);
            for (int end = i; end <= i + 1; end++) {
                float x = polygon->polygon[end].p[0], y = polygon->polygon[end].p[1];
                if (flipped & 1) x = shape->width - x;
                if (flipped & 2) y = shape->height - y;
                glVertex2f(x, y);
            }
        }
        glEnd();
    }
    // The bounding circle as a star of eight radii.
    float cx = shape->origin[0], cy = shape->origin[1], r = shape->radius, d = 0.74f * shape->radius;
    if (flipped & 1) cx = shape->width - cx;
    if (flipped & 2) cy = shape->height - cy;
    const float ends[8][2] = {{0, r}, {0, -r}, {r, 0}, {-r, 0}, {d, d}, {d, -d}, {-d, d}, {-d, -d}};
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (const auto &end : ends) {
        glVertex2f(cx, cy);
        glVertex2f(cx + end[0], cy + end[1]);
    }
    glEnd();
}

static void private_drawOverlay(const luaSpriteInfoRec *rec) {
    if (!isLevelEditorActive() && !getCollisionOverlayMode()) return;
    int flipped = 0;
    const collisionRec *shape = getSpriteCollisionRecord(rec->spriteRef, &flipped);
    if (!shape) return;
    glQuadBatch_flush();
    glPushMatrix();
    private_cameraTranslate(rec);
    glTranslatef(rec->location[0] - rec->origin[0], rec->location[1] - rec->origin[1], rec->location[2] - rec->origin[2]);
    glTranslatef(rec->origin[0], rec->origin[1], rec->origin[2]);
    private_drawShape(shape, flipped);
    glPopMatrix();
}

// The model goes through the GL matrix stack (it is a display list): what was
// batched is drawn first so that it stays below.
static void private_drawModel(const luaSpriteInfoRec *rec, const float m[16]) {
    glQuadBatch_flush();
    glPushMatrix();
    glMultMatrixf(m);
    private_blendAndColor(rec);
    rec->modelRef->draw(kObjectDraw_Texture);
    if (rec->flags & kSpriteFlagBlend) glDisable(GL_BLEND);
    glPopMatrix();
}

void drawLuaSpriteInfoRec(luaSpriteInfoRec *rec) {
    if (!rec || rec->removeMe) return;
    if (rec->gradientRect.size.width != 0) {
        private_gradientBand(rec);
        return;
    }
    if (rec->waitTime != 0 && !rec->showSpriteDuringWait) return;
    if (!private_followParent(rec)) return;
    int hasImage = rec->textureRef >= 0 || (rec->modelRef && rec->modelRef->isValid()) || (rec->animationArray && rec->numberOfAnimations > 0);
    if (hasImage && private_inCullWindow(rec)) {
        float m[16];
        private_imageMatrix(rec, m);
        if (!rec->hidden) {
            private_drawImage(rec, m);
            if (rec->modelRef && rec->modelRef->isValid()) private_drawModel(rec, m);
        }
        // The sprite's colour is left current even when nothing was drawn, as glColor did.
        glQuadBatch_setColor(private_color(rec));
    }
    private_drawText(rec);
    private_drawOverlay(rec);
}

// The trail first, oldest copy first, then the sprite on top of it.
void displayLuaSprite(void *data) {
    luaSpriteInfo *sprite = (luaSpriteInfo *)data;
    if (!sprite) return;
    if (sprite->trail) {
        for (int i = 0; i < kSpriteMotionBlurCopies; i++) {
            luaSpriteInfoRec *copy = sprite->trail->copies[i];
            if (!copy) continue;
            float alpha = 0.0f;
            if (sprite->motionBlurWaitTime > 0)
                alpha = std::fmin((float)sprite->trail->wait[i] / (float)sprite->motionBlurWaitTime, kTrailMaxAlpha);
            copy->color[3] = alpha;
            // A copy's description and model may have been replaced (and freed)
            // since it was taken: it shows the sprite's current ones.
            copy->spriteDesc = sprite->self.spriteDesc;
            copy->modelRef = sprite->self.modelRef;
            drawLuaSpriteInfoRec(copy);
        }
    }
    drawLuaSpriteInfoRec(&sprite->self);
}

// ---- Script function ----

static int private_truncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= (double)INT_MIN) return INT_MIN;
    return (int)value;
}

static int lua_setSpriteMotionBlurred(lua_State *L) {
    glLuaSprite_checkAtLeast(L, "nb", "usage: setSpriteMotionBlurred(<Integer spriteRefNum>, <Boolean blurred> [<Number duration>, <Number skip frames>])");
    luaSpriteInfo *sprite = getSprite(glLuaArgs_toInt(L, 1));
    if (!sprite) return 0;
    int blurred = lua_toboolean(L, 2);
    if (blurred) {
        // A copy lives this many updates; a negative duration leaves none
        // (and must not count down past the int range).
        int wait = private_truncToInt(lua_tonumber(L, 3) * kUpdatesPerSecond);
        sprite->motionBlurWaitTime = wait < 0 ? 0 : wait;
        int skip = private_truncToInt(lua_tonumber(L, 4));
        // A copy is taken on updates divisible by the skip: it is never below 1.
        sprite->motionBlurFrameSkip = skip < 1 ? 1 : skip;
    }
    sprite->motionBlurred = blurred;
    return 0;
}

static const luaL_Reg renderFunctions[] = {
    {"setSpriteMotionBlurred", lua_setSpriteMotionBlurred},
    {nullptr, nullptr},
};

void registerLuaSpriteRenderFunctions(lua_State *L) {
    for (const luaL_Reg *entry = renderFunctions; entry->name; entry++) glLua_register(L, entry->name, entry->func);
}
