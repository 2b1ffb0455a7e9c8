// The per-update motion step: positions and states after exact numbers of
// update steps for gravity, floors, lift, timed changes, waits, the off-screen
// skip, targets, update scripts, rollback, the motion-blur trail, control-bound
// accelerations, world bounds and mouse tracking.
#include <GL/gl.h>

#include <cmath>

#include "core/glMemory.h"
#include "sprites/motionTestFixture.h"

namespace {

const char *kLevel =
    "<level>\n<sprite type=\"a\"/>\n"
    "<sprite type=\"ticker\"><update language=\"Lua\" frequency=\"0.05\">ticks = (ticks or 0) + 1</update></sprite>\n"
    "<sprite type=\"asked\"><update language=\"Lua\">asked = gCurrentSprite</update></sprite>\n"
    "<sprite type=\"bounded\"><collision language=\"Lua\">c = 1</collision></sprite>\n"
    "<sprite type=\"two\"><animation name=\"two\"><frame/><frame/></animation><animation name=\"one\"><frame/></animation></sprite>\n"
    "<script language=\"Lua\">initSpriteManager(8)</script>\n</level>";

TEST_F(SpriteMotion, GravityUpdraftLiftAndTheFloor) {
    load(kLevel);
    call("s = addSprite('a', 1) setSpriteSubjectToGravity(s, true) setSpriteSpeedMultiplier(s, 0.5) "
         "setEnvironmentGlobal('kEnv_Gravity_Y', -0.1)");
    luaSpriteInfoRec *s = rec(0);
    step();
    EXPECT_FLOAT_EQ(s->velocity[1], -0.05f);
    EXPECT_FLOAT_EQ(s->location[1], -0.025f);
    step();
    EXPECT_FLOAT_EQ(s->velocity[1], -0.1f);
    EXPECT_FLOAT_EQ(s->location[1], -0.075f);

    // The updraft pushes only sprites under gravity.
    call("u = addSprite('a', 1) setSpriteUpdraft(u, 0.3) v = addSprite('a', 1) setSpriteUpdraft(v, 0.3, 'extra') "
         "setSpriteSubjectToGravity(v, true)");
    step();
    EXPECT_EQ(rec(1)->velocity[1], 0);
    EXPECT_FLOAT_EQ(rec(2)->velocity[1], 0.2f);

    // A falling sprite under its floor lands on it and loses all velocity.
    call("f = addSprite('a', 1) placeSprite(f, 0, 10, 0) setSpriteVelocity(f, 2, 0, 0) setSpriteFloor(f, 5.9) "
         "setSpriteSubjectToGravity(f, true) setEnvironmentGlobal('kEnv_Gravity_Y', -1)");
    luaSpriteInfoRec *f = rec(3);
    EXPECT_EQ(f->floor, 5);
    step(2);
    EXPECT_EQ(f->location[1], 7);
    step();
    EXPECT_EQ(f->location[1], 5);
    EXPECT_EQ(f->location[0], 6);
    EXPECT_EQ(f->velocity[0], 0);
    EXPECT_EQ(f->velocity[1], 0);
    call("setSpriteFloor(f, -9999)");
    step();
    EXPECT_EQ(f->location[1], 4);

    // A lift impulse is added, held within its limits (y from above only) and decays.
    call("l = addSprite('a', 1) setSpriteLiftVelocity(l, 1, 2, 3, 1, 2, 0)");
    luaSpriteInfoRec *l = rec(4);
    EXPECT_EQ(l->lift_velocity[2], 3);
    EXPECT_EQ(l->lift_max_velocity[1], 2);
    l->lift_self_velocity[0] = -3, l->lift_self_velocity[1] = 5;
    step();
    EXPECT_EQ(l->velocity[0], -3);
    EXPECT_EQ(l->velocity[1], 5);
    EXPECT_FLOAT_EQ(l->lift_self_velocity[0], -0.01f);
    EXPECT_FLOAT_EQ(l->lift_self_velocity[1], 0.02f);
    step();
    EXPECT_FLOAT_EQ(l->velocity[1], 5.02f);
}

TEST_F(SpriteMotion, TimedChangesStepOncePerUpdateAndAFractionalCountRoundsUp) {
    load(kLevel);
    // 2.5 counts: applied three times.
    call("s = addSprite('a', 1) setSpriteColorChange(s, 2.5 / 200, 1, 0, 1, 1) setSpriteScaleChange(s, 0.05, 2, 3, 1) "
         "setSpriteRotationChange(s, 0.01, 0, 0, 90) setSpriteEnvironmentChange(s, 'kEnv_Bgcolor_R', 0.01, 1)");
    luaSpriteInfoRec *s = rec(0);
    EXPECT_FLOAT_EQ(s->colorCount, 2.5f);
    step(2);
    EXPECT_FLOAT_EQ(s->color[1], 0.2f);
    EXPECT_FLOAT_EQ(s->rotation[2], 90.0f);
    EXPECT_EQ(s->rotationCount, 0);
    // A fading background colour reaches the clear colour at once.
    float clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 1.0f);
    step();
    EXPECT_NEAR(s->color[1], -0.2f, 1e-6);
    EXPECT_EQ(s->colorCount, 0);
    step();
    EXPECT_NEAR(s->color[1], -0.2f, 1e-6);
    step(6);
    EXPECT_NEAR(s->scale[0], 2.0f, 1e-5);
    EXPECT_NEAR(s->scale[1], 3.0f, 1e-5);
    float scale = s->scale[0];
    step();
    EXPECT_EQ(s->scale[0], scale);
    EXPECT_EQ(call("return getEnvironmentGlobal('kEnv_Bgcolor_R')"), "1");
}

