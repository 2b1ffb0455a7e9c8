// The effects' rules step by step through their script functions: usage texts,
// particle lifetimes and timed changes with the current-particle rule,
// transition timing, completion scripts and input swallowing, bubble
// lifetimes and following, game and demo timer counts, texts, music rate and
// scripts, rope pieces, timed moves, editor dragging and the dump, and tracked
// memory coming back after every effect is gone.
#include <cstdio>
#include <cstring>

#include "audio/glSoundManager.h"
#include "effects/effectsTestFixture.h"

namespace {

using Effects = EffectsTest;

TEST_F(Effects, BadArgumentsGetTheUsageText) {
    run("addParticle('Data/white.tga', 0, 0, 0, 1) rope = addRope('Data/white.tga', 3)");
    struct {
        const char *chunk, *usage;
    } cases[] = {
        {"startScreenTransition()", "startScreenTransition(<String transition type>, <Optional arguments>)"},
        {"startScreenTransition(5)", "startScreenTransition(<String transition type>, <Optional arguments>)"},
        {"endScreenTransition(nil, 'x')", "endScreenTransition(<String transition type>, <Optional arguments>)"},
        {"addSpeechBubble(0, 1, 1, 'x', 0)", "addSpeechBubble(<Integer spriteRef>, <Boolean stationary>, "
                                             "<Integer animation layer>, <String text>, <Integer alphabetRef>)"},
        {"addSpeechBubbleAtLocation(1, 2, 3, 4, 'x')",
         "addSpeechBubbleAtLocation(<Double x>, <Double y>, <Double z>, <Integer animation layer>, <String text>, "
         "<Integer alphabetRef>)"},
        {"addParticle('a', 1, 2, 3)", "addParticle(<String texture name>, <Double x>, <Double y>, <Double z>, "
                                      "<Double duration>)"},
        {"addParticle('a', 1, 2, 3, 'soon')", "addParticle(<String texture name>, <Double x>, <Double y>, "
                                              "<Double z>, <Double duration>)"},
        {"setParticleColor(1, 2, 3)", "setParticleColor(<Double r>, <Double g>, <Double b>, <Double a>)"},
        {"setParticleScaleChange(1, 2, 3, 4)",
         "setParticleScaleChange(<Double x>, <Double y>, <Double z>, <Double wait>, <Double duration>)"},
        {"setParticleFlipHorizontal(1)", "setParticleFlipHorizontal(<Boolean is flipped>)"},
        {"enableParticles('on')", "enableParticles(<Number on/off>)"},
        {"addRope('Data/white.tga')", "addRope(<String texture name>, <Number numPieces>)"},
        {"setRopeLocation(5, 0, 1, 2, 3)", "setRopeLocation(<References rope_reference>, <Number piece>, "
                                           "<Double x>, <Double y>, <Double z>)"},
        {"setRopeChangeLocation(rope, 0, 1, 2, 3)",
         "setRopeChangeLocation(<References rope_reference>, <Number piece>, <Number seconds>, <Double x>, "
         "<Double y>, <Double z>)"},
        {"setRopeScale(rope, 0, 1, 2, 'z')", "setRopeScale(<References rope_reference>, <Number piece>, "
                                             "<Double x>, <Double y>, <Double z>)"},
        {"addGameTimer(1, 2, 3, 4)",
         "addGameTimer(<Double Seconds>, <Double X>, <Double Y>, <Integer alphabetRef>, <String script>)"},
        {"addDemoTimer(1, 2, 3, 4, 5)",
         "addDemoTimer(<Double Seconds>, <Double X>, <Double Y>, <Integer alphabetRef>, <String script>)"},
    };
    for (const auto &c : cases) EXPECT_EQ(call(c.chunk), std::string("error: usage: ") + c.usage) << c.chunk;
    // Optional transition arguments of the wrong type keep their defaults;
    // an unknown type adds nothing and raises nothing.
    EXPECT_EQ(call("startScreenTransition('Alpha mask zoom', 1, {}, 'fast', 'long')"), "");
    auto *t = first<luaAlphaMask_ScreenTransitionInfo>(displayAlphaMaskScreenTransition);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->textureRef, -1);
    EXPECT_EQ(t->luaScript, nullptr);
    EXPECT_EQ(t->rotationDelta, 1.0f);
    EXPECT_EQ(t->duration, 200);
    EXPECT_EQ(call("startScreenTransition('alpha mask zoom') endScreenTransition('Iris')"), "");
    EXPECT_EQ(count(displayAlphaMaskScreenTransition), 1);
}

