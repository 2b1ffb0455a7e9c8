// Paths, targets and the movement script functions: paths followed point by
// point or steered, straight paths over a time, path scripts chosen by name,
// distances, projectile positions, and the usage text of every function.
#include <cmath>

#include "sprites/motionTestFixture.h"

namespace {

const char *kLevel =
    "<level>\n<sprite type=\"walker\">\n"
    "  <path name=\"home\" language=\"Lua\">first = 1</path>\n"
    "  <path name=\"home\" language=\"Lua\">ends = (ends or 0) + 1 who = gCurrentSprite</path>\n"
    "  <path name=\"home\" language=\"lua\">wrong = 1</path>\n"
    "  <path name=\"home\" language=\"Lua\"></path>\n"
    "  <path name=\"away\" language=\"Lua\">away = 1</path>\n"
    "</sprite>\n"
    "<script language=\"Lua\">initSpriteManager(8)</script>\n</level>";

const float *point(luaSpriteInfoRec *rec, int index) { return (const float *)getData(getChild(rec->pathList, index)); }

TEST_F(SpriteMotion, AFivePointPathIsFollowedOnePointPerUpdateThenItsScriptRunsOnce) {
    load(kLevel);
    call("x = addSprite('walker', 1) s = addSprite('walker', 1) setSpriteNextPath(s, 'home') setSpriteNextPath(s, 'nowhere') "
         "for i = 1, 5 do addPointToPath(s, 10 * i, i, 0) end");
    luaSpriteInfoRec *s = rec(1);
    for (int i = 1; i <= 5; i++) {
        step();
        EXPECT_EQ(s->location[0], 10 * i);
        EXPECT_EQ(s->location[1], i);
    }
    EXPECT_EQ(call("return ends"), "nil");
    step();
    EXPECT_EQ(call("return ends, who, first, wrong"), "1,1,nil,nil");  // the last complete match
    step(3);
    EXPECT_EQ(call("return ends"), "1");
    EXPECT_EQ(s->location[0], 50);

    // A new path and a cleared one.
    call("addPointToPath(s, 1, 1, 1) clearSpritePath(s)");
    EXPECT_EQ(numberOfChildren(s->pathList), 0);
    step();
    EXPECT_EQ(s->location[0], 50);
}

TEST_F(SpriteMotion, StraightPathsHoldOnePointPerUpdateFromWhereTheSpriteIsNow) {
    load(kLevel);
    call("s = addSprite('walker', 1) pathToPoint(s, 0.5, 100, 0, 0)");
    luaSpriteInfoRec *s = rec(0);
    ASSERT_EQ(numberOfChildren(s->pathList), 100);
    EXPECT_FLOAT_EQ(point(s, 0)[0], 1.0f);
    EXPECT_FLOAT_EQ(point(s, 49)[0], 50.0f);
    EXPECT_FLOAT_EQ(point(s, 99)[0], 100.0f);
    // Less than one update appends nothing; a later line starts from the location, after the others.
    call("pathToPoint(s, 0.004, 5, 5, 5) pathToPoint(s, 0.01, 0, -2, 0)");
    ASSERT_EQ(numberOfChildren(s->pathList), 102);
    EXPECT_FLOAT_EQ(point(s, 100)[1], -1.0f);
    EXPECT_FLOAT_EQ(point(s, 101)[0], 0.0f);
    step(100);
    EXPECT_NEAR(s->location[0], 100.0f, 1e-4);
    step(2);
    EXPECT_EQ(s->location[1], -2);

    // A line of a whole day is cut to ten minutes of points, and says so.
    ::testing::internal::CaptureStderr();
    call("clearSpritePath(s) pathToPoint(s, 86400, 0, 0, 0)");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("pathToPoint: a path of 17280000 points was cut to 120000"),
              std::string::npos);
    EXPECT_EQ(numberOfChildren(s->pathList), 120000);
}