TEST_F(SpriteMotion, WaitsPausesTheOffScreenSkipAndTheEditor) {
    load(kLevel);
    // Three waiting updates, moving on the fourth; the rollback copy is kept all along.
    call("w = addSprite('a', 1) setSpriteVelocity(w, 1, 0, 0) setSpriteWait(w, 0.0151) "
         "p = addSprite('a', 1) setSpriteVelocity(p, 1, 0, 0) setSpritePause(p, 0.0101)");
    luaSpriteInfoRec *w = rec(0), *p = rec(1);
    step();
    call("placeSprite(w, 50, 0, 0)");
    step(2);
    EXPECT_EQ(w->location[0], 50);
    EXPECT_EQ(call("return getSpriteVelocity(w)"), "0,0,0");
    EXPECT_EQ(p->location[0], 1);
    EXPECT_EQ(p->showSpriteDuringWait, 1);
    step();
    EXPECT_EQ(w->location[0], 51);

    // 1100 units left of the view: neither moved nor taking part, unless it always updates.
    call("o = addSprite('a', 1) placeSprite(o, -1100, 0, 0) setSpriteVelocity(o, 1, 0, 0) "
         "e = addSprite('a', 1) placeSprite(e, -24, 0, 0) setSpriteVelocity(e, 1, 0, 0) "
         "q = addSprite('a', 1) placeSprite(q, -1100, 0, 0) setSpriteVelocity(q, 1, 0, 0) setSpriteAlwaysUpdate(q, true) "
         "h = addSprite('a', 1) placeSprite(h, 1500, 0, 0) setSpriteVelocity(h, 1, 0, 0) setSpriteParallax(h, 0.5) "
         "setEnvironmentGlobal('kEnv_WorldOrigin_X', 1000)");
    luaSpriteInfoRec *o = rec(2), *e = rec(3), *q = rec(4), *h = rec(5);
    o->immobile = 1;
    step();
    EXPECT_EQ(o->location[0], -1100);
    EXPECT_EQ(o->isUpdating, 1);  // immobile sprites always take part
    EXPECT_EQ(e->location[0], -24);  // the margin is strict
    EXPECT_EQ(q->location[0], -1099);
    EXPECT_EQ(h->location[0], 1501);  // parallax 0.5: the view starts at 500
    o->immobile = 0;
    step();
    EXPECT_EQ(o->isUpdating, 0);
    EXPECT_EQ(q->isUpdating, 1);

    // While the editor is on nothing moves and no rollback copy is taken.
    setLevelEditorActive(1);
    step();
    setLevelEditorActive(0);
    EXPECT_EQ(q->location[0], -1098);
    EXPECT_EQ(getSprite(4)->formerSelf.location[0], -1099);
}