TEST_F(Effects, ParticlesLiveTheirTimeAndChangeOnTheStepsAsked) {
    // Seconds of life -> the update that removes the particle.
    struct {
        const char *seconds;
        int removedAt;
    } lives[] = {{"0.01", 3}, {"0", 1}, {"0.5", 101}, {"0/0", 1}, {"'0.02'", 5}};
    for (const auto &life : lives) {
        run(std::string("addParticle('Data/white.tga', 0, 0, 0, ") + life.seconds + ")");
        step(life.removedAt - 1);
        EXPECT_EQ(count(displayParticle), 1) << life.seconds;
        step();
        EXPECT_EQ(count(displayParticle), 0) << life.seconds;
        EXPECT_EQ(currentParticle(), nullptr);
    }

    // A colour change waiting half a second and lasting one: steps 100 to 299.
    run("addParticle('Data/white.tga', 10, 20, 0, 5) setParticleColor(2, -1, 0.5, 1)");
    particleInfo *p = currentParticle();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->color[0], 1.0f);
    EXPECT_EQ(p->color[1], 0.0f);
    EXPECT_EQ(p->color[2], 0.5f);
    run("setParticleColorChange(1, 1, 0.5, 0, 0.5, 1) setParticleVelocity(1, 0, 0) setParticleGravity(0, -0.5, 0)"
        "setParticleVelocityChange(3, -0.5, 0, 0, 0.01)");
    step();
    // Gravity, then location, then the velocity change (seen from the next step).
    EXPECT_FLOAT_EQ(p->location[0], 11.0f);
    EXPECT_FLOAT_EQ(p->location[1], 19.5f);
    EXPECT_FLOAT_EQ(p->velocity[0], 2.0f);
    step(98);
    EXPECT_EQ(p->color[3], 1.0f);
    step();  // step 100
    EXPECT_FLOAT_EQ(p->color[3], 1.0f - 1.0f / 200.0f);
    EXPECT_FLOAT_EQ(p->color[1], 0.0f + 1.0f / 200.0f);
    step(199);  // step 299: the 200th and last
    EXPECT_NEAR(p->color[3], 0.0f, 1e-4);
    EXPECT_EQ(p->colorCount, 0.0f);
    float alpha = p->color[3];
    step();
    EXPECT_EQ(p->color[3], alpha);
    // A change of no duration never applies.
    run("setParticleScaleChange(5, 5, 5, 0, 0)");
    step(3);
    EXPECT_EQ(p->scale[0], 1.0f);

    // Setters shape only the newest particle, and do nothing once it is gone,
    // whatever their arguments.
    run("addParticle('Data/white.tga', 0, 0, 0, 0.01) setParticleScale(3, 3, 3) setParticleFlipVertical(true)");
    particleInfo *second = currentParticle();
    EXPECT_EQ(second->scale[0], 3.0f);
    EXPECT_EQ(second->flipped, 2);
    EXPECT_EQ(p->scale[0], 1.0f);
    step(3);
    EXPECT_EQ(currentParticle(), nullptr);
    EXPECT_EQ(call("setParticleColor('red') setParticleFlipHorizontal(1) setParticleScale(9, 9, 9)"), "");
    EXPECT_EQ(p->scale[0], 1.0f);

    // Switched off: every particle goes at its next update and none is made.
    EXPECT_EQ(call("enableParticles(0.5) return addParticle('Data/white.tga', 0, 0, 0, 1)"), "0");
    step();
    EXPECT_EQ(count(displayParticle), 0);
    EXPECT_EQ(call("enableParticles(1) return addParticle('Data/white.tga', 0, 0, 0, 1)"), "1");
}