TEST_F(SpriteMotion, ASteeredPathDropsAPointOnceItIsWithinTheRadius) {
    load(kLevel);
    call("s = addSprite('walker', 1) setSpriteVectorToPath(s, 2.9) setSpriteVelocity(s, 1, 0, 0) "
         "addPointToPath(s, 5, 0, 0) addPointToPath(s, 5, 100, 0)");
    luaSpriteInfoRec *s = rec(0);
    EXPECT_EQ(s->vectorToTargetRadius, 2);
    step(3);
    EXPECT_EQ(numberOfChildren(s->pathList), 2);
    step();  // at x 4: the squared distance 1 is below 2
    EXPECT_EQ(numberOfChildren(s->pathList), 1);
    step();
    EXPECT_GT(s->velocity[1], 0);  // now turning towards (5, 100)
    EXPECT_NEAR(std::hypot(s->velocity[0], s->velocity[1]), 1.0, 1e-6);
}

TEST_F(SpriteMotion, DistancesProjectilePositionsAndSettersOfTheRecord) {
    load(kLevel);
    call("a = addSprite('walker', 1) b = addSprite('walker', 1) placeSprite(b, 3, 4, 0)");
    EXPECT_EQ(call("return getDistanceBetweenSprites(a, b)"), "25");
    EXPECT_EQ(call("return getDistanceBetweenSprites(a, 7)"), "");

    luaSpriteInfoRec *a = rec(0);
    call("placeSprite(a, 100, 50, 0) function at(x, y, z) "
         "local p = {getSpriteProjectilePosition(a, x, y, z)} for i = 1, 3 do p[i] = math.floor(p[i] * 100 + 0.5) / 100 end "
         "return p[1], p[2], p[3] end");
    // No heading yet: no turn.
    EXPECT_EQ(call("return getSpriteProjectilePosition(a, 0, 10, 0)"), "100,60,0");
    a->last_projectile_velocity[0] = 4;  // flying right: the image's up points right
    EXPECT_EQ(call("return getSpriteProjectileVelocity(a)"), "4,0,0");
    EXPECT_EQ(call("return at(0, 10, 0)"), "110,50,0");
    call("setSpriteScale(a, 2, 3, 1) setSpriteOrigin(a, 16, 8, 0)");
    EXPECT_EQ(call("return at(0, 10, 0)"), "136,58,0");
    call("setSpriteScale(a, 1, 1, 1) setSpriteOrigin(a, 0, 0, 0) setSpriteRotation(a, 0, 0, 90)");
    EXPECT_EQ(call("return at(0, 10, 0)"), "100,60,0");
    // Flying straight down: half a turn.
    call("setSpriteRotation(a, 0, 0, 0)");
    a->last_projectile_velocity[0] = 0, a->last_projectile_velocity[1] = -2;
    EXPECT_EQ(call("return at(0, 10, 0)"), "100,40,0");
    call("clearSpriteProjectileHeading(a)");
    EXPECT_EQ(call("return getSpriteProjectileVelocity(a)"), "0,0,0");

    call("setSpriteSpeedMultiplier(a, 0.25) setSpriteUpdraft(a, 0.5) setSpriteSubjectToGravity(a, true) "
         "setSpriteVelocity(a, 1, 2, 3) setSpriteFloor(a, -10.7)");
    EXPECT_EQ(a->speedMultiplier, 0.25f);
    EXPECT_EQ(a->up_draft, 0.5f);
    EXPECT_EQ(a->subjectToGravity, 1);
    EXPECT_EQ(a->velocity[2], 3);
    EXPECT_EQ(a->floor, -10);
}

