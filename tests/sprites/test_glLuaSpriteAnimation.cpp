// Frame animations as scripts use them: what a definition's "animation"
// element loads, how frames advance, move and kick the sprite at exact update
// steps, and the five animation functions with their errors.
#include <set>

#include "sprites/motionTestFixture.h"
#include "sprites/spriteTestHelpers.h"

namespace {

class Animation : public SpriteMotion {
protected:
    // A 64 x 64 texture named `tex` in the scripts, and the document.
    void loadWithTexture(const std::string &definitions, const std::string &script) {
        texture = dir + "cells.tga";
        spriteTest_writeQuadrants(texture);
        std::string body = definitions;
        for (size_t at; (at = body.find("TEX")) != std::string::npos;) body.replace(at, 3, texture);
        load("<level>\n" + body + "\n<script language=\"Lua\">initSpriteManager(8) tex = loadTexture('" + texture + "')\n" +
             script + "</script>\n</level>");
    }
    std::string texture;
};

const char *kWalker =
    "<sprite type=\"walker\"><init language=\"Lua\">setSpriteTexture(gCurrentSprite, tex)</init>\n"
    "<animation name=\"other\"><frame/></animation>\n"
    "<animation name=\"walk\">\n"
    "  <move x=\"99\"/>\n"
    "  <frame texture=\"TEX\" rect=\"16, 0, 16, 32\" pause=\"0.1\" origin=\"(3, 4)\" flipHorizontal=\"true\" flipVertical=\"true\"/>\n"
    "  <move x=\"10\" y=\"-4\" smooth=\"yes\"/><velocity x=\"1\" y=\"2\" z=\"3\"/><origin x=\"5\" y=\"6\"/>\n"
    "  <event name=\"step\"/><sound name=\"thud\"/><collision file=\"shapes/box.ps\" origin=\"(3, 4)\"/>\n"
    "  <frame texture=\"missing\" pause=\"0.0126\" flipHorizontal=\"yes\"/><move x=\"10\"/><unknown x=\"1\"/>\n"
    "  <frame rect=\"1, 2, 3\"/><collision file=\"box.ps\"/>\n"
    "</animation>\n"
    "<animation name=\"empty\"><move x=\"5\"/></animation>\n"
    "<animation name=\"four\"><frame/><frame/><frame/><frame/></animation>\n"
    "</sprite>";

TEST_F(Animation, FramesTakeTheirAttributesAndTheElementsThatFollowThem) {
    loadWithTexture(kWalker, "s = addSprite('walker', 1)");
    luaSpriteInfoRec *s = rec(0);
    ASSERT_NE(s, nullptr);
    s->collisionScaleValue = 0.5f;
    EXPECT_EQ(call("setSpriteAnimation(s, 'walk')"), "");
    ASSERT_EQ(s->numberOfAnimations, 3);
    EXPECT_EQ(call("return getSpriteAnimation(s)"), "walk");
    const animationInfo &a = s->animationArray[0], &b = s->animationArray[1], &c = s->animationArray[2];

    EXPECT_EQ(a.textureRef, s->textureRef);
    EXPECT_FLOAT_EQ(a.u1, 0.25f);
    EXPECT_FLOAT_EQ(a.u2, 0.5f);
    EXPECT_FLOAT_EQ(a.t1, 0.0f);
    EXPECT_FLOAT_EQ(a.t2, 0.5f);
    EXPECT_EQ(a.width, 16);
    EXPECT_EQ(a.height, 32);
    EXPECT_EQ(a.cellAnimation, 1);
    EXPECT_EQ(a.origin[0], 3);
    EXPECT_EQ(a.origin[1], 4);
    EXPECT_EQ(a.flipped, 3);
    EXPECT_EQ(a.pauseTime, 20);
    // The smooth move is spread over the 20 updates; the one before the first frame is ignored.
    EXPECT_FLOAT_EQ(a.move[0], 0.5f);
    EXPECT_FLOAT_EQ(a.move[1], -0.2f);
    EXPECT_EQ(a.smoothMove, 1);
    EXPECT_EQ(a.set_velocity[2], 3);
    EXPECT_EQ(a.sprite_origin[0], -5);
    EXPECT_EQ(a.sprite_origin[1], -6);
    EXPECT_EQ(a.set_origin, 1);
    EXPECT_STREQ(a.event, "step");
    EXPECT_STREQ(a.sound, "thud");
    EXPECT_STREQ(a.collisionKey, "shapes/0.50box.ps(3, 4)");
    EXPECT_STREQ(a.collisionFile, "shapes/box.ps");
    EXPECT_EQ(a.collisionOffset[1], 4);

    // An unknown texture name: the sprite's texture, whole.
    EXPECT_EQ(b.textureRef, s->textureRef);
    EXPECT_EQ(b.cellAnimation, 0);
    EXPECT_EQ(b.width, 64);
    EXPECT_FLOAT_EQ(b.u2, 1.0f);
    EXPECT_EQ(b.pauseTime, 2);
    EXPECT_EQ(b.flipped, 0);
    EXPECT_EQ(b.move[0], 10);
    EXPECT_EQ(b.smoothMove, 0);
    EXPECT_EQ(b.event, nullptr);
    // A rectangle that does not read as four numbers is no rectangle.
    EXPECT_EQ(c.cellAnimation, 0);
    EXPECT_EQ(c.pauseTime, 0);
    EXPECT_STREQ(c.collisionKey, "0.50box.ps");

    s->collisionScaleValue = 1.0f;
    call("setSpriteAnimation(s, 'walk')");
    EXPECT_STREQ(s->animationArray[0].collisionKey, "shapes/box.ps(3, 4)");
    EXPECT_STREQ(s->animationArray[2].collisionKey, "box.ps");
    char key[8];
    EXPECT_EQ(frameCollisionKey("a/b/c.ps", "(1, 2)", 2.0f, key, sizeof key), 18);
    EXPECT_STREQ(key, "a/b/2.0");  // cut, terminated

    // An animation without frames leaves the sprite without frames.
    EXPECT_EQ(call("setSpriteAnimation(s, 'empty')"), "");
    EXPECT_EQ(s->animationArray, nullptr);
    EXPECT_EQ(s->numberOfAnimations, 0);
    EXPECT_EQ(call("return getSpriteAnimation(s)"), "empty");
    step(3);
    EXPECT_EQ(s->location[0], 0);
}

TEST_F(Animation, ThreeFramesOfAFiftiethOfASecondWrapEveryThirtyStepsAndRunTheirUpdateScript) {
    loadWithTexture(
        "<sprite type=\"blink\"><update language=\"Lua\" frequency=\"animation\">wraps = (wraps or 0) + 1</update>\n"
        "<animation name=\"a\"><frame pause=\"0.05\"/><frame pause=\"0.05\"/><frame pause=\"0.05\"/></animation></sprite>\n"
        "<sprite type=\"fast\"><animation name=\"a\"><frame/><frame/></animation></sprite>",
        "s = addSprite('blink', 1) setSpriteAnimation(s, 'a') f = addSprite('fast', 1) setSpriteAnimation(f, 'a')");
    luaSpriteInfoRec *s = rec(0), *f = rec(1);
    step(9);
    EXPECT_EQ(s->currentFace, 0);
    EXPECT_EQ(f->currentFace, 1);  // no pause: a new frame every update
    step(1);
    EXPECT_EQ(s->currentFace, 1);
    EXPECT_EQ(f->currentFace, 0);
    step(19);
    EXPECT_EQ(s->currentFace, 2);
    EXPECT_EQ(call("return wraps"), "nil");
    step(1);
    EXPECT_EQ(s->currentFace, 0);
    EXPECT_EQ(call("return wraps"), "1");
    EXPECT_EQ(s->animationChangeFlag, 0);  // consumed by the script
    step(59);
    EXPECT_EQ(call("return wraps"), "2");
    step(1);
    EXPECT_EQ(call("return wraps"), "3");
}

TEST_F(Animation, SmoothMovesSpreadOverTheFrameAndOthersMoveOnceWhenTheirFrameStarts) {
    loadWithTexture(
        "<sprite type=\"glide\"><animation name=\"a\"><frame pause=\"0.1\"/><move x=\"10\" smooth=\"no\"/>"
        "<frame pause=\"0.1\"/></animation></sprite>\n"
        "<sprite type=\"hop\"><animation name=\"a\"><frame pause=\"0.1\"/><move x=\"10\"/><frame pause=\"0.1\"/>"
        "<move y=\"5\"/></animation></sprite>\n"
        "<sprite type=\"kick\"><animation name=\"a\"><frame pause=\"0.01\"/><frame pause=\"0.01\"/><velocity x=\"1\"/>"
        "<origin x=\"4\" y=\"2\"/></animation></sprite>",
        "g = addSprite('glide', 1) setSpriteAnimation(g, 'a') h = addSprite('hop', 1) setSpriteSpeedMultiplier(h, 2) "
        "setSpriteAnimation(h, 'a') k = addSprite('kick', 1) setSpriteAnimation(k, 'a')");
    luaSpriteInfoRec *glide = rec(0), *hop = rec(1), *kick = rec(2);
    // The starting frame's move is made at once, without the speed factor.
    EXPECT_EQ(hop->location[0], 10);
    step(1);
    EXPECT_FLOAT_EQ(glide->location[0], 0.5f);
    EXPECT_FLOAT_EQ(glide->last_move[0], 0.5f);
    step(1);
    EXPECT_EQ(kick->velocity[0], 1);
    EXPECT_EQ(kick->origin[0], -4);
    EXPECT_EQ(kick->origin[1], -2);
    EXPECT_EQ(kick->location[0], 1);  // kicked before this update's velocity moves it
    step(18);
    EXPECT_FLOAT_EQ(glide->location[0], 10.0f);
    EXPECT_EQ(hop->location[1], 10);  // frame 1 started: its move times the speed factor
    step(20);
    EXPECT_FLOAT_EQ(glide->location[0], 10.0f);
    step(20);  // the next cycle: the once-only moves were spent
    EXPECT_EQ(hop->location[0], 10);
    EXPECT_EQ(hop->location[1], 10);
    EXPECT_FLOAT_EQ(glide->location[0], 20.0f);  // smooth moves repeat every cycle
    // Setting the animation again restores the moves from the document.
    call("setSpriteAnimation(h, 'a')");
    EXPECT_EQ(hop->location[0], 20);
}

TEST_F(Animation, StopPlayRewindRandomStartsAndRemoval) {
    loadWithTexture(kWalker, "s = addSprite('walker', 1) setEnvironmentGlobal('kEnv_Gravity_Y', -1) "
                             "setSpriteSubjectToGravity(s, true)");
    luaSpriteInfoRec *s = rec(0);
    EXPECT_EQ(call("return getSpriteAnimation(s)"), "nil");
    call("setSpriteAnimation(s, 'four')");
    step(2);
    EXPECT_EQ(s->currentFace, 2);
    call("stopSpriteAnimation(s)");
    float y = s->location[1];
    step(5);  // frozen: frames, gravity, velocity
    EXPECT_EQ(s->currentFace, 2);
    EXPECT_EQ(s->location[1], y);
    call("rewindSpriteAnimation(s)");
    step(3);
    EXPECT_EQ(s->currentFace, 0);  // shows frame 0 but stays frozen
    call("playSpriteAnimation(s)");
    step(1);
    EXPECT_EQ(s->currentFace, 1);
    EXPECT_LT(s->location[1], y);

    std::set<int> starts;
    for (int i = 0; i < 30; i++) {
        call("setSpriteAnimation(s, 'four', true)");
        starts.insert(s->currentFace);
        call("setSpriteAnimation(s, 'four', true, true)");  // four arguments: no random start
        EXPECT_EQ(s->currentFace, 0);
    }
    EXPECT_GE(starts.size(), 2u);

    // Removing the animation applies the current frame's move and keeps the name.
    call("setSpriteAnimation(s, 'walk')");
    float x = s->location[0];
    EXPECT_EQ(call("setSpriteAnimation(s, '')"), "");
    EXPECT_FLOAT_EQ(s->location[0], x + 0.5f);
    EXPECT_EQ(s->animationArray, nullptr);
    EXPECT_EQ(call("return getSpriteAnimation(s)"), "walk");
}

// Sprites of one definition share its frames, read only: a change to one
// sprite's frames (a move spent, movement cleared) is made to its own copy.
TEST_F(Animation, SpritesShareTheirFramesUntilOneChangesThem) {
    loadWithTexture("<sprite type=\"hop\"><init language=\"Lua\">setSpriteTexture(gCurrentSprite, tex) "
                    "setSpriteAnimation(gCurrentSprite, 'a')</init><animation name=\"a\">"
                    "<frame rect=\"0, 0, 32, 32\" pause=\"0.1\"/><frame rect=\"32, 0, 32, 32\" pause=\"0.1\"/>"
                    "<move x=\"10\"/><event name=\"e\"/></animation></sprite>",
                    "a = addSprite('hop', 1) b = addSprite('hop', 1) c = addSprite('hop', 1)");
    luaSpriteInfoRec *a = rec(0), *b = rec(1), *c = rec(2);
    const animationInfo *shared = a->animationArray;
    EXPECT_EQ(b->animationArray, shared);
    EXPECT_EQ(c->animationArray, shared);
    EXPECT_EQ(luaSpriteFrameHolders(shared), 3);

    // A script clears one sprite's movement: only its own frames lose the move.
    call("clearSpriteControlVelocities(a)");
    EXPECT_NE(a->animationArray, shared);
    EXPECT_EQ(a->animationArray[1].move[0], 0);
    EXPECT_EQ(shared[1].move[0], 10);
    EXPECT_STREQ(a->animationArray[1].event, "e");  // the copy has its own texts
    EXPECT_NE(a->animationArray[1].event, shared[1].event);
    EXPECT_EQ(luaSpriteFrameHolders(shared), 2);
    step(20);  // frame 1 starts: its once-only move is spent by b and c alone
    EXPECT_EQ(a->location[0], 0);
    EXPECT_EQ(b->location[0], 10);
    EXPECT_EQ(c->location[0], 10);
    EXPECT_NE(b->animationArray, shared);  // b copied; c, the last holder, changed them in place
    EXPECT_EQ(c->animationArray, shared);
    EXPECT_EQ(luaSpriteFrameHolders(shared), 1);

    // A new sprite gets the frames as the document has them, shared again.
    call("d = addSprite('hop', 1) e = addSprite('hop', 1)");
    luaSpriteInfoRec *d = rec(3), *e = rec(4);
    EXPECT_EQ(d->animationArray, e->animationArray);
    EXPECT_NE(d->animationArray, shared);
    EXPECT_EQ(d->animationArray[1].move[0], 10);
    // Not with a sprite whose frames read differently (collision scale), nor
    // once the textures have changed (what was read may differ).
    call("setSpriteCollisionScaleValue(e, 2) setSpriteAnimation(e, 'a')");
    EXPECT_NE(e->animationArray, d->animationArray);
    spriteTest_writeQuadrants(dir + "other.tga");
    call("loadTexture('" + dir + "other.tga') setSpriteCollisionScaleValue(e, 1) setSpriteAnimation(e, 'a')");
    EXPECT_NE(e->animationArray, d->animationArray);
    EXPECT_EQ(e->animationArray[1].move[0], 10);
    EXPECT_EQ(luaSpriteFrameHolders(d->animationArray), 1);
}

TEST_F(Animation, WrongArgumentsUnknownNamesAndDeadReferences) {
    loadWithTexture(kWalker, "s = addSprite('walker', 1)");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"setSpriteAnimation(s)", "usage: setSpriteAnimation(<Integer spriteRefNum>, <String xml_tag_name>)"},
        {"setSpriteAnimation('s', 'walk')", "usage: setSpriteAnimation(<Integer spriteRefNum>, <String xml_tag_name>)"},
        {"getSpriteAnimation(s, 1)", "usage: getSpriteAnimation(<Integer spriteRefNum>)"},
        {"playSpriteAnimation()", "usage: playSpriteAnimation(<Integer spriteRefNum>)"},
        {"stopSpriteAnimation('x')", "usage: stopSpriteAnimation(<Integer spriteRefNum>)"},
        {"rewindSpriteAnimation(nil)", "usage: rewindSpriteAnimation(<Integer spriteRefNum>)"},
        {"setSpriteAnimation(s, 'run')", "setSpriteAnimation: Unable to locate requested animation (run)"},
        {"setSpriteAnimation(7, 'walk')", "setSpriteAnimation: Unable to locate requested animation (walk)"},
    };
    for (const auto &entry : cases) EXPECT_EQ(call(entry.first), "error: " + entry.second) << entry.first;
    EXPECT_EQ(call("return getSpriteAnimation(7)"), "");
    EXPECT_EQ(call("stopSpriteAnimation(-1) playSpriteAnimation(7) rewindSpriteAnimation(7, 'extra')"), "");
}

}  // namespace