TEST_F(Effects, TransitionsCloseAndOpenOnTimeAndRunTheirScriptsOnce) {
    run("gRuns = 0 startScreenTransition('Alpha mask zoom', 'Data/iris.tga', 'gRuns = gRuns + 1', 2, 100)");
    auto *t = first<luaAlphaMask_ScreenTransitionInfo>(displayAlphaMaskScreenTransition);
    ASSERT_NE(t, nullptr);
    ASSERT_GE(t->textureRef, 0);
    step(50);
    EXPECT_NEAR(t->alpha, 1.0f, 1e-5);
    EXPECT_NEAR(t->scale, 0.5f, 1e-5);
    EXPECT_FLOAT_EQ(t->rotation, 100.0f);
    step(49);
    EXPECT_EQ(call("return gRuns"), "0");
    step();
    EXPECT_EQ(call("return gRuns"), "1");
    EXPECT_NEAR(t->scale, 0.0f, 1e-5);
    step(300);
    // Closed, it stays, swallowing input, until the scene is replaced.
    EXPECT_EQ(call("return gRuns"), "1");
    EXPECT_EQ(count(displayAlphaMaskScreenTransition), 1);
    EXPECT_EQ(eventObjectManager(objects, kObjEvent_KeyDown, 'a', 0, 0, nullptr), 1);
    EXPECT_EQ(eventObjectManager(objects, kObjEvent_MouseDown, 0, 5, 5, nullptr), 1);
    clearObjectManager(objects);

    // Opening: input passes; removed at the update after its script.
    run("gRuns = 0 endScreenTransition('Alpha mask zoom', 'Data/iris.tga', 'gRuns = gRuns + 1', 0, 40)");
    t = first<luaAlphaMask_ScreenTransitionInfo>(displayAlphaMaskScreenTransition);
    EXPECT_EQ(eventObjectManager(objects, kObjEvent_KeyDown, 'a', 0, 0, nullptr), 0);
    step(20);
    EXPECT_NEAR(t->alpha, 0.0f, 1e-5);
    step(20);
    EXPECT_EQ(call("return gRuns"), "1");
    EXPECT_EQ(count(displayAlphaMaskScreenTransition), 1);
    step();
    EXPECT_EQ(count(displayAlphaMaskScreenTransition), 0);

    // No time at all (or a negative one): finished at the first step.
    for (const char *duration : {"0", "-7"}) {
        run(std::string("gRuns = 0 startScreenTransition('Alpha mask zoom', nil, 'gRuns = gRuns + 1', 0, ") +
            duration + ")");
        t = first<luaAlphaMask_ScreenTransitionInfo>(displayAlphaMaskScreenTransition);
        step();
        EXPECT_EQ(call("return gRuns"), "1") << duration;
        EXPECT_EQ(t->scale, 0.0f);
        EXPECT_EQ(t->alpha, 1.0f);
        clearObjectManager(objects);
    }
}

TEST_F(Effects, BubblesLastByTheirTextAndLeaveWithTheirSprite) {
    // Three seconds and a twentieth per character: "hi" lasts 620 steps; lines are trimmed of empty ones.
    run("addSpeechBubbleAtLocation(100, 100, 0, 14, 'hi', alphabet)");
    auto *b = first<speechBubbleInfo>(displaySpeechBubble);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->duration, 620.0f);
    step(620);
    EXPECT_EQ(count(displaySpeechBubble), 1);
    EXPECT_NEAR(b->anim, powf(0.992f, 620), 1e-6);
    step();
    EXPECT_EQ(count(displaySpeechBubble), 0);
    run("addSpeechBubbleAtLocation(0, 0, 0, 14, '\\n\\nab\\n\\ncd\\n', alphabet)");
    b = first<speechBubbleInfo>(displaySpeechBubble);
    EXPECT_EQ(numberOfChildren(b->textLines), 2);
    EXPECT_NEAR(b->duration, 640.0f, 1e-3);
    clearObjectManager(objects);
    // A bubble keeps its first 1,000 characters, however long the text: 600 on
    // a first line and 400 of the second's 5,000, lasting 3 + 50 seconds.
    run("addSpeechBubbleAtLocation(0, 0, 0, 14, string.rep('a', 600) .. '\\n' .. string.rep('b', 5000), alphabet)");
    b = first<speechBubbleInfo>(displaySpeechBubble);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(numberOfChildren(b->textLines), 2);
    EXPECT_EQ(strlen((const char *)getData(getChild(b->textLines, 1))), 400u);
    EXPECT_NEAR(b->duration, 53.0f * 200, 1e-2);
    clearObjectManager(objects);

    // Following bubbles go at the first update after their sprite, whatever
    // its reference (0 included); a stationary one stays where it was.
    int first_ = atoi(call("return addSprite('img', 1)").c_str());
    int second = atoi(call("return addSprite('img', 1)").c_str());
    ASSERT_EQ(first_, 0);
    run("placeSprite(1, 40, 50, 0)");
    run("addSpeechBubble(0, false, 14, 'zero', alphabet) addSpeechBubble(1, false, 14, 'one', alphabet)"
        "addSpeechBubble(1, true, 14, 'stays', alphabet) addSpeechBubble(7, false, 14, 'nobody', alphabet)");
    EXPECT_EQ(count(displaySpeechBubble), 3);
    for (int ref : {first_, second}) {
        int before = count(displaySpeechBubble);
        run("removeSprite(" + std::to_string(ref) + ")");
        step();  // the sprite goes at its next update, and the bubble with it
        EXPECT_EQ(count(displaySpeechBubble), before - 1) << ref;
    }
    b = first<speechBubbleInfo>(displaySpeechBubble);
    EXPECT_EQ(b->spriteReference, -1);
    EXPECT_EQ(b->sx, 40.0f);
    EXPECT_EQ(b->sy, 50.0f);
}

