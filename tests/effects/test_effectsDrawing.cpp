// The effects drawn into the offscreen GL context and read back: the iris
// closing round the centre and fading in, a bubble above its sprite that
// follows it and fades, particles fading, turning and growing, a rope bent by
// a dragged piece, and the timers' texts in their colours.
#include "effects/effectsTestFixture.h"

namespace {

using EffectsDrawing = EffectsTest;

bool white(rgba c) { return spriteTest_near(c, 255, 255, 255); }
bool black(rgba c) { return spriteTest_near(c, 0, 0, 0); }

// Pixels of a box lit in any channel.
int ink(const spriteTestFrame &f, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) lit += f.at(x, y).r > 128 || f.at(x, y).g > 128;
    return lit;
}

TEST_F(EffectsDrawing, TheIrisClosesRoundTheCentreAndFades) {
    run("startScreenTransition('Alpha mask zoom', 'Data/iris.tga', nil, 0, 100)");
    step(80);  // the mask at a fifth of its size: a clear disc of radius 269 in a square of half side 307
    spriteTestFrame f = draw(1, 1, 1);
    EXPECT_TRUE(white(f.at(320, 240)));
    EXPECT_TRUE(white(f.at(320 + 250, 240)));
    EXPECT_TRUE(black(f.at(320 + 290, 240 + 100)));  // the square's corner outside the disc
    EXPECT_TRUE(black(f.at(2, 2)));                   // the ring round the square
    step(10);
    f = draw(1, 1, 1);
    EXPECT_TRUE(white(f.at(320, 240 + 120)));
    EXPECT_TRUE(black(f.at(320, 240 + 145)));
    step(10);
    f = draw(1, 1, 1);
    EXPECT_TRUE(black(f.at(320, 240)));  // closed
    clearObjectManager(objects);

    // Opening: a tenth open, four fifths opaque.
    run("endScreenTransition('Alpha mask zoom', 'Data/iris.tga', nil, 0, 100)");
    step(10);
    f = draw(1, 1, 1);
    EXPECT_TRUE(white(f.at(320, 240)));
    EXPECT_TRUE(spriteTest_near(f.at(2, 2), 51, 51, 51, 6));
}

TEST_F(EffectsDrawing, ABubbleSitsAboveItsSpriteFollowsItAndFades) {
    int sprite = atoi(call("return addSprite('img', 1)").c_str());
    std::string s = std::to_string(sprite);
    run("setSpriteTexture(" + s + ", white) placeSprite(" + s + ", 300, 100, 0)");
    run("addSpeechBubble(" + s + ", false, 14, 'hi', alphabet)");
    // Box: 129 x 64 from (188, 148); the text centred at (252, 174), 12 pixels high.
    spriteTestFrame f = draw();
    EXPECT_TRUE(white(f.at(200, 160)));
    EXPECT_TRUE(white(f.at(310, 205)));
    EXPECT_TRUE(black(f.at(200, 140)));
    EXPECT_TRUE(black(f.at(325, 180)));
    EXPECT_TRUE(black(f.at(200, 218)));
    EXPECT_TRUE(black(f.at(252, 180)));  // a glyph
    EXPECT_TRUE(white(f.at(252, 195)));  // above the line

    run("placeSprite(" + s + ", 400, 200, 0)");
    f = draw();
    EXPECT_TRUE(white(f.at(300, 260)));
    EXPECT_TRUE(black(f.at(200, 160)));

    // In its last second it fades: half way through it, half the white.
    step(520);
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(300, 260), 128, 128, 128, 8));
    clearObjectManager(objects);

    // Two lines: 12 pixels taller.
    run("addSpeechBubbleAtLocation(300, 100, 0, 14, 'one\\ntwo', alphabet)");
    f = draw();
    EXPECT_TRUE(white(f.at(200, 218)));
    EXPECT_TRUE(black(f.at(200, 226)));
}

TEST_F(EffectsDrawing, ParticlesFadeTurnAndGrow) {
    run("addParticle('Data/white.tga', 100, 100, 0, 5) setParticleScale(4, 4, 1)"
        "setParticleColorChange(1, 1, 1, 0, 0, 1)"
        "addParticle('Data/white.tga', 300, 100, 0, 5) setParticleScale(4, 4, 1) setParticleRotation(0, 0, 45)");
    spriteTestFrame f = draw();
    EXPECT_TRUE(white(f.at(100, 100)));
    EXPECT_TRUE(white(f.at(114, 114)));
    EXPECT_TRUE(black(f.at(119, 100)));
    EXPECT_TRUE(black(f.at(314, 314 - 200)));  // the turned square's corner is elsewhere
    EXPECT_TRUE(white(f.at(300 + 21, 100)));
    step(100);
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(100, 100), 128, 128, 128, 8));
    step(100);
    f = draw();
    EXPECT_TRUE(black(f.at(100, 100)));
    EXPECT_TRUE(white(f.at(300, 100)));
}

TEST_F(EffectsDrawing, ARopeBentByADraggedPiece) {
    run("rope = addRope('Data/white.tga', 6)");
    int mx, my;
    getMouse(&mx, &my);
    // Pieces 0 to 3 in a row ending under the mouse (which in these tests rests
    // at (mx, my)); pieces 4 and 5 elsewhere.
    for (int k = 0; k < 4; k++)
        run("setRopeLocation(rope, " + std::to_string(k) + ", " + std::to_string(mx + (3 - k) * 20) + ", " +
            std::to_string(my) + ", 0)");
    run("setRopeLocation(rope, 4, 300, 200, 0) setRopeLocation(rope, 5, 340, 200, 0)");
    setLevelEditorActive(1);
    step();
    ASSERT_NE(selectedRopePiece(), nullptr);
    ASSERT_EQ(eventObjectManager(objects, kObjEvent_MouseDown, 0, mx, my, nullptr), 1);
    // The camera moves left and down by (50, 60): the dragged piece stays under
    // the mouse, and so do the pieces before it; the later ones keep their
    // place in the world and move on the screen.
    setEnvironmentValue(kEnv_WorldOrigin_X, -50);
    setEnvironmentValue(kEnv_WorldOrigin_Y, -60);
    step();
    spriteTestFrame f = draw();
    int y = my - 2 < 480 ? my - 2 : 477;
    EXPECT_TRUE(spriteTest_near(f.at(mx + 2, y), 255, 0, 0));  // the dragged one, red
    EXPECT_TRUE(white(f.at(mx + 60, y)));                      // piece 0, carried along
    EXPECT_TRUE(white(f.at(350, 260)));
    EXPECT_TRUE(white(f.at(390, 260)));
    EXPECT_TRUE(black(f.at(300, 200)));
    eventObjectManager(objects, kObjEvent_MouseUp, 0, mx, my, nullptr);
}

TEST_F(EffectsDrawing, TimersShowTheirTextsInTheirColours) {
    run("addGameTimer(31, 100, 100, alphabet, '') addDemoTimer(20, 320, 300, alphabet, '')");
    step(199);
    spriteTestFrame f = draw();
    EXPECT_TRUE(white(f.at(108, 108)));           // "T", white with 30 seconds left
    EXPECT_EQ(ink(f, 200, 290, 440, 330), 0);      // the demo countdown hidden
    step(2);
    f = draw();
    EXPECT_TRUE(spriteTest_near(f.at(108, 108), 255, 0, 0));  // red from 29.99 on
    step(800);
    f = draw();
    EXPECT_GT(ink(f, 200, 300, 440, 316), 1000);  // "Demo in 14.99 seconds", centred on 320
    EXPECT_EQ(ink(f, 0, 300, 100, 316), 0);
}

}  // namespace
