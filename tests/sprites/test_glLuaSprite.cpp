// The sprite manager, definitions, property and placement functions as scripts
// see them, in-process with the real script host (and an offscreen GL context
// for textures and the clear colour).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "core/glMemory.h"
#include "core/glObjectManager.h"
#include "platform/glEnvironment.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"
#include "sprites/glLuaSprite.h"
#include "sprites/scriptedLevelTest.h"
#include "sprites/spriteTestHelpers.h"

namespace {

class Sprites : public ScriptedLevelTest {
  protected:
    void update() { updateObjectManager(glLua_getObjectManager()); }
};

// A square shape 0..100 x 0..50 (closed outline: the first vertex repeats).
struct squareShape {
    vertex corners[5] = {{{0, 0, 0}}, {{100, 0, 0}}, {{100, 50, 0}}, {{0, 50, 0}}, {{0, 0, 0}}};
    char flags[5] = {'F', 'R', 'L', 'Q', 0};
    collisionRec shape = {};
    squareShape() {
        shape.polygonList = createTree();
        polygonRec polygon = {5, 1, corners, flags};
        addChild(shape.polygonList, &polygon, sizeof polygon);
        shape.origin[0] = 50, shape.origin[1] = 25, shape.radius = 56;
        shape.width = 100, shape.height = 50;
    }
    ~squareShape() { destructTree(shape.polygonList); }
};

const char *kSimple = "<level>\n<sprite type=\"a\"/>\n<sprite type=\"slash\"/>\n</level>";

TEST_F(Sprites, ReferencesAreReusedLowestFirstAndTheTableLimitsSprites) {
    load(kSimple);
    EXPECT_EQ(call("return addSprite('a', 1)"), "-1");  // no table yet
    call("initSpriteManager(3)");
    EXPECT_EQ(call("return addSprite('a', 1), addSprite('a', 1), addSprite('a', 1)"), "0,1,2");
    call("removeSprite(1)");
    ASSERT_NE(getSprite(1), nullptr);  // removal waits for the sprite's update
    update();
    EXPECT_EQ(getSprite(1), nullptr);
    EXPECT_EQ(call("return addSprite('a', 1)"), "1");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(call("return addSprite('a', 1)"), "-1");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                  "Error: Unable to add sprite since it is beyond the number of sprites allowed\n"),
              std::string::npos);

    // A smaller table keeps the sprites that fit; the others go at their update.
    call("initSpriteManager(2)");
    EXPECT_EQ(getSprite(2), nullptr);
    update();
    EXPECT_EQ(getNumberOfLuaSprites(), 2);
    EXPECT_EQ(call("initSpriteManager(0)"), "error: usage: initSpriteManager(<Integer max number of sprites>)");
    EXPECT_EQ(call("return addSprite('a', 1)"), "-1");
    update();
    EXPECT_EQ(getNumberOfLuaSprites(), 0);
}

TEST_F(Sprites, EveryDefinitionOfATypeMakesASpriteAndInitScriptsReadTheirParameters) {
    const char *record = "<init language=\"Lua\">made = (made or '') .. gCurrentSprite .. ':' .. tostring(getSpriteParameter(0)) .. "
                         "'/' .. tostring(getSpriteParameter(1)) .. '/' .. tostring(getSpriteParameter(2)) .. ';'</init>";
    load(std::string("<sprite type=\"pair\">") + record + "</sprite>\n<level>\n<sprite type=\"pair\">" + record +
         "</sprite>\n<sprite type=\"outer\"><init language=\"Lua\">addSprite('inner', 1, 'in') after = getSpriteParameter(0)</init></sprite>\n"
         "<sprite type=\"inner\"><init language=\"Lua\">seen = getSpriteParameter(0)</init></sprite>\n"
         "<sprite type=\"placed\"><init language=\"Lua\">placeSprite(gCurrentSprite, 5, 5, 0)</init></sprite>\n"
         "<script language=\"Lua\">initSpriteManager(10)</script>\n</level>");
    EXPECT_EQ(call("return addSprite('pair', 2, 'x', 5)"), "1");
    EXPECT_EQ(call("return made"), "0:x/5/nil;1:x/5/nil;");
    EXPECT_EQ(call("return addSprite('none', 1)"), "-1");
    EXPECT_EQ(call("return getSpriteParameter(0)"), "nil");  // only while a call runs
    EXPECT_EQ(call("return getSpriteParameter(0, 1)"), "");
    // A nested call shows its own parameters; the outer ones come back after it.
    call("addSprite('outer', 1, 'out')");
    EXPECT_EQ(call("return seen, after"), "in,out");
    // newSprite centres the sprite on the view after its init script and returns nothing.
    call("setEnvironmentGlobal('kEnv_WorldOrigin_X', 100)");
    EXPECT_EQ(call("return newSprite('placed', 1)"), "");
    EXPECT_EQ(call("return getSpriteLocation(4)"), "420,240,0");
}