TEST_F(Effects, GameTimerCountsShowsAndHurriesTheMusic) {
    run("addGameTimer(95.5, 10, 20, alphabet, 'gFired = (gFired or 0) + 1')");
    auto *t = first<gameTimerInfo>(displayGameTimer);
    ASSERT_NE(t, nullptr);
    char text[64];
    gameTimerText(t->count, text, sizeof text);
    EXPECT_STREQ(text, "Time: 01:35:50");
    clearObjectManager(objects);

    run("addGameTimer(31, 10, 20, alphabet, 'gFired = (gFired or 0) + 1')");
    t = first<gameTimerInfo>(displayGameTimer);
    // count after the step -> music rate
    struct {
        int count, rate;
    } rates[] = {{6001, 100}, {6000, 100}, {5996, 100}, {5995, 101}, {5901, 119}, {5900, 120}, {5800, 120}};
    for (const auto &r : rates) {
        step(t->count - r.count);
        EXPECT_EQ(getAllGroupMusicRate(), r.rate) << r.count;
    }
    // Paused while the level is edited.
    setLevelEditorActive(1);
    step(10);
    EXPECT_EQ(t->count, 5800);
    setLevelEditorActive(0);
    step(5799);
    EXPECT_EQ(call("return gFired"), "nil");
    step();
    EXPECT_EQ(call("return gFired"), "1");
    step(500);
    EXPECT_EQ(call("return gFired"), "1");
    gameTimerText(t->count, text, sizeof text);
    EXPECT_STREQ(text, "Time: 00:00:00");
    clearObjectManager(objects);
    EXPECT_EQ(getAllGroupMusicRate(), 100);  // the destroyed timer puts the music back
}

TEST_F(Effects, DemoTimerWaitsForIdlenessAndCanBeHeld) {
    run("gDemo = 0 addDemoTimer(20, 320, 40, alphabet, 'gDemo = gDemo + 1')");
    auto *t = first<demoTimerInfo>(displayDemoTimer);
    ASSERT_NE(t, nullptr);
    char text[64];
    step(1000);
    demoTimerText(t->count, text, sizeof text);
    EXPECT_STREQ(text, "");
    step();
    demoTimerText(t->count, text, sizeof text);
    EXPECT_STREQ(text, "Demo in 14.99 seconds");
    // Any key or click starts it over, and passes on.
    for (uint8_t type : {kObjEvent_KeyDown, kObjEvent_MouseUp}) {
        EXPECT_EQ(eventObjectManager(objects, type, 'x', 0, 0, nullptr), 0);
        EXPECT_EQ(t->count, 4000);
    }
    step(3999);
    EXPECT_EQ(call("return gDemo"), "0");
    step();
    EXPECT_EQ(call("return gDemo"), "1");
    step(4000);
    EXPECT_EQ(call("return gDemo"), "1");  // fires once, at zero

    clearObjectManager(objects);
    run("disableDemo() addDemoTimer(0.1, 320, 40, alphabet, 'gDemo = gDemo + 1')");
    step(500);
    EXPECT_EQ(call("return gDemo"), "1");
    run("enableDemo()");
    step(18);
    EXPECT_EQ(call("return gDemo"), "1");
    step();
    EXPECT_EQ(call("return gDemo"), "2");
}

