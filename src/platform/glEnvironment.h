// glEnvironment: the one window with its OpenGL context, windowed and full-screen
// modes, translation of window-system messages into the engine's event codes,
// the mouse cursor, and the fixed-step run loop that drives the program.
// It knows nothing about sprites or scripts: the application hands it three
// frame callbacks and it calls them.
//
// Window coordinates have their origin at the lower-left corner of the client
// area, x to the right, y upwards, in pixels.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/ssRect.h"

// A window-system message as the queue produced it. Message ids and key codes
// use the classic desktop numbering (virtual-key codes) that the key table is
// written in; SDL events are turned into these records.
struct envMessage {
    uint32_t message;
    uint64_t wParam;  // key messages: virtual-key code
    int64_t lParam;   // key: bit 30 = key was already down; mouse: x | y << 16 (top-left origin)
    uint32_t time;    // milliseconds since start-up
    int ptX, ptY;     // cursor position in screen pixels
};

enum {
    kEnvMsgActivate = 0x0006,
    kEnvMsgPaint = 0x000F,
    kEnvMsgClose = 0x0010,
    kEnvMsgQuit = 0x0012,
    kEnvMsgKeyDown = 0x0100,
    kEnvMsgKeyUp = 0x0101,
    kEnvMsgSysKeyDown = 0x0104,
    kEnvMsgSysKeyUp = 0x0105,
    kEnvMsgMouseMove = 0x0200,
    kEnvMsgLButtonDown = 0x0201,
    kEnvMsgLButtonUp = 0x0202,
    kEnvMsgRButtonDown = 0x0204,
    kEnvMsgRButtonUp = 0x0205,
    kEnvMsgPadDown = 0x0400,  // a gamepad element went down / up; wParam: its element code
    kEnvMsgPadUp = 0x0401,
    kEnvMsgOther = 0xFFFF,  // anything else; dispatched and reported as 0
};

// Event codes handed to the event callback.
enum {
    kEnvEventNone = 0,
    kEnvEventMouseUp = 2,
    kEnvEventMouseDown = 3,
    kEnvEventKeyUp = 4,
    kEnvEventKeyDown = 5,
    kEnvEventQuit = 8,
    kEnvEventPadUp = 16,    // gamepads (getPadElementFromEvent gives the element)
    kEnvEventPadDown = 17,
};

// Modifier bits of getModifiersForLastEvent.
enum { kEnvModShift = 1, kEnvModAlt = 2, kEnvModControl = 4 };

typedef void (*envDisplayFunc)(void);
typedef int (*envUpdateFunc)(void);
typedef void (*envEventFunc)(int code, envMessage message);

// Window and mode
int initFullscreen(const char *title, int16_t width, int16_t height, int16_t depth, int refresh, int windowed);
int deleteFullscreen(void);
bool CreateGLWindow(const char *title, int width, int height, int bits, bool fullscreenflag);
void KillGLWindow(void);
void switchToWindow(int16_t width, int16_t height, int16_t depth, int refresh);
void switchToFullscreen(int16_t width, int16_t height, int16_t depth, int refresh);
int environmentInWindowedMode(void);
int showWindow(void);
int moveWindow(int x, int y);
int getWindowX(void);
int getWindowY(void);
int getWindowWidth(void);
int getWindowHeight(void);
ssRect *getEnvironmentBoundsReference(void);
void hideScreen(void);
void hideApplication(void);
void fadeWindowToAlpha(float targetAlpha, float duration);
void setWindowAlpha(float alpha);
void setWindowTransparency(int transparent);
int getRendererInfo(char *buffer, size_t bufferSize);

// Input and cursor
int getNextEvent(envMessage *message);
int getKeyFromEvent(envMessage message);
void getMouseFromEvent(envMessage message, int *x, int *y);
void getMouse(int *x, int *y);
// Moves the pointer to a position as getMouse reports it (the window system
// sees a mouse movement).
void setMousePosition(int x, int y);
int getModifiersForLastEvent(void);
// The gamepad element code of a pad event (glInput's kInputPadButtonBase ...).
int getPadElementFromEvent(envMessage message);
// Gamepads through SDL's game-controller layer: opened at window creation
// and whenever one is plugged in; closed with the window. Buttons, the two
// triggers and the eight stick directions are reported as pad events.
void glEnvironment_openGamepads(void);
void glEnvironment_closeGamepads(void);
int glEnvironment_gamepadsOpen(void);
void hideMouse(void);
void showMouse(void);
void disableMouseHiding(void);
void enableMouseHiding(void);
int isMouseHiding(void);
// The key table: a virtual-key code (low byte) and the modifier bits to a character.
int windowsCodeToChar(int virtualKey, int modifiers);

// Run loop and rendering
void setGlobalFunctions(envDisplayFunc display, envUpdateFunc update, envEventFunc event);
void runLoop(void);
int doSingleLoop(void);
void forceRender(void);
void setQuitFlag(int flag);
int getQuitFlag(void);
void resetGlobalUpdateTimer(void);
// A backlog of update steps longer than this is dropped, not caught up; no
// single step may be longer.
enum { kMaxBacklogMilliseconds = 10000 };
// Refuses (with a log line) 0 and anything over kMaxBacklogMilliseconds.
void setUpdates_MillisecondsPerFrame(unsigned int milliseconds);
unsigned int getUpdates_MillisecondsPerFrame(void);
void swapBuffers(void);
void set2DView(int width, int height);
void end2DView(void);
int applicationIsInForeground(void);

// Files
FILE *openFile(const char *fileName, const char *mode);
char *getFile(const char *fileName);

// Options for designers, tests and benchmarks (set before initFullscreen).
// Non-interactive: message boxes are logged and take their default answer.
void glEnvironment_setNonInteractive(int nonInteractive);
int glEnvironment_isNonInteractive(void);
// Quit in order after this many update steps (0 = never).
void glEnvironment_setStepLimit(unsigned long steps);
// Every run-loop pass runs exactly `stepsPerPass` update steps (then draws) on
// a virtual clock; 0 goes back to the real clock.
void glEnvironment_setFixedStep(int stepsPerPass);
unsigned long glEnvironment_getStepsRun(void);
unsigned long glEnvironment_getFramesRun(void);
// Run-time statistics: while on, the run loop adds up the real seconds spent
// in update steps and in drawing frames (buffer swaps included).
void glEnvironment_setStats(int on);
double glEnvironment_getUpdateSeconds(void);
double glEnvironment_getDrawSeconds(void);
// Counter ticks measured but not yet used up by whole steps.
int64_t glEnvironment_getCarryOver(void);