TEST_F(Sprites, DefinitionElementsGiveScriptsUpdateMethodsAndBlending) {
    load("<level>\n<sprite type=\"full\"><event language=\"Lua\" mouseOver=\"true\" captureAllMouse=\"yes\">e = 1</event>"
         "<update language=\"Lua\" frequency=\"0.25\">u = 1</update><blend src=\"GL_SRC_ALPHA\" dst=\"GL_ONE_MINUS_SRC_ALPHA\"/>"
         "<collision language=\"Lua\" file=\"Data/box.ps\" origin=\"(3, 4)\">c = 1</collision></sprite>\n"
         "<sprite type=\"plain\"><event mouseOver=\"true\">e = 2</event><update language=\"Lua\" frequency=\"sometimes\">u = 2</update>"
         "<blend src=\"GL_ONE\"/><collision file=\"Data/box.ps\"/></sprite>\n"
         "<sprite type=\"wrap\"><update language=\"Lua\" frequency=\"animation\">u = 3</update><blend src=\"GL_SRC_COLOR\" dst=\"GL_DST_COLOR\"/></sprite>\n"
         "<script language=\"Lua\">initSpriteManager(5) addSprite('full', 1) addSprite('plain', 1) addSprite('wrap', 1)</script>\n</level>");
    luaSpriteInfoRec *full = rec(0), *plain = rec(1), *wrap = rec(2);
    ASSERT_TRUE(full && plain && wrap);
    EXPECT_STREQ(full->eventScript, "e = 1");
    EXPECT_EQ(full->getMouseOvers, 1);
    EXPECT_EQ(full->getAllMouse, 0);
    EXPECT_EQ(full->updateMethod, kUpdatePeriodic);
    EXPECT_EQ(full->updateWaitTime, 50);
    EXPECT_EQ(full->updateWait, 50);
    EXPECT_EQ(full->flags & kSpriteFlagBlend, kSpriteFlagBlend);
    EXPECT_EQ(full->blendSrc, GL_SRC_ALPHA);
    EXPECT_EQ(full->blendDst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_STREQ(full->collisionScript, "c = 1");
    EXPECT_STREQ(full->collisionFileKey, "Data/box.ps(3, 4)");
    // No language: no event script and its attributes are not read.
    EXPECT_EQ(plain->eventScript, nullptr);
    EXPECT_EQ(plain->getMouseOvers, 0);
    EXPECT_EQ(plain->updateMethod, kUpdateOnRequest);
    EXPECT_STREQ(plain->updateScript, "u = 2");
    EXPECT_EQ(plain->flags, 0);  // a blend element needs both factors
    EXPECT_STREQ(plain->collisionFileKey, "Data/box.ps");
    EXPECT_EQ(wrap->updateMethod, kUpdateOnAnimationWrap);
    EXPECT_EQ(wrap->blendSrc, GL_ZERO);  // a destination-only name on the source side
    EXPECT_EQ(wrap->blendDst, GL_ZERO);

    EXPECT_TRUE(isnumber("0.5"));
    EXPECT_TRUE(isnumber("12"));
    EXPECT_FALSE(isnumber("-1"));
    EXPECT_FALSE(isnumber("1e2"));
    EXPECT_FALSE(isnumber("1.2.3"));

    full->location[0] = -12.9f, full->location[1] = 40.2f;
    char line[64];
    spriteLevelDumpLine(full, line, sizeof line);
    EXPECT_STREQ(line, "addSprite(\"full\", 1, -12, 40)\n");
}

TEST_F(Sprites, RemovalIsDeferredAndSafeFromTheSpritesOwnScripts) {
    load("<level>\n<sprite type=\"a\"/>\n<sprite type=\"slash\"/>\n"
         "<sprite type=\"doomed\"><init language=\"Lua\">removeSprite(gCurrentSprite) setSpriteDescription(gCurrentSprite, 'still here')</init></sprite>\n"
         "<sprite type=\"grow\"><init language=\"Lua\">initSpriteManager(8) child = addSprite('grow2', 3)</init></sprite>\n"
         "<sprite type=\"grow2\"><init language=\"Lua\">grandchild = addSprite('a', 4) removeSprite(gCurrentSprite)</init></sprite>\n"
         "<script language=\"Lua\">initSpriteManager(4)</script>\n</level>");
    EXPECT_EQ(call("return addSprite('doomed', 1)"), "0");
    EXPECT_STREQ(rec(0)->spriteDesc, "still here");
    EXPECT_EQ(call("removeSprite(0) removeSprite(0)"), "");  // marked twice: no error
    update();
    EXPECT_EQ(call("removeSprite(0)"), "error: Error: No sprite defined for that reference number");
    EXPECT_EQ(call("removeSprite(-1)"), "error: Error: No sprite defined for that reference number");

    // Creation nested in init scripts, with the table replaced underneath.
    EXPECT_EQ(call("return addSprite('grow', 1), child, grandchild"), "0,1,2");
    update();
    EXPECT_EQ(getSprite(1), nullptr);
    EXPECT_EQ(getNumberOfLuaSprites(), 2);

    int slash = (int)std::stod(call("return addSprite('slash', 1)"));
    EXPECT_EQ(getSlashSprite(), rec(slash));
    call("removeSprite(" + std::to_string(slash) + ")");
    update();
    EXPECT_EQ(getSlashSprite(), nullptr);
}

TEST_F(Sprites, EnvironmentGlobalsBoundsAndCamera) {
    load(kSimple);
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldBounds_Left'), getEnvironmentGlobal('kEnv_WorldBounds_Right'),"
                   "getEnvironmentGlobal('kEnv_WorldBounds_Bottom'), getEnvironmentGlobal('kEnv_WorldBounds_Top'),"
                   "getEnvironmentGlobal('kEnv_CameraSpriteFocus')"),
              "0,640,0,480,-1");
    call("setEnvironmentGlobal('kEnv_Bgcolor_G', 0.5)");
    float clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[1], 0.5f);
    EXPECT_EQ(call("setEnvironmentGlobal('kEnv_Nothing', 1)"), "");
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_Nothing')"), "error: Environment variable does not exist");

    // An immobile sprite's shape widens the bounds once after a load.
    squareShape square;
    call("initSpriteManager(4)");
    int wall = (int)std::stod(call("return addSprite('a', 1)"));
    rec(wall)->immobile = 1;
    rec(wall)->colRec = &square.shape;
    rec(wall)->location[0] = 1000;
    resetSpriteEnvironmentAfterLoad();
    calculateWorldBoundsFromSpritePositions();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldBounds_Right'), getEnvironmentGlobal('kEnv_WorldBounds_Left')"), "1100,0");
    rec(wall)->location[0] = 3000;
    calculateWorldBoundsFromSpritePositions();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldBounds_Right')"), "1100");

    // The camera: clamped at the left bound, following y, still while x stands.
    int hero = (int)std::stod(call("return addSprite('a', 1)"));
    rec(hero)->colRec = &square.shape;
    call("placeSprite(" + std::to_string(hero) + ", 100, 300, 0)");
    call("setEnvironmentGlobal('kEnv_CameraSpriteFocus', " + std::to_string(hero) + ")");
    updateLuaSpriteManager();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldOrigin_X'), getEnvironmentGlobal('kEnv_WorldOrigin_Y')"), "0,60");
    update();  // the hero stands still from here on
    call("setEnvironmentGlobal('kEnv_WorldOrigin_X', 5) placeSprite(" + std::to_string(hero) + ", 100, 100, 0)");
    updateLuaSpriteManager();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldOrigin_X'), getEnvironmentGlobal('kEnv_WorldOrigin_Y')"), "5,0");
    call("placeSprite(" + std::to_string(hero) + ", 1090, 100, 0)");
    updateLuaSpriteManager();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldOrigin_X')"), "460");  // right bound 1100 - 640
    rec(hero)->colRec = nullptr;  // without a shape the camera stays
    call("placeSprite(" + std::to_string(hero) + ", 500, 900, 0)");
    updateLuaSpriteManager();
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_WorldOrigin_X'), getEnvironmentGlobal('kEnv_WorldOrigin_Y')"), "460,0");
    rec(wall)->colRec = nullptr;
}

