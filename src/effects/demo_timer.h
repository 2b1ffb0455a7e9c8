// demo_timer: the title screen's idle countdown. Any mouse movement, click or
// key starts it over; it shows the seconds left only during its last 15
// seconds; when it runs out it runs its script (which starts the demo).
// Demos can be switched off for the whole program (enableDemo / disableDemo),
// which holds every demo timer at its full count. An object of the sprite
// manager's object manager in the top layer (19). Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

struct _treeNode;

struct demoTimerInfo {
    int32_t count;        // update steps left
    int32_t totalCount;   // the full countdown, restored on every reset
    float x, y;           // text position in the 640 x 480 view
    int32_t alphabetRef;
    char *script;         // run at zero (owned), or null
    int32_t mx, my;       // mouse position seen at the last update
};

demoTimerInfo *addDemoTimer(_treeNode *list, double seconds, float x, float y, int alphabetRef, const char *script);
void displayDemoTimer(void *timer);
int updateDemoTimer(void *timer, uint32_t frame);
void destructDemoTimer(void *timer);
// Every mouse button and key event starts the countdown over; never consumed.
int eventDemoTimer(void *timer, uint8_t eventType, uint8_t key, int x, int y, void *ref);
// The text a demo timer shows for `count` steps left, or "" while it is hidden.
void demoTimerText(int32_t count, char *text, size_t length);

void setDemoEnabled(int on);
int demoEnabled(void);

// Registers addDemoTimer, enableDemo and disableDemo.
void linkDemoTimerFunctions(void);
