// State shared by the three files of the window environment (window and modes,
// events, run loop). Nothing outside src/platform/glEnvironment*.cpp includes this.
#pragma once

#include <SDL2/SDL.h>

#include "platform/glEnvironment.h"
#include "platform/glTimer.h"

struct envState {
    SDL_Window *hWnd = nullptr;
    SDL_GLContext hRC = nullptr;
    int fullscreen = 0;
    int windowedMode = 1;
    int fullScreenInited = 0;
    int16_t fs_w = 0, fs_h = 0;
    int16_t defaultDepth = 0;
    ssRect environmentBounds = {};
    int quitFlag = 0;
    int modifiersPressed = 0;
    int applicationInForeground = 1;
    envDisplayFunc displayFunc = nullptr;
    envUpdateFunc updateFunc = nullptr;
    envEventFunc eventFunc = nullptr;
    unsigned int millisecondsPerFrame = 5;  // 200 update steps per second
    glTimer updateTimer = {};
    int64_t carryOver = 0;
    uint32_t millisecondsCounter = 0;
    SDL_Cursor *blankCursor = nullptr;
    SDL_Cursor *backupCursor = nullptr;
    SDL_Cursor *arrowCursor = nullptr;
    SDL_Cursor *shownCursor = nullptr;  // what SDL shows now, so a pass never resets it needlessly
    int mouseHidingDisabled = 0;  // kept apart from the cursor objects: a driver may offer none
    int nonInteractive = 0;
    int fixedStep = 0;
    unsigned long stepLimit = 0;
    unsigned long stepsRun = 0;
    unsigned long framesRun = 0;
};

extern envState env;

// Message boxes. With no one to answer (non-interactive runs, the offscreen
// driver) the text goes to the log and the default answer is taken.
enum { kEnvBoxInformation, kEnvBoxExclamation, kEnvBoxStop, kEnvBoxQuestion };
// Returns 1 for Yes (or OK), 0 for No.
int private_environmentMessageBox(const char *text, const char *caption, int kind, int defaultYes);

// A window position (top-left origin, window points) as view coordinates
// (lower-left origin), through the scaled presentation when there is one.
void private_windowToView(int windowX, int windowY, int *x, int *y);