TEST_F(SpriteMotion, EveryMovementFunctionRaisesItsUsageTextAndIgnoresDeadReferences) {
    load(kLevel);
    call("s = addSprite('walker', 1)");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"setSpriteVelocity(s, 1, 2)", "usage: setSpriteVelocity(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"getSpriteVelocity(s, 1)", "usage: getSpriteVelocity(<Integer spriteRefNum>)"},
        {"setSpriteSubjectToGravity(s, 1)", "usage: setSpriteSubjectToGravity(<Integer spriteRefNum>, <Boolean gravity>)"},
        {"setSpriteUpdraft(s)", "usage: setSpriteUpdraft(<Integer spriteRefNum> <Double up draft>)"},
        {"setSpriteLiftVelocity(s, 1, 2, 3, 4, 5)",
         "usage: setSpriteLiftVelocity(<Integer spriteRefNum>, <Double lift x>, <Double lift y>, <Double lift z>, "
         "<Double max x>, <Double max y>, <Double max z>)"},
        {"setSpriteFloor(s, '1')", "usage: setSpriteFloor(<Integer spriteRefNum>, <Float floor>)"},
        {"setSpriteSpeedMultiplier(s, 1, 2)", "usage: setSpriteSpeedMultiplier(<Integer spriteRefNum>, <Double m>)"},
        {"setSpriteTarget(s)",
         "usage: setSpriteTarget(<Integer spriteRefNum>, <Integer targetRefNum>, <Optional flip value>, "
         "<Optional no movement, send events>)"},
        {"getDistanceBetweenSprites(s)", "usage: getDistanceBetweenSprites(<Integer spriteRefNum>, <Integer otherSpriteRefNum>)"},
        {"setSpriteVectorToPath('s', 1)", "usage: setSpriteVectorToPath(<Integer spriteRefNum>, <Float radius>)"},
        {"clearSpritePath()", "usage: clearSpritePath(<Integer spriteRefNum>)"},
        {"addPointToPath(s, 1, 2)", "usage: addPointToPath(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
        {"pathToPoint(s, 1, 2, 3)", "usage: pathToPoint(<Integer spriteRefNum>, <Double duration>, <Double x>, <Double y>, <Double z>)"},
        {"setSpriteNextPath(s, 1)", "usage: setSpriteNextPath(<Integer spriteRefNum>, <String xml path name>)"},
        {"updateSprite('s')", "usage: updateSprite(<Integer spriteRefNum>)"},
        {"rollbackSprite(s, s)", "usage: rollbackSprite(<Integer spriteRefNum>)"},
        {"setSpriteProjectile(s)", "usage: setSpriteProjectile(<Integer spriteRefNum>, <Boolean is projectile>)"},
        {"clearSpriteProjectileHeading(true)", "usage: clearSpriteProjectileHeading(<Integer spriteRefNum>)"},
        {"getSpriteProjectileVelocity()", "usage: getSpriteProjectileVelocity(<Integer spriteRefNum>)"},
        {"getSpriteProjectilePosition(s, 1, 2)",
         "usage: getSpriteProjectilePosition(<Integer spriteRefNum>, <Double x>, <Double y>, <Double z>)"},
    };
    for (const auto &entry : cases) EXPECT_EQ(call(entry.first), "error: " + entry.second) << entry.first;

    // A reference that names no sprite: nothing happens and nothing is returned.
    const char *dead[] = {
        "setSpriteVelocity(7, 1, 2, 3)", "getSpriteVelocity(7)", "setSpriteSubjectToGravity(-1, true)",
        "setSpriteUpdraft(7, 1)", "setSpriteLiftVelocity(7, 1, 2, 3, 4, 5, 6)", "setSpriteFloor(7, 1)",
        "setSpriteSpeedMultiplier(7, 2)", "setSpriteTarget(7, 0)", "getDistanceBetweenSprites(7, 0)",
        "setSpriteVectorToPath(7, 1)", "clearSpritePath(7)", "addPointToPath(7, 1, 2, 3)", "pathToPoint(7, 1, 2, 3, 4)",
        "setSpriteNextPath(7, 'home')", "updateSprite(7)", "rollbackSprite(7)", "clearSpriteProjectileHeading(7)",
        "getSpriteProjectileVelocity(7)", "getSpriteProjectilePosition(7, 1, 2, 3)",
    };
    for (const char *chunk : dead) EXPECT_EQ(call(std::string("return ") + chunk), "") << chunk;
}

}  // namespace