TEST_F(Sprites, PropertyAndPlacementFunctionsSetTheRecord) {
    load(kSimple);
    std::string texture = dir + "wide.tga";
    spriteTest_writeTGA(texture, 128, 64, [](int, int) { return rgba{9, 9, 9, 255}; });
    int textureRef = glTexture_loadTexture(texture.c_str(), 0);
    ASSERT_GE(textureRef, 0);
    call("initSpriteManager(4) s = addSprite('a', 7) t = addSprite('a', 1)");
    luaSpriteInfoRec *s = rec(0);

    call("setSpriteFlipHorizontal(s, true) setSpriteFlipVertical(s, true) setSpriteFlipHorizontal(s, false)");
    EXPECT_EQ(s->flippedTexture, 2);
    call("setSpriteJustification(s, 'center') setSpriteJustification(s, 'middle')");
    EXPECT_EQ(s->justification, 1);
    call("setSpriteTexture(s, " + std::to_string(textureRef) + ")");
    EXPECT_EQ(s->width, 128);
    EXPECT_EQ(s->height, 64);
    EXPECT_EQ(s->cellAnimation, 0);
    call("setSpriteTextureRect(s, '0, 0, 32, 32')");
    EXPECT_FLOAT_EQ(s->u2, 0.25f);
    EXPECT_FLOAT_EQ(s->t2, 0.5f);
    EXPECT_EQ(s->width, 32);
    EXPECT_EQ(s->cellAnimation, 1);

    call("setSpriteWait(s, 1)");
    EXPECT_EQ(s->waitTime, 200);
    EXPECT_EQ(s->showSpriteDuringWait, 0);
    call("setSpritePause(s, 0.5)");
    EXPECT_EQ(s->waitTime, 100);
    EXPECT_EQ(s->showSpriteDuringWait, 1);

    // Timed changes: count = seconds x 200, delta from the value at the call.
    call("setSpriteColorChange(s, 1, 1, 1, 1, 0)");
    EXPECT_FLOAT_EQ(s->colorCount, 200);
    EXPECT_FLOAT_EQ(s->colorDelta[3], -0.005f);
    call("setSpriteColor(s, 0.5, 0.5, 0.5, 0.5)");
    EXPECT_FLOAT_EQ(s->colorCount, 200);  // goes on from the new colour
    call("setSpriteRotationChange(s, 1, 0, 0, 90) setSpriteRotation(s, 1, 2, 3)");
    EXPECT_EQ(s->rotationCount, 0);
    EXPECT_EQ(s->rotationDelta[2], 0);
    EXPECT_EQ(call("return getSpriteRotation(s)"), "1,2,3");
    call("setSpriteScaleChange(s, 0, 5, 5, 5)");
    EXPECT_EQ(s->scaleCount, 0);
    call("setEnvironmentGlobal('kEnv_Gravity_Y', 0.2) setSpriteEnvironmentChange(s, 'kEnv_Gravity_Y', 2, -0.2)");
    EXPECT_EQ(s->enviroVar, environmentGlobalReference(kEnv_Gravity_Y));
    EXPECT_FLOAT_EQ(s->enviroCount, 400);
    EXPECT_FLOAT_EQ(s->enviroDelta, -0.001f);
    call("setSpriteEnvironmentChange(t, 'kEnv_Nothing', 2, 1)");
    EXPECT_EQ(rec(1)->enviroVar, nullptr);

    call("setSpriteGradientRect(s, '10, 20, 30, 40') setSpriteGradientColors(s, 1, 0, 0, 1, 0, 0, 1, 1)");
    EXPECT_EQ(s->gradientRect.point.y, 20);
    EXPECT_EQ(s->gradientRect.size.height, 40);
    EXPECT_EQ(s->gradientTopColor[0], 1);
    EXPECT_EQ(s->gradientBottomColor[2], 1);

    call("setSpriteMotionBlurred(s, true, 0.5)");
    EXPECT_EQ(getSprite(0)->motionBlurWaitTime, 100);
    EXPECT_EQ(getSprite(0)->motionBlurFrameSkip, 1);  // a missing skip is kept at 1
    call("setSpriteMotionBlurred(s, true, 1, 3) setSpriteMotionBlurred(s, false)");
    EXPECT_EQ(getSprite(0)->motionBlurFrameSkip, 3);
    EXPECT_EQ(getSprite(0)->motionBlurred, 0);

    EXPECT_EQ(call("return getSpriteAnimationLayer(s), getSpriteType(s)"), "7,a");
    EXPECT_EQ(call("return getSpriteRotation(99)"), "");
    EXPECT_EQ(call("return getSpriteType(-1)"), "");
    EXPECT_EQ(call("return getSpriteDescription(99)"), "error: Error: No sprite defined for that reference number");
    EXPECT_EQ(call("return getSpriteDescription(s)"), "");
    EXPECT_STREQ(luaConsole_getLine(0), "Error: This sprite does not have a description");
    EXPECT_EQ(call("setSpriteDescription(s, 'one') setSpriteDescription(s, 'two') return getSpriteDescription(s)"), "two");

    call("placeSprite(s, 1, 2, 3) moveSprite(s, 10, 10, 10) setSpriteOrigin(s, 16, 8, 0) setSpriteParallax(s, 0.5)");
    EXPECT_EQ(call("return getSpriteLocation(s)"), "11,12,13");
    EXPECT_EQ(s->origin[0], -16);
    EXPECT_EQ(s->parallaxValue, 0.5f);
    s->width = 33, s->height = 20;
    call("centerSpriteOrigin(s)");
    EXPECT_EQ(s->origin[0], -16);
    EXPECT_EQ(s->origin[1], -10);
    // Attaching keeps the current placement as the offset; loops are refused.
    call("setSpriteRelativeToSprite(s, t) setSpriteRelativeToSprite(t, s) setSpriteRelativeToSprite(s, 3)");
    EXPECT_EQ(s->relativeSprite, 1);
    EXPECT_EQ(s->relativeOffset[1], 12);
    EXPECT_EQ(rec(1)->relativeSprite, -1);
    call("setSpriteProjectile(s, true) setSpriteProjectileBaseVector(s, 1, 0, 0)");
    EXPECT_EQ(s->projectile, 1);
    EXPECT_EQ(s->projectile_base[0], 1);
}

