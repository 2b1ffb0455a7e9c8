// Sprite events: scheduled events counted in update steps, event groups with
// their value, deliveries to destroyed sprites and to reused references,
// groups changed by the scripts they run, mouse presses, and the script side
// of control-bound accelerations and mouse tracking.

#include <string>

#include "input/glInput.h"
#include "sprites/glLuaSpriteEventManager.h"
#include "sprites/motionTestFixture.h"

namespace {

// Every delivery appends "sprite:event:other:value" to `seen`.
const char *kLevel =
    "<level>\n"
    "<sprite type=\"e\"><event language=\"Lua\">"
    "seen = (seen or '') .. gCurrentSprite .. ':' .. gCurrentEvent .. ':' .. tostring(gOtherSprite) .. ':' .. "
    "tostring(gCurrentEventValue) .. ' ' "
    "if onEvent then onEvent() end</event></sprite>\n"
    "<sprite type=\"all\"><event language=\"Lua\" captureAllMouse=\"true\">seen = (seen or '') .. gCurrentEvent .. ' '</event></sprite>\n"
    "<sprite type=\"deaf\"/>\n"
    "<script language=\"Lua\">initSpriteManager(8)</script>\n</level>";

class SpriteEvents : public SpriteMotion {
  protected:
    void SetUp() override {
        SpriteMotion::SetUp();
        glInput_initInputManager();
    }
    void TearDown() override {
        SpriteMotion::TearDown();
        glInput_destructInputManager();
    }
    std::string seen() { return call("local s = seen or '' seen = '' return s"); }
};

TEST_F(SpriteEvents, ScheduledEventsArriveAtTheirStepWithTheirSender) {
    load(kLevel);
    call("a = addSprite('e', 1) b = addSprite('e', 1) gOtherSprite = 7 "
         "schedualEventForSprite(a, 0.5, 'half') schedualEventForSprite(a, 0, 'now', b) "
         "schedualEventForSprite(b, 0.01, '" + std::string(70, 'n') + "', 6) schedualEventForSprite(6, 0, 'nobody')");
    EXPECT_EQ(numberOfScheduledSpriteEvents(), 3);  // none for a sprite that does not exist
    step();
    EXPECT_EQ(seen(), "0:now:1:nil ");
    step();
    EXPECT_EQ(seen(), "1:" + std::string(63, 'n') + ":-1:nil ");  // cut to 63; sender 6 is no sprite
    step(97);
    EXPECT_EQ(seen(), "");
    step();
    EXPECT_EQ(seen(), "0:half:-1:nil ");  // the 100th step
    EXPECT_EQ(numberOfScheduledSpriteEvents(), 0);

    // A delivery that schedules a zero-second event: it is counted down in the same pass.
    call("onEvent = function() if gCurrentEvent == 'first' then schedualEventForSprite(a, 0, 'second') end end "
         "schedualEventForSprite(a, 0, 'first')");
    step();
    EXPECT_EQ(seen(), "0:first:-1:nil 0:second:-1:nil ");

}

TEST_F(SpriteEvents, DestroyedSpritesGetNothingAndTheirReferenceIsNotInherited) {
    load(kLevel);
    call("onEvent = nil a = addSprite('e', 1) b = addSprite('e', 1) "
         "schedualEventForSprite(a, 0.02, 'late') schedualEventForSprite(b, 0.02, 'from a', a) "
         "addSpriteToEventGroup(a, 'g', 'g') removeSprite(a)");
    step();  // a is destroyed in its update
    call("n = addSprite('e', 1)");  // takes reference 0 again
    EXPECT_EQ(call("return n"), "0");
    EXPECT_EQ(eventGroupSize("g"), 0);
    step(5);
    EXPECT_EQ(seen(), "1:from a:-1:nil ");  // the sender is gone too
    char group[] = "g";
    postSpriteEvent(group, 1);
    EXPECT_EQ(seen(), "");
}

TEST_F(SpriteEvents, GroupsDeliverToEachMembershipAndSurviveChangesWhileWalked) {
    load(kLevel);
    call("onEvent = nil a = addSprite('e', 1) b = addSprite('e', 1) c = addSprite('e', 1) d = addSprite('deaf', 1) "
         "addSpriteToEventGroup(a, 'jump', 'jump') addSpriteToEventGroup(b, 'jump') addSpriteToEventGroup(d, 'jump')");
    char jump[] = "jump", none[] = "none";
    postSpriteEvent(jump, 1);
    EXPECT_EQ(seen(), "0:jump:nil:1 0:jump:nil:1 1:jump:nil:1 ");
    postSpriteEvent(none, 1);  // no such group
    EXPECT_EQ(seen(), "");
    EXPECT_EQ(eventGroupExists("none"), 0);

    // The first member leaves the group and removes the second, and a third joins:
    // the walk goes on safely, skips the removed, and the newcomer waits for the next post.
    call("onEvent = function() removeSpriteFromEventGroup(gCurrentSprite, 'jump') "
         "removeSpriteFromEventGroup(b, 'jump') addSpriteToEventGroup(c, 'jump', 'other') end");
    postSpriteEvent(jump, 0);
    EXPECT_EQ(seen(), "0:jump:nil:0 ");
    EXPECT_EQ(eventGroupSize("jump"), 2);  // d and c
    call("onEvent = nil");
    postSpriteEvent(jump, 2);
    EXPECT_EQ(seen(), "2:jump:nil:2 ");
    call("removeSpriteFromEventGroup(c, 'jump')");
    EXPECT_EQ(eventGroupExists("jump"), 1);  // groups stay when empty
    removeAllEventGroups();
    EXPECT_EQ(eventGroupExists("jump"), 0);

    // A member's script that clears every group while the walk runs.
    call("addSpriteToEventGroup(a, 'x') addSpriteToEventGroup(b, 'x') onEvent = function() clearGroups() end");
    lua_register(L, "clearGroups", [](lua_State *) { removeAllEventGroups(); return 0; });
    char x[] = "x";
    postSpriteEvent(x, 1);
    EXPECT_EQ(seen(), "0:x:nil:1 ");
    EXPECT_EQ(eventGroupExists("x"), 0);
}

TEST_F(SpriteEvents, MousePressesReachSpritesThatCaptureOrLieUnderThePointer) {
    load(kLevel);
    call("onEvent = nil all1 = addSprite('all', 1) all2 = addSprite('all', 2) deaf = addSprite('deaf', 3)");
    // Every capturing sprite gets the press; none consumes it.
    EXPECT_EQ(eventObjectManager(glLua_getObjectManager(), 1, 0, 10, 10, nullptr), 0);
    EXPECT_EQ(eventObjectManager(glLua_getObjectManager(), 0, 0, 10, 10, nullptr), 0);
    EXPECT_EQ(seen(), "mouseDown mouseDown mouseUp mouseUp ");
    EXPECT_EQ(eventObjectManager(glLua_getObjectManager(), 3, 'q', 0, 0, nullptr), 0);  // keys are not theirs
    EXPECT_EQ(seen(), "");
}

TEST_F(SpriteEvents, AccelerationsFollowTheirEventsThroughBindingChanges) {
    load(kLevel);
    glInput_addControlBinding("D Key:0xFFFFFFFF:100:1:1", "right", 1);
    glInput_addControlBinding("A Key:0xFFFFFFFF:97:1:1", "left", 1);
    call("s = addSprite('deaf', 1) bindAccelerationToDualEvents(s, 'right', 'left', 0.5, 0, 0, 4, 0, 0, 0, 0, 0) "
         "t = addSprite('deaf', 1) bindAccelerationToEvent(t, 'left', -0.2, 0, 0, -3, 0, 0, 1, 0, 0) "
         "bindAccelerationToEvent(t, 'left', -0.2, 0, 0, -3, 0, 0, 0, 0, 0)");
    luaSpriteInfoRec *s = rec(0), *t = rec(1);
    EXPECT_EQ(numberOfChildren(t->accelerationBindingList), 1);  // bound again: replaced
    auto speed = [](luaSpriteInfoRec *r) { return ((accelerationBinding *)getData(getChild(r->accelerationBindingList, 0)))->velocity[0]; };

    glInput_setEventValue("left", 1);
    step(20);
    EXPECT_FLOAT_EQ(speed(s), -4.0f);  // the second event drives it down to the negated limit
    EXPECT_FLOAT_EQ(speed(t), -3.0f);  // a limit below zero bounds from below
    // The binding of "left" is replaced while held: the binding's slot stays valid and reads 0.
    glInput_removeControlBinding("left");
    step();
    EXPECT_FLOAT_EQ(speed(s), -4.0f);
    glInput_addControlBinding("J Key:0xFFFFFFFF:106:1:1", "left", 1);
    glInput_setEventValue("right", 1);
    step(2);
    EXPECT_FLOAT_EQ(speed(s), -3.0f);
    EXPECT_FLOAT_EQ(s->location[0], -76.5f);  // -18 - 12 * 4 - 4 - 3.5 - 3
    EXPECT_NEAR(t->location[0], -48.0f, 1e-3);  // -24 - 5 * 3 - 3 * 3

    // Clearing zeroes speeds and accelerations; the bindings stay.
    call("clearSpriteControlVelocities(s)");
    step(3);
    EXPECT_EQ(speed(s), 0);
    EXPECT_EQ(numberOfChildren(s->accelerationBindingList), 1);
    call("removeAccelerationBoundToEvent(s, 'left')");  // only as its second event: stays
    EXPECT_EQ(numberOfChildren(s->accelerationBindingList), 1);
    call("removeAccelerationBoundToEvent(s, 'right')");
    EXPECT_EQ(numberOfChildren(s->accelerationBindingList), 0);

    // An event with no control never accelerates, but the initial speed still moves the sprite.
    call("u = addSprite('deaf', 1) bindAccelerationToEvent(u, 'nothing', 1, 0, 0, 9, 0, 0, 2, 0, 0)");
    step(3);
    EXPECT_FLOAT_EQ(rec(2)->location[0], 6.0f);

    call("startSpriteTrackMouseX(s, 10, 20, 3) startSpriteTrackMouseY(s, 30, 40, 4)");
    EXPECT_EQ(s->trackMouseX + s->trackMouseY, 2);
    EXPECT_EQ(s->maxY, 40);
    EXPECT_EQ(s->tmOffX, 3);
    call("endSpriteTrackMouse(s)");
    EXPECT_EQ(s->trackMouseX + s->trackMouseY, 0);
}

}  // namespace