TEST_F(SpriteMotion, TargetsTurnHalfADegreeOrReportSides) {
    load(kLevel);
    call("s = addSprite('a', 1) t = addSprite('a', 1) placeSprite(t, 0, 100, 0) setSpriteVelocity(s, 1, 0, 0) "
         "setSpriteTarget(s, t, 'flip')");
    luaSpriteInfoRec *s = rec(0), *t = rec(1);
    EXPECT_EQ(s->flipWhenGoingLeft, 0);  // not a boolean: false
    step();
    EXPECT_EQ(s->location[0], 1);
    EXPECT_NEAR(s->velocity[0], std::cos(0.5 * M_PI / 180), 1e-6);
    EXPECT_NEAR(s->velocity[1], std::sin(0.5 * M_PI / 180), 1e-6);
    EXPECT_NEAR(std::hypot(s->velocity[0], s->velocity[1]), 1.0, 1e-6);

    // Side reports only: the target straight above counts as right.
    call("setSpriteVelocity(s, 0, 0, 0) placeSprite(s, 0, 0, 0) setSpriteTarget(s, t, true, true)");
    EXPECT_EQ(s->flipWhenGoingLeft, 1);
    EXPECT_EQ(s->formerSide, 0);
    step();
    EXPECT_EQ(s->formerSide, 1);
    call("placeSprite(t, -10, 100, 0)");
    step();
    EXPECT_EQ(s->formerSide, -1);
    call("placeSprite(t, 0, 100, 0)");
    step();
    EXPECT_EQ(s->formerSide, 1);
    EXPECT_EQ(s->velocity[0], 0);
    EXPECT_EQ(t->location[0], 0);

    // A target that is gone is skipped; -1 clears it.
    call("removeSprite(t)");
    step(2);
    EXPECT_EQ(s->formerSide, 1);
    call("setSpriteTarget(s, -1) setSpriteTarget(s, 70000)");
    EXPECT_EQ(s->targetSprite, -1);
}

TEST_F(SpriteMotion, UpdateScriptsRunByTheirMethod) {
    load(kLevel);
    call("k = addSprite('ticker', 1) a = addSprite('asked', 1)");
    step(9);
    EXPECT_EQ(call("return ticks"), "nil");
    step();
    EXPECT_EQ(call("return ticks"), "1");
    step(10);
    EXPECT_EQ(call("return ticks"), "2");
    EXPECT_EQ(call("return asked"), "nil");  // "event" scripts wait to be asked
    call("updateSprite(k) updateSprite(a)");
    EXPECT_EQ(call("return ticks, asked"), "2,1");
}