TEST_F(Effects, RopePiecesMoveOnTimeAndDragInTheEditor) {
    run("long = addRope('Data/white.tga', 200) short = addRope('Data/white.tga', 0) rope = addRope('Data/white.tga', 10)");
    lua_getglobal(L, "rope");
    ropeInfo *rope = (ropeInfo *)lua_touserdata(L, -1);
    lua_pop(L, 1);
    ASSERT_TRUE(isLiveRope(rope));
    EXPECT_EQ(call("return long ~= nil, short ~= nil"), "true,true");
    int pieces[2];
    int i = 0;
    for (const char *name : {"long", "short"}) {
        lua_getglobal(L, name);
        pieces[i++] = ((ropeInfo *)lua_touserdata(L, -1))->numPieces;
        lua_pop(L, 1);
    }
    EXPECT_EQ(pieces[0], 128);
    EXPECT_EQ(pieces[1], 1);
    // Pieces outside the rope are ignored.
    run("setRopeLocation(rope, 10, 1, 1, 1) setRopeLocation(rope, -1, 1, 1, 1) setRopeScale(rope, 3, 2, 2, 1)");
    EXPECT_EQ(rope->pieces[3].scale[0], 2.0f);

    // Half a second: 100 equal steps, then at rest exactly on the target.
    run("setRopeLocation(rope, 2, 0, 0, 0) setRopeChangeLocation(rope, 2, 0.5, 100, -50, 0)");
    step(99);
    EXPECT_NEAR(rope->pieces[2].location[0], 99.0f, 1e-3);
    step();
    EXPECT_NEAR(rope->pieces[2].location[0], 100.0f, 1e-3);
    EXPECT_NEAR(rope->pieces[2].location[1], -50.0f, 1e-3);
    EXPECT_EQ(rope->pieces[2].duration_location, 0.0f);
    step(5);
    EXPECT_NEAR(rope->pieces[2].location[0], 100.0f, 1e-3);

    // In the editor the piece under the mouse is picked, and dragging it
    // carries the earlier pieces along; later ones stay. The mouse is away
    // from the window's edges, where the editor would scroll the view.
    setMousePosition(320, 240);
    int mx, my;
    getMouse(&mx, &my);
    float m[2] = {(float)mx + getEnvironmentValue(kEnv_WorldOrigin_X), (float)my + getEnvironmentValue(kEnv_WorldOrigin_Y)};
    for (int k = 0; k < 10; k++)
        run("setRopeLocation(rope, " + std::to_string(k) + ", " + std::to_string(m[0] + (k - 5) * 20) + ", " +
            std::to_string(m[1] - 3) + ", 0)");
    setLevelEditorActive(1);
    step();
    EXPECT_EQ(selectedRopePiece(), &rope->pieces[5]);
    EXPECT_EQ(eventObjectManager(objects, kObjEvent_MouseDown, 0, mx, my, nullptr), 1);
    EXPECT_EQ(draggedRopePiece(), &rope->pieces[5]);
    setEnvironmentValue(kEnv_WorldOrigin_X, getEnvironmentValue(kEnv_WorldOrigin_X) + 30);
    setEnvironmentValue(kEnv_WorldOrigin_Y, getEnvironmentValue(kEnv_WorldOrigin_Y) - 40);
    step();
    EXPECT_FLOAT_EQ(rope->pieces[5].location[0], m[0] + 30);
    EXPECT_FLOAT_EQ(rope->pieces[5].location[1], m[1] - 40);
    EXPECT_FLOAT_EQ(rope->pieces[0].location[0], m[0] - 100 + 30);
    EXPECT_FLOAT_EQ(rope->pieces[4].location[1], m[1] - 3 - 37);
    EXPECT_FLOAT_EQ(rope->pieces[6].location[0], m[0] + 20);
    EXPECT_FLOAT_EQ(rope->pieces[6].location[1], m[1] - 3);
    eventObjectManager(objects, kObjEvent_MouseUp, 0, mx, my, nullptr);
    EXPECT_EQ(draggedRopePiece(), nullptr);

    // The dump: offsets from the last piece, truncated toward zero.
    ropeInfo three = {};
    three.numPieces = 3;
    float xs[3] = {10.9f, -3.5f, 2}, ys[3] = {0, 7.25f, 1};
    for (int k = 0; k < 3; k++) three.pieces[k].location[0] = xs[k], three.pieces[k].location[1] = ys[k];
    FILE *file = tmpfile();
    writeRopeDump(&three, file);
    rewind(file);
    char dump[256] = {};
    fread(dump, 1, sizeof dump - 1, file);
    fclose(file);
    EXPECT_STREQ(dump, "local armPosition_state0_x = { 8, -5, 0,}\nlocal armPosition_state0_y = { -1, 6, 0,}\n\n\n");

    // A reference kept past the rope's life is ignored, not followed.
    clearObjectManager(objects);
    EXPECT_EQ(selectedRopePiece(), nullptr);
    EXPECT_FALSE(isLiveRope(rope));
    EXPECT_EQ(call("setRopeLocation(rope, 1, 5, 5, 5) setRopeChangeLocation(rope, 1, 1, 2, 3, 4)"), "");
}