TEST_F(Sprites, EveryFunctionRaisesItsUsageText) {
    load(kSimple);
    call("initSpriteManager(2) s = addSprite('a', 1)");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"initSpriteManager('3')", "usage: initSpriteManager(<Integer max number of sprites>)"},
        {"setEnvironmentGlobal('kEnv_Gravity_X')", "usage: setEnvironmentGlobal(<String variable name>, <Double value>)"},
        {"getEnvironmentGlobal(1)", "usage: getEnvironmentGlobal(<String variable name>)"},
        {"addSprite('a')", "usage: addSprite(<String sprite type>, <Integer layer number>)"},
        {"addSprite(1, 1)", "usage: addSprite(<String sprite type>, <Integer layer number>)"},
        {"newSprite('a', '1')", "usage: newSprite(<String sprite type>, <Integer layer number>)"},
        {"removeSprite(s, 1)", "usage: removeSprite(<Integer spriteRefNum>)"},
        {"setSpriteMotionBlurred(s, 1)", "usage: setSpriteMotionBlurred(<Integer spriteRefNum>, <Boolean blurred> [<Number duration>, <Number skip frames>])"},
        {"setSpriteDescription(s)", "usage: setSpriteDescription(<Integer spriteRefNum>, <String description>)"},
        {"getSpriteDescription('s')", "usage: getSpriteDescription(<Integer spriteRefNum>)"},
        {"setSpriteModel(s)", "usage: setSpriteModel(<Integer spriteRefNum>, <String xml_tag_name>)"},
        {"setSpriteModelTexture(s, 'x')", "usage: setSpriteModelTexture(<Integer spriteRefNum>, <Integer textureRefNum>)"},
        {"setSpriteUseScreenCoordinates(s, 1)", "usage: setSpriteUseScreenCoordinates(<Integer spriteRefNum>, <Boolean use screen coordinates>)"},
        {"setSpriteAlwaysUpdate(s)", "usage: setSpriteAlwaysUpdate(<Integer spriteRefNum>, <Boolean always update>)"},
        {"setSpriteHidden(s, 1)", "usage: setSpriteHidden(<Integer spriteRefNum>, <Boolean is hidden>)"},
        {"setSpriteFlipHorizontal(s, true, 1)", "usage: setSpriteFlipHorizontal(<Integer spriteRefNum>, <Boolean is flipped>)"},
        {"setSpriteFlipVertical(s, 'true')", "usage: setSpriteFlipVertical(<Integer spriteRefNum>, <Boolean is flipped>)"},
        {"setSpriteAlphabet(s)", "usage: setSpriteAlphabet(<Integer spriteRefNum>, <Integer alphabetRefNum>)"},
        {"setSpriteJustification(s, 1)", "usage: setSpriteJustification(<Integer spriteRefNum>, <String left/center/right>)"},
        {"setSpriteAlphabetCellSize(s)", "usage: setSpriteAlphabetCellSize(<Integer spriteRefNum>, <Float cell size)"},
        {"setSpriteTexture('s', 1)", "usage: setSpriteTexture(<Integer spriteRefNum>, <Integer textureRefNum>)"},
        {"setSpriteTextureRect(s, 1)", "usage: setSpriteTextureRect(<Integer spriteRefNum>, <String rect_coords>)"},
        {"setSpriteWait(s)", "usage: setSpriteWait(<Integer spriteRefNum> <Double seconds>)"},
        {"setSpritePause(s, 'x')", "usage: setSpritePause(<Integer spriteRefNum> <Double seconds>)"},
        {"setSpriteGradientColors(s, 1, 1, 1, 1, 1, 1, 1)", "usage: setSpriteGradientColors(<Integer spriteRefNum>, <Double top red>, <Double top green>, <Double top blue>, <Double top alpha>, <Double bottom red>, <Double bottom green>, <Double bottom blue>, <Double bottom alpha>)"},
        {"setSpriteGradientRect(s)", "usage: setSpriteGradientRect(<Integer spriteRefNum>, <String rect_coords>)"},
        {"setSpriteRotation(s, 1, 2)", "usage: setSpriteRotation(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"setSpriteRotationChange(s, 1, 2, 3)", "usage: setSpriteRotationChange(<Integer spriteRefNum>, <Double seconds>, <Double x>, <Double y>, <Double z>)"},
        {"setSpriteScale(s, 1, 2, 3, 4)", "usage: setSpriteScale(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"setSpriteScaleChange(s, 1, 2, 3, '4')", "usage: setSpriteScaleChange(<Integer spriteRefNum>, <Double seconds>, <Double x>, <Double y>, <Double z>)"},
        {"setSpriteColor(s, 1, 1, 1)", "usage: setSpriteColor(<Integer spriteRefNum>, <Double red>, <Double green>, <Double blue>, <Double alpha>)"},
        {"setSpriteColorChange(s, 1, 1, 1, 1)", "usage: setSpriteColorChange(<Integer spriteRefNum>, <Double seconds>, <Double red>, <Double green>, <Double blue>, <Double alpha>)"},
        {"setSpriteEnvironmentChange(s, 1, 1, 1)", "usage: setSpriteEnvironmentChange(<Integer spriteRefNum>, <String environment variable>, <Double seconds>, <Double x>)"},
        {"getSpriteAnimationLayer()", "usage: getSpriteAnimationLayer(<Integer spriteRefNum>)"},
        {"getSpriteType(s, 1)", "usage: getSpriteType(<Integer spriteRefNum>)"},
        {"getSpriteRotation(nil)", "usage: getSpriteRotation(<Integer spriteRefNum>)"},
        {"placeSprite(s, 1, 2)", "usage: placeSprite(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"moveSprite(s, 1, 2, 'z')", "usage: moveSprite(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"getSpriteLocation()", "usage: getSpriteLocation(<Integer spriteRefNum>)"},
        {"setSpriteOrigin(s)", "usage: setSpriteOrigin(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"centerSpriteOrigin(s, 1)", "usage: centerSpriteOrigin(<Integer spriteRefNum>)"},
        {"setSpriteParallax(s)", "usage: setSpriteParallax(<Integer spriteRefNum>, <Double e>)"},
        {"setSpriteRelativeToSprite(s)", "usage: setSpriteRelativeToSprite(<Integer spriteRefNum>, <Integer otherSpriteRefNum>)"},
        {"setSpriteProjectile(s, 1)", "usage: setSpriteProjectile(<Integer spriteRefNum>, <Boolean is projectile>)"},
        {"setSpriteProjectileBaseVector(s, 0, 1)", "usage: setSpriteProjectileBaseVector(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
    };
    for (const auto &entry : cases) EXPECT_EQ(call(entry.first), "error: " + entry.second) << entry.first;
}

TEST_F(Sprites, AllNinetyNamesAreFunctionsAndUnbuiltOnesSaySo) {
    const char *names =
        "initSpriteManager getSpriteParameter setEnvironmentGlobal getEnvironmentGlobal addSprite newSprite removeSprite "
        "setSpriteAnimation getSpriteAnimation playSpriteAnimation stopSpriteAnimation rewindSpriteAnimation "
        "setSpriteMotionBlurred schedualEventForSprite setSpriteDescription getSpriteDescription setSpriteUseScreenCoordinates "
        "setSpriteAlwaysUpdate setSpriteHidden setSpriteFlipVertical setSpriteFlipHorizontal setSpriteTexture "
        "setSpriteTextureRect setSpriteModel setSpriteModelTexture setSpriteAlphabet setSpriteJustification "
        "setSpriteAlphabetCellSize setSpriteWait setSpritePause setSpriteGradientColors setSpriteGradientRect "
        "setSpriteRotation setSpriteRotationChange setSpriteScale setSpriteScaleChange setSpriteColor setSpriteColorChange "
        "setSpriteEnvironmentChange getSpriteAnimationLayer getSpriteType getSpriteRotation activateSpriteEditor "
        "deactivateSpriteEditor setSpriteImmobile isSpriteImmobile getSpriteProjectileVelocity getSpriteProjectilePosition "
        "clearSpriteProjectileHeading setSpriteProjectileBaseVector setSpriteProjectile setSpriteTarget "
        "setSpriteCollisionScaleValue setSpriteUpdraft setSpriteLiftVelocity setSpriteFloor setSpriteVectorToPath "
        "clearSpritePath setSpriteNextPath addPointToPath pathToPoint setSpriteSpeedMultiplier setSpriteCollideOnlyWithSprite "
        "removeCollisionWithSprite getDistanceBetweenSprites setSpritePassthrough setSpriteRelativeToSprite "
        "setSpriteSubjectToGravity setSpriteParallax setSpriteElasticity setSpriteVelocity getSpriteLocation getSpriteVelocity "
        "setSpriteOrigin centerSpriteOrigin moveSprite placeSprite updateSprite rollbackSprite isPointInAPlatform "
        "forceCollisionCheck forcePlatformSeparation startSpriteTrackMouseY startSpriteTrackMouseX endSpriteTrackMouse "
        "endAnimationWhenLandOnPlatform bindAccelerationToEvent bindAccelerationToDualEvents removeAccelerationBoundToEvent "
        "clearSpriteControlVelocities";
    lua_pushstring(L, names);
    lua_setglobal(L, "names");
    EXPECT_EQ(call("local n, missing = 0, '' for name in string.gfind(names, '%S+') do n = n + 1 "
                   "if type(getfenv(0)[name]) ~= 'function' then missing = missing .. name end end return n, missing"),
              "90,");
    // The editor's switches look at no arguments and return nothing.
    EXPECT_EQ(call("return activateSpriteEditor('any', 2)"), "");
    EXPECT_EQ(isLevelEditorActive(), 1);
    EXPECT_EQ(call("return deactivateSpriteEditor(nil)"), "");
    EXPECT_EQ(isLevelEditorActive(), 0);
    // Sound and environment functions come with the sprite manager's start-up.
    EXPECT_EQ(call("return type(loadTexture), type(gSoundEffect)"), "function,number");
}

}  // namespace
