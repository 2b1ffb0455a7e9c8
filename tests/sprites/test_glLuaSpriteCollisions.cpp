// Collision groups and platforms in a running level: where a mover is, how
// fast it goes and which platforms it is passing through after exact update
// steps (edge flags, landing and bouncing, coming to rest, pass-through,
// separation, the landing script), the order and globals of contact scripts,
// lift, collide-only-with pairings, shapes read through definitions, and the
// usage texts of the collision functions.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "sprites/glLuaSpriteCollisions.h"
#include "sprites/motionTestFixture.h"

namespace {

class Collisions : public SpriteMotion {
  protected:
    std::string polygonFile(const std::string &name, const std::string &body) {
        std::string path = dir + name;
        std::ofstream(path, std::ios::binary) << "%!PS-Adobe-3.0\n" << body;
        return path;
    }
    // A closed counter-clockwise w x h box whose bottom, right, top and left
    // edges carry the letters of `flags` (a space: none).
    std::string box(const std::string &name, int w, int h, const std::string &flags = "    ") {
        auto flag = [&](int i) { return flags[i] == ' ' ? std::string() : std::string(1, flags[i]); };
        return polygonFile(name, flag(0) + "0 0 m\n" + flag(1) + std::to_string(w) + " 0 l\n" + flag(2) + std::to_string(w) +
                                     " " + std::to_string(h) + " l\n" + flag(3) + "0 " + std::to_string(h) + " l\n0 0 l\nn\n");
    }
    std::string definition(const std::string &type, const std::string &file, const std::string &extra = "") {
        return "<sprite type=\"" + type + "\"><collision file=\"" + file + "\"/>" + extra + "</sprite>\n";
    }
    // Platforms 100 x 20 (one per flag letter, one mixed, one flagless) and 10 x 10 movers.
    void loadPlatformLevel() {
        std::string level = "<level>\n" + definition("mover", box("mover.ps", 10, 10)) +
                            definition("lander", box("mover.ps", 10, 10),
                                       "<update language=\"Lua\">landed = (landed or 0) + 1 landedSprite = gCurrentSprite "
                                       "if sinkOnLanding then placeSprite(gCurrentSprite, 145, 115, 0) "
                                       "forcePlatformSeparation() end</update>") +
                            definition("plain", box("plain.ps", 100, 20)) + definition("mixed", box("mixed.ps", 100, 20, "CRFL"));
        for (char letter : std::string("FCXREILZ"))
            level += definition(std::string("edge_") + letter, box(std::string("edge_") + letter + ".ps", 100, 20, std::string(4, letter)));
        load(level + "<script language=\"Lua\">initSpriteManager(64)</script>\n</level>");
    }
    // A platform of `type` at (100, 100) and a mover at (x, y) with velocity (vx, vy).
    void platformAndMover(const std::string &type, float x, float y, float vx, float vy, const std::string &mover = "mover") {
        call("p = addSprite('" + type + "', 1) placeSprite(p, 100, 100, 0) setSpriteImmobile(p, true) m = addSprite('" +
             mover + "', 1) addSpriteToCollisionGroup(m, 'game_platform') placeSprite(m, " + std::to_string(x) + ", " +
             std::to_string(y) + ", 0) setSpriteVelocity(m, " + std::to_string(vx) + ", " + std::to_string(vy) + ", 0)");
        platform = rec(number("p"));
        mover_ = rec(number("m"));
    }
    bool passingThrough() {
        for (void *slot : mover_->pastPlatformCollisions)
            if (slot == platform) return true;
        return false;
    }
    bool inPlatformGroup(const luaSpriteInfoRec *sprite) {
        for (_treeNode *node = getChild(getCollisionGroup("game_platform"), 0); node; node = getSibling(node)) {
            const collisionGroupNode *entry = (const collisionGroupNode *)getData(node);
            if (entry->valid && entry->target == sprite) return true;
        }
        return false;
    }
    luaSpriteInfoRec *platform = nullptr, *mover_ = nullptr;
};

TEST_F(Collisions, EdgeFlagsAndFlaglessPlatformsResolveAContactInOneStep) {
    struct {
        const char *what, *type;
        float x, y, vx, vy;
        float afterX, afterY, afterVX, afterVY;
        bool recorded;
    } cases[] = {
        // The platform spans x 100..200, y 100..120; the mover is 10 x 10.
        {"flagless landing bounces with the elasticity", "plain", 145, 120.5f, 0.2f, -1, 145.2f, 120.5f, 0.1f, 0.5f, false},
        {"flagless, rising: passes into it", "plain", 145, 89.5f, 0, 1, 145, 90.5f, 0, 1, false},
        {"F lands like a flagless platform", "edge_F", 145, 120.5f, 0.2f, -1, 145.2f, 120.5f, 0.1f, 0.5f, false},
        {"C pushes down and lets it pass", "edge_C", 145, 89.5f, 0, 1, 145, 89.5f, 0, 1, true},
        {"X pushes down and stops the rise", "edge_X", 145, 89.5f, 0, 1, 145, 89.5f, 0, 0, false},
        {"R pushes right and lets it pass", "edge_R", 200.5f, 105, -1, 0, 200.5f, 105, -1, 0, true},
        {"E pushes right and stops it", "edge_E", 200.5f, 105, -1, 0, 200.5f, 105, 0, 0, false},
        {"L pushes left and lets it pass", "edge_L", 89.5f, 105, 1, 0, 89.5f, 105, 1, 0, true},
        {"I pushes left and stops it", "edge_I", 89.5f, 105, 1, 0, 89.5f, 105, 0, 0, false},
        {"any other letter only lets it pass", "edge_Z", 145, 120.5f, 0, -1, 145, 119.5f, 0, -1, true},
        {"the crossed edge decides: from above, F", "mixed", 145, 120.5f, 0, -1, 145, 120.5f, 0, 0.5f, false},
        {"the crossed edge decides: from the left, L", "mixed", 89.5f, 105, 1, 0, 89.5f, 105, 1, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        loadPlatformLevel();
        platformAndMover(c.type, c.x, c.y, c.vx, c.vy);
        call("setSpriteElasticity(m, 0.5)");
        step();
        EXPECT_FLOAT_EQ(mover_->location[0], c.afterX);
        EXPECT_FLOAT_EQ(mover_->location[1], c.afterY);
        EXPECT_FLOAT_EQ(mover_->velocity[0], c.afterVX);
        EXPECT_FLOAT_EQ(mover_->velocity[1], c.afterVY);
        EXPECT_EQ(passingThrough(), c.recorded);
    }
}

TEST_F(Collisions, AFallingSpriteComesToRestOnTheSurface) {
    struct {
        float elasticity, speed;
    } cases[] = {{0, 1}, {0.5f, 1}, {0, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.elasticity);
        SCOPED_TRACE(c.speed);
        loadPlatformLevel();
        platformAndMover("plain", 145, 150, 0, 0);
        call("setEnvironmentGlobal('kEnv_Gravity_Y', -0.1) setSpriteSubjectToGravity(m, true) setSpriteElasticity(m, " +
             std::to_string(c.elasticity) + ") setSpriteSpeedMultiplier(m, " + std::to_string(c.speed) + ")");
        step(1000);
        // It rests on the outline (no more than a step of its fall above it), not
        // in it, and no longer moves or falls.
        float y = mover_->location[1];
        EXPECT_GE(y, 120.0f);
        EXPECT_LE(y, 120.0f + 0.2f * c.speed * c.speed);
        EXPECT_EQ(mover_->velocity[1], 0);
        EXPECT_EQ(mover_->subjectToGravity, 0);
        EXPECT_FALSE(inPlatformGroup(mover_));
        for (int i = 0; i < 50; i++) {
            step();
            ASSERT_EQ(mover_->location[1], y) << "step " << i;
        }
    }
}

TEST_F(Collisions, PassUpLetsARisingSpriteThroughUntilContactEnds) {
    loadPlatformLevel();
    platformAndMover("plain", 145, 89.5f, 0, 3);
    call("setSpritePassthrough(p, true, false, false, false)");
    step();
    EXPECT_FLOAT_EQ(mover_->location[1], 92.5f);
    EXPECT_TRUE(passingThrough());
    step(10);  // bottom at 122.5: clear of the platform
    EXPECT_FLOAT_EQ(mover_->location[1], 122.5f);
    EXPECT_FALSE(passingThrough());
    // Taken away in the middle of a pass-through, it forgets it as well.
    call("placeSprite(m, 145, 105, 0)");
    step();
    EXPECT_TRUE(passingThrough());
    call("placeSprite(m, 1145, 105, 0)");
    step();
    EXPECT_FALSE(passingThrough());
    call("placeSprite(m, 145, 122.5, 0)");
    // Coming back down it lands: the pass-through ended with the contact.
    call("setSpriteVelocity(m, 0, -3, 0)");
    step();
    EXPECT_FLOAT_EQ(mover_->location[1], 122.5f);
    EXPECT_FLOAT_EQ(mover_->velocity[1], 0);
}

TEST_F(Collisions, SeparationBisectsBackToTheOutlineByAtMostTen) {
    struct {
        const char *what;
        float y, low, high;
    } cases[] = {
        {"touching already at its former place: up to the outline", 115, 120.0f, 120.1f},
        {"too deep: the full push of ten", 100.5f, 109.5f, 109.5f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        loadPlatformLevel();
        platformAndMover("plain", 145, c.y, 0, -1);
        step();
        EXPECT_GE(mover_->location[1], c.low);
        EXPECT_LE(mover_->location[1], c.high);
        EXPECT_EQ(number("collideSprites(m, p)") == 1, c.low < 120.0f);
    }
}

TEST_F(Collisions, ASpritePutBackIntoAnotherPlatformIsResolvedAgainstItToo) {
    loadPlatformLevel();
    // A fast fall onto the platform puts the mover back to where it started,
    // inside a small block further up; the block comes later in the group.
    platformAndMover("plain", 145, 215, 0, -100);
    call("b = addSprite('mover', 1) placeSprite(b, 145, 210, 0) setSpriteImmobile(b, true)");
    step();
    EXPECT_GT(mover_->location[1], 220.0f);
    EXPECT_LE(mover_->location[1], 220.1f);
}

TEST_F(Collisions, TheLandingScriptRunsOnceAndMaySeparateAgain) {
    loadPlatformLevel();
    platformAndMover("plain", 145, 120.5f, 0, -1, "lander");
    call("endAnimationWhenLandOnPlatform(m) sinkOnLanding = true forcePlatformSeparation()");
    step();
    EXPECT_EQ(call("return landed, landedSprite == m"), "1,true");
    // The script sank it to 115; separating again put it back where it was free.
    EXPECT_FLOAT_EQ(mover_->location[1], 120.5f);
    call("sinkOnLanding = false setSpriteVelocity(m, 0, -1, 0)");
    step();
    EXPECT_EQ(call("return landed"), "1");
}

// The grid only finds the same pairs faster: a busy scene (bouncing movers,
// flagged, pass-through and pass-up platforms, landing scripts that move
// their sprite and force a separation) ends exactly as with every pair tried.
TEST_F(Collisions, ThePlatformGridResolvesTheSamePairsInTheSameOrder) {
    auto run = [&](int grid) {
        setCollisionPlatformGrid(grid);
        loadPlatformLevel();
        call("landed = 0 math.randomseed(3) setEnvironmentGlobal('kEnv_Gravity_Y', -0.1) movers = {} "
             "local types = {'plain', 'mixed', 'edge_Z', 'edge_X', 'plain', 'edge_F'} "
             "for i = 0, 11 do local p = addSprite(types[math.mod(i, 6) + 1], 1) "
             "  placeSprite(p, math.mod(i, 4) * 70, math.floor(i / 4) * 25 + math.mod(i, 2) * 8, 0) setSpriteImmobile(p, true) "
             "  if math.mod(i, 5) == 0 then setSpritePassthrough(p, true, false, false, false) end end "
             "for i = 1, 40 do local m = addSprite(math.mod(i, 4) == 0 and 'lander' or 'mover', 1) movers[i] = m "
             "  placeSprite(m, math.random() * 300, math.random() * 150, 0) "
             "  setSpriteVelocity(m, (math.random() - 0.5) * 2, (math.random() - 0.5) * 4, 0) "
             "  setSpriteSubjectToGravity(m, true) setSpriteElasticity(m, 0.7) "
             "  addSpriteToCollisionGroup(m, 'game_platform') end");
        std::string trace;
        for (int i = 0; i < 40; i++) {
            if (i % 5 == 0)
                call("sinkOnLanding = " + std::string(i % 2 ? "true" : "false") +
                     " for i = 4, 40, 4 do endAnimationWhenLandOnPlatform(movers[i]) end");
            step(10);
            trace += call("local t = '' for _, m in ipairs(movers) do local x, y = getSpriteLocation(m) "
                          "local vx, vy = getSpriteVelocity(m) t = t .. string.format('%.4f %.4f %.4f %.4f;', x, y, vx, vy) end "
                          "return t .. (landed or 0)") + "\n";
        }
        setCollisionPlatformGrid(1);
        return trace;
    };
    std::string withGrid = run(1), everyPair = run(0);
    EXPECT_EQ(withGrid, everyPair);
    // The scene did land sprites and run landing scripts.
    EXPECT_NE(withGrid.find(";"), std::string::npos);
    EXPECT_GT(number("landed"), 5);
}

TEST_F(Collisions, ContactScriptsRunInGroupOrderWithTheirGlobals) {
    load("<level>\n<sprite type=\"red\"><collision language=\"Lua\">log = (log or '') .. 'red:' .. gCurrentSprite .. ',' .. "
         "gOtherSprite .. ',' .. gCollisionGroup .. ';'</collision></sprite>\n"
         "<sprite type=\"blue\"><collision language=\"Lua\">log = (log or '') .. 'blue:' .. gCurrentSprite .. ',' .. "
         "gOtherSprite .. ',' .. gCollisionGroup .. ';'</collision></sprite>\n"
         "<script language=\"Lua\">initSpriteManager(8)</script>\n</level>");
    // Spheres of radius 10 overlap; mobile members join at the front: the order is r2, b, r.
    call("r = addSprite('red', 1) b = addSprite('blue', 1) r2 = addSprite('red', 1) "
         "for _, s in ipairs({r, b, r2}) do setSpriteCollisionSphere(s, 10) addSpriteToCollisionGroup(s, 'g') end "
         "placeSprite(b, 5, 0, 0) placeSprite(r2, 3, 0, 0)");
    step();
    EXPECT_EQ(call("return log"), "red:2,1,g;blue:1,2,g;blue:1,0,g;red:0,1,g;");

    // Lift is handed over instead of running scripts.
    call("log = '' setSpriteLiftVelocity(b, 1, 0, 0, 5, 5, 5)");
    step();
    EXPECT_EQ(call("return log"), "");
    EXPECT_EQ(rec(0)->lift_self_velocity[0], 1);

    // A pairing tests one pair every fifth step, its text standing for the group.
    call("setSpriteLiftVelocity(b, 0, 0, 0, 0, 0, 0) removeSpriteFromCollisionGroup(r, 'g') "
         "removeSpriteFromCollisionGroup(b, 'g') log = '' setSpriteCollideOnlyWithSprite(r, b, 'hit')");
    step(5);
    EXPECT_EQ(call("return log"), "red:0,1,hit;blue:1,0,hit;");
    call("removeCollisionWithSprite(r) log = ''");
    step(5);
    EXPECT_EQ(call("return log"), "");
}

TEST_F(Collisions, SpheresPointsAndPlatformPoints) {
    loadPlatformLevel();
    platformAndMover("plain", 400, 400, 0, 0);
    call("a = addSprite('mover', 1) b = addSprite('mover', 1) setSpriteCollisionSphere(a, 10) setSpriteCollisionSphere(b, 10) "
         "placeSprite(b, 20, 0, 0)");
    int a = (int)number("a");
    EXPECT_EQ(call("return collideSprites(a, b)"), "1");  // just touching
    call("placeSprite(b, 21, 0, 0)");
    EXPECT_EQ(call("return collideSprites(a, b), collideSprites(a, -1)"), "0,0");
    EXPECT_EQ(mouseOverSprite(a, 9, 0), 1);
    EXPECT_EQ(mouseOverSprite(a, 10, 0), 0);  // on the surface is not over
    // A platform point is tested five units lower.
    EXPECT_EQ(call("return isPointInAPlatform(150, 124), isPointInAPlatform(150, 126), isPointInAPlatform(150, 104)"),
              "1,0,0");
    EXPECT_EQ(call("return collidePolygonWithSprite('" + dir + "plain.ps', m, p)"), "0");
    call("placeSprite(m, 150, 110, 0)");
    // A missing file, or one without a usable outline, is no shape at all.
    std::string bad = polygonFile("bad.ps", "0 0 m\n1 1 l\nn\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(call("return collidePolygonWithSprite('" + dir + "plain.ps', m, p), collidePolygonWithSprite('none.ps', m, p), "
                   "collidePolygonWithSprite('" + bad + "', m, p)"),
              "1,0,0");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Error: Unable to open file none.ps\n"), std::string::npos);
}

TEST_F(Collisions, ShapesComeFromDefinitionsOnceAndBadFilesGiveNone) {
    std::string good = box("good.ps", 10, 10), bad = polygonFile("bad.ps", "0 0 m\n1 1 l\nn\n");
    ::testing::internal::CaptureStderr();
    load("<level>\n" + definition("a", good) +
         "<sprite type=\"b\"><collision file=\"" + good + "\" origin=\"(3, 4)\"/></sprite>\n" + definition("missing", dir + "none.ps") +
         definition("bad", bad) + "<script language=\"Lua\">initSpriteManager(8) a1 = addSprite('a', 1) a2 = addSprite('a', 1) "
         "b1 = addSprite('b', 1) m1 = addSprite('missing', 1) x1 = addSprite('bad', 1) x2 = addSprite('bad', 1)</script>\n</level>");
    std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_NE(rec(0)->colRec, nullptr);
    EXPECT_EQ(rec(0)->colRec, rec(1)->colRec);
    ASSERT_NE(rec(2)->colRec, nullptr);
    EXPECT_NE(rec(2)->colRec, rec(0)->colRec);
    EXPECT_FLOAT_EQ(rec(2)->colRec->origin[0] + 3, rec(0)->colRec->origin[0]);
    EXPECT_EQ(rec(3)->colRec, nullptr);
    EXPECT_EQ(rec(4)->colRec, nullptr);
    EXPECT_NE(log.find("Error: Unable to open file " + dir + "none.ps\n"), std::string::npos) << log;
    // A frame's outline stands for the sprite's, read at the sprite's collision scale.
    load("<level>\n<sprite type=\"f\"><animation name=\"grow\"><frame/><collision file=\"" + good +
         "\"/></animation></sprite>\n<script language=\"Lua\">initSpriteManager(8) f = addSprite('f', 1) "
         "setSpriteCollisionScaleValue(f, 0.5) setSpriteAnimation(f, 'grow')</script>\n</level>");
    int flipped = 0;
    const collisionRec *frameShape = getSpriteCollisionRecord(0, &flipped);
    ASSERT_NE(frameShape, nullptr);
    EXPECT_FLOAT_EQ(frameShape->radius, rec(0)->animationArray[0].colRec->radius);
    EXPECT_FLOAT_EQ(frameShape->radius, 5 * sqrtf(2) / 2);
    // The bad file was read and reported once for both sprites.
    size_t first = log.find("fewer than 3 vertices");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("fewer than 3 vertices", first + 1), std::string::npos) << log;
}

TEST_F(Collisions, WrongArgumentsRaiseTheUsageTexts) {
    loadPlatformLevel();
    struct {
        const char *chunk, *usage;
    } cases[] = {
        {"setCollisionDebugMode(1)", "usage: setCollisionDebugMode(<Boolean debug mode on/off>)"},
        {"collidePolygonWithSprite(1, 2, 3)",
         "usage: collidePolygonWithSprite(<String polygonName> <Integer spriteRefA> <Integer spriteRefB)"},
        {"collideSprites(1)", "usage: collideSprites(<Integer spriteRefA> <Integer spriteRefB)"},
        {"doesSpriteCollideWithGroup(1, 2)", "usage: doesSpriteCollideWithGroup(<Integer spriteRefA> <String group)"},
        {"mouseOverSprite()", "usage: mouseOverSprite(<Integer spriteRef>"},
        {"setSpriteCollisionSphere(1)", "usage: setSpriteCollisionSphere(<Integer spriteRefNum>, <Double radius>)"},
        {"addSpriteToCollisionGroup(1)", "usage: addSpriteToCollisionGroup(<Integer spriteRefNum>, <String group1>, ...)"},
        {"addSpriteToCollisionGroup(1, 'a', 2)", "usage: addSpriteToCollisionGroup(<Integer spriteRefNum>, <String group1>, ...)"},
        {"removeSpriteFromCollisionGroup('a', 'b')",
         "usage: removeSpriteFromCollisionGroup(<Integer spriteRefNum>, <String group1>, ...)"},
        {"setSpriteCollideOnlyWithSprite(1, 2)",
         "usage: setSpriteCollideOnlyWithSprite(<Integer spriteRefNum>, <Integer otherSpriteRefNum>, <String event>)"},
        {"removeCollisionWithSprite('a')", "usage: removeCollisionWithSprite(<Integer spriteRefNum>)"},
        {"setSpritePassthrough(1, true, true, true, 1)",
         "usage: setSpritePassthrough(<Integer spriteRefNum>, <Bool up>, <Bool left>, <Bool down>, <Bool right>)"},
        {"setSpriteImmobile(1, 1)", "usage: setSpriteImmobile(<Integer spriteRefNum>, <Boolean is immobile>)"},
        {"isSpriteImmobile()", "usage: isSpriteImmobile(<Integer spriteRefNum>)"},
        {"endAnimationWhenLandOnPlatform(1, 2)", "usage: endAnimationWhenLandOnPlatform(<Integer spriteRefNum>)"},
        {"setSpriteElasticity(1)", "usage: setSpriteElasticity(<Integer spriteRefNum>, <Double e>)"},
        {"setSpriteCollisionScaleValue(1)", "usage: setSpriteCollisionScaleValue(<Integer spriteRefNum> <Double value>)"},
        {"isPointInAPlatform(1)", "usage: isPointInAPlatform(<Integer x>, <Integer y>)"},
    };
    for (const auto &c : cases) EXPECT_EQ(call(c.chunk), std::string("error: ") + c.usage) << c.chunk;
    // A reference that names no sprite is ignored.
    EXPECT_EQ(call("return isSpriteImmobile(99), setSpriteImmobile(99, true), doesSpriteCollideWithGroup(99, 'g')"), "nil,nil,0");
}

}  // namespace