TEST_F(Effects, AMovingRopePieceCutsTheSlashOnEveryStepItPassesClose) {
    // Piece 0 moves 1 unit a step from x 60 to 140 past the slash at (100, 100):
    // closer than 16 units on the steps that take it from 85 to 115.
    run("gCuts = 0 slash = addSprite('slash', 5) setSpriteCollisionSphere(slash, 8) placeSprite(slash, 100, 100, 0)"
        " rope = addRope('Data/white.tga', 3) setRopeLocation(rope, 1, 101, 100, 0)"
        " setRopeLocation(rope, 0, 60, 100, 0) setRopeChangeLocation(rope, 0, 0.4, 140, 100, 0)");
    step(100);
    EXPECT_EQ(call("return gCuts"), "31") << "piece 1 rests on the slash point and never cuts";
    // A slash whose cut removes it is told once; the rope moves on without it.
    run("gCuts = 0 gRemoveOnCut = true setRopeChangeLocation(rope, 0, 0.4, 60, 100, 0)");
    step(100);
    EXPECT_EQ(call("return gCuts"), "1");
    EXPECT_EQ(getSlashSprite(), nullptr);
    lua_getglobal(L, "rope");
    EXPECT_NEAR(((ropeInfo *)lua_touserdata(L, -1))->pieces[0].location[0], 60.0f, 1e-3);
    lua_pop(L, 1);
}

TEST_F(Effects, EveryEffectGivesBackItsMemory) {
    step();
    draw();
    uint32_t start = glAllocated();
    int sprite = atoi(call("return addSprite('img', 1)").c_str());
    std::string text(100000, 'w');
    for (int k = 0; k < 50; k++) text[k * 1000] = '\n';
    lua_pushstring(L, text.c_str());
    lua_setglobal(L, "huge");
    run("for i = 1, 200 do addParticle('Data/white.tga', i, i, 0, i / 100) setParticleColorChange(1, 0, 0, 0, 0, 1) end");
    run("addParticle('Data/missing.tga', 0, 0, 0, 1/0)");
    run("startScreenTransition('Alpha mask zoom', 'Data/iris.tga', 'x = 1', 1, 10)");
    run("endScreenTransition('Alpha mask zoom', 'Data/iris.tga', 'y = 1', 1, 1e12)");
    run("addSpeechBubble(" + std::to_string(sprite) + ", false, 30, huge, alphabet)");
    run("addSpeechBubbleAtLocation(0/0, 1e30, 0, -4, 'nan', alphabet)");
    run("addRope('Data/white.tga', 10000) addRope('Data/missing.tga', -3)");
    run("addGameTimer(-5, 0, 0, alphabet, 'x = 2') addGameTimer(1e300, 0, 0, -1, '') addGameTimer(0/0, 1, 1, 99, 'z')");
    run("addDemoTimer(-1, 0, 0, alphabet, 'x = 3') addDemoTimer(1e300, 0, 0, alphabet, 'x = 4')");
    step(150);
    draw();
    run("removeSprite(" + std::to_string(sprite) + ")");
    step(2);
    draw();
    clearObjectManager(objects);
    step();
    EXPECT_EQ(glAllocated(), start);
}

}  // namespace
