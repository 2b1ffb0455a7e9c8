// game_timer: the level's countdown, shown as minutes, seconds and hundredths
// in the 640 x 480 view. It turns red in the last 30 seconds, where it also
// nudges the music rate up from 100 to 120 over half a second, and runs its
// script when it reaches zero; afterwards it shows all zeros until its layer
// is cleared. It pauses while the sprite editor is on. An object of the sprite
// manager's object manager in the top layer (19). Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

struct _treeNode;

struct gameTimerInfo {
    int32_t count;        // update steps left (negative after zero)
    float x, y;           // text position in the 640 x 480 view
    int32_t alphabetRef;
    char *script;         // run at zero (owned), or null
};

enum { kTimerLayer = 19 };

// Seconds as update steps, truncated toward zero and kept within int32 (NaN: 0).
int32_t timerStepsFromSeconds(double seconds);

gameTimerInfo *addGameTimer(_treeNode *list, double seconds, float x, float y, int alphabetRef, const char *script);
void displayGameTimer(void *timer);
int updateGameTimer(void *timer, uint32_t frame);
void destructGameTimer(void *timer);
// The text a game timer shows for `count` steps left: "Time: MM:SS:HH".
void gameTimerText(int32_t count, char *text, size_t length);

// Draws one line of timer text at (x, y) of the 640 x 480 view, 16 pixels high
// (centred on x when asked), with the alphabet cell size set to 16.
void drawTimerText(const char *text, float x, float y, int alphabetRef, const float color[4], int centred);
// A copy of a script in tracked memory (null for null), and its release.
char *copyTimerScript(const char *script);
void freeTimerScript(char *script);

// Registers addGameTimer.
void linkGameTimerFunctions(void);