TEST_F(SpriteMotion, RollbackRestoresTheLastUpdateButKeepsWhatTheSpriteOwnsNow) {
    load(kLevel);
    call("s = addSprite('two', 1) setSpriteAnimation(s, 'two') setSpriteVelocity(s, 1, 0, 0) "
         "setSpriteDescription(s, 'before')");
    luaSpriteInfoRec *s = rec(0);
    step(3);
    EXPECT_EQ(s->currentFace, 1);
    EXPECT_EQ(call("return getSpriteVelocity(s)"), "1,0,0");
    // Changed after the update: a new description and animation, a new velocity.
    call("setSpriteDescription(s, 'after') setSpriteAnimation(s, 'one') setSpriteVelocity(s, 5, 5, 5) "
         "addPointToPath(s, 1, 2, 3)");
    animationInfo *frames = s->animationArray;
    call("rollbackSprite(s)");
    EXPECT_EQ(s->location[0], 2);
    EXPECT_EQ(s->velocity[0], 1);
    EXPECT_STREQ(s->spriteDesc, "after");
    EXPECT_EQ(s->animationArray, frames);
    EXPECT_EQ(s->numberOfAnimations, 1);
    EXPECT_EQ(s->currentFace, 0);
    EXPECT_EQ(call("return getSpriteAnimation(s), getSpriteVelocity(s)"), "one,0,0,0");
    EXPECT_EQ(numberOfChildren(s->pathList), 1);

    // The same animation: its frame returns with the rest.
    step();
    call("setSpriteAnimation(s, 'two')");
    step();
    EXPECT_EQ(s->currentFace, 1);
    call("rollbackSprite(s)");
    EXPECT_EQ(s->currentFace, 0);

    // A removal asked for is not undone.
    call("removeSprite(s) rollbackSprite(s)");
    EXPECT_EQ(s->removeMe, 1);
    step();
    EXPECT_EQ(getSprite(0), nullptr);
}

// An update copies only the fields it writes itself unless something else
// may have changed the record since: both kinds of change must be in the copy.
TEST_F(SpriteMotion, RollbackCopyHoldsEveryChangeMadeBeforeTheUpdate) {
    load("<level>\n<sprite type=\"walker\"><path name=\"home\" language=\"Lua\">ends = (ends or 0) + 1</path></sprite>\n"
         "<script language=\"Lua\">initSpriteManager(4)</script>\n</level>");
    call("addSprite('walker', 1) s = addSprite('walker', 1) setSpriteVelocity(s, 1, 0, 0)");
    luaSpriteInfoRec *s = rec(1);
    step(2);
    // Changed by a script between two updates.
    call("setSpriteFloor(s, -50) setSpriteSpeedMultiplier(s, 2)");
    step();
    call("rollbackSprite(s)");
    EXPECT_EQ(s->floor, -50);
    EXPECT_EQ(s->speedMultiplier, 2);
    EXPECT_EQ(s->location[0], 2);

    // Changed by the update itself: a path's end runs its script once and
    // forgets it, and a rollback to a later update does not bring it back.
    call("clearSpritePath(s) setSpriteNextPath(s, 'home')");
    step();
    EXPECT_EQ(call("return ends"), "1");
    step(2);
    call("rollbackSprite(s)");
    step(2);
    EXPECT_EQ(call("return ends"), "1");

    // A timed change is written by the update, a step at a time.
    call("setSpriteColor(s, 0, 0, 0, 1) setSpriteColorChange(s, 0.015, 1, 1, 1, 1)");
    step(2);
    call("rollbackSprite(s)");
    EXPECT_NEAR(s->color[0], 1.0f / 3, 1e-6);
}

// The whole rollback copy is kept only from a change to the next update, so
// a sprite that nothing but its update touches costs under a kilobyte.
TEST_F(SpriteMotion, OnlyAChangedSpriteKeepsAWholeRollbackCopy) {
    load(kLevel);
    uint32_t before = glAllocated();
    call("for i = 1, 8 do setSpriteAnimation(addSprite('two', 1), 'two') end");
    luaSpriteInfo *sprite = getSprite(0);
    step();
    EXPECT_EQ(sprite->formerRecord, nullptr);
    EXPECT_LT((glAllocated() - before) / 8, 1024u);
    call("setSpriteColor(0, 0.5, 0.5, 0.5, 1)");
    ASSERT_NE(sprite->formerRecord, nullptr);
    EXPECT_EQ(sprite->formerRecord->color[0], 1);
    EXPECT_EQ(sprite->formerRecord->currentFace, 0);  // the first group as the update left it
    step();
    EXPECT_EQ(sprite->formerRecord, nullptr);
    EXPECT_EQ(sprite->formerSelf.currentFace, 1);
}

TEST_F(SpriteMotion, TrailCopiesAreTakenAgedAndFreed) {
    load(kLevel);
    call("s = addSprite('two', 1) setSpriteAnimation(s, 'two') setSpriteMotionBlurred(s, true, 0.01, 1)");
    luaSpriteInfo *sprite = getSprite(0);
    auto count = [&] {
        int n = 0;
        while (sprite->trail && n < kSpriteMotionBlurCopies && sprite->trail->copies[n]) n++;
        return n;
    };
    step(6);
    ASSERT_EQ(count(), 4);
    EXPECT_EQ(sprite->trail->wait[0], 0);
    EXPECT_EQ(sprite->trail->wait[1], 0);
    EXPECT_EQ(sprite->trail->wait[2], 1);
    EXPECT_EQ(sprite->trail->wait[3], 2);
    // The copies hold the sprite's frames with it, read only.
    EXPECT_EQ(sprite->trail->copies[3]->animationArray, sprite->self.animationArray);
    EXPECT_EQ(luaSpriteFrameHolders(sprite->self.animationArray), 5);
    EXPECT_EQ(sprite->trail->copies[3]->numberOfAnimations, 2);
    call("setSpriteMotionBlurred(s, false)");
    step(3);
    EXPECT_EQ(count(), 1);
    step();
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(sprite->trail, nullptr);  // gone with its last copy
    EXPECT_EQ(luaSpriteFrameHolders(sprite->self.animationArray), 1);
    // A slower trail: a copy on every third update counter only.
    call("setSpriteMotionBlurred(s, true, 1, 3)");
    step(6);
    EXPECT_EQ(count(), 2);
}

TEST_F(SpriteMotion, ControlBoundSpeedsWorldBoundsAndMouseTracking) {
    load(kLevel);
    call("s = addSprite('a', 1)");
    luaSpriteInfoRec *s = rec(0);
    long held = 1;
    accelerationBinding binding = {{0, 0, 0}, {3, 0, 0}, {0.2f, 0, 0}, &held, nullptr};
    addChild(spriteListToFill(&s->accelerationBindingList), &binding, sizeof binding);
    const accelerationBinding *bound = (const accelerationBinding *)getData(getChild(s->accelerationBindingList, 0));
    step(14);
    EXPECT_LT(bound->velocity[0], 3.0f);
    step();
    EXPECT_FLOAT_EQ(bound->velocity[0], 3.0f);
    held = 0;
    float x = s->location[0];
    step(5);
    EXPECT_FLOAT_EQ(bound->velocity[0], 3.0f);  // released: the speed stays
    EXPECT_FLOAT_EQ(s->location[0], x + 15.0f);

    // A sprite with a collision script is kept inside the world's bounds.
    call("b = addSprite('bounded', 1) placeSprite(b, -50, 0, 0) c = addSprite('bounded', 1) placeSprite(c, 700, 0, 0)");
    step();
    EXPECT_EQ(rec(1)->location[0], 0);
    EXPECT_EQ(rec(2)->location[0], 576);

    // Tracking the pointer on x within 100 ... 500 (the offset makes it land inside the window).
    int mouseX = 0, mouseY = 0;
    getMouse(&mouseX, &mouseY);
    call("m = addSprite('a', 1) placeSprite(m, 300, 300, 0)");
    luaSpriteInfoRec *m = rec(3);
    m->trackMouseX = 1, m->minX = 100, m->maxX = 500, m->tmOffX = (float)(50 - mouseX);
    step();
    EXPECT_EQ(m->location[0], 100);
    m->tmOffX = (float)(-mouseX);  // the pointer at x 0: not inside, no move
    m->location[0] = 300;
    step();
    EXPECT_EQ(m->location[0], 300);
}

}  // namespace
