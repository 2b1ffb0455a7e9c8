// State shared by the three files of the window environment (window and modes,
// events, run loop). Nothing outside src/platform/glEnvironment*.cpp includes this.
#pragma once

#include <SDL2/SDL.h>

#include "platform/glEnvironment.h"
#include "platform/glTimer.h"

struct envState {
    SDL_Window *hWnd;
    SDL_GLContext hRC;
    int fullscreen;
    int windowedMode;
    int fullScreenInited;
    int16_t fs_w, fs_h;
    int16_t defaultDepth;
    ssRect environmentBounds;
    int quitFlag;
    int modifiersPressed;
    int applicationInForeground;
    envDisplayFunc displayFunc;
    envUpdateFunc updateFunc;
    envEventFunc eventFunc;
    unsigned int millisecondsPerFrame;
    glTimer updateTimer;
    int64_t carryOver;
    uint32_t millisecondsCounter;
    SDL_Cursor *blankCursor;
    SDL_Cursor *backupCursor;
    SDL_Cursor *arrowCursor;
    SDL_Cursor *shownCursor;  // what SDL shows now, so a pass never resets it needlessly
    int nonInteractive;
    int fixedStep;
    unsigned long stepLimit;
    unsigned long stepsRun;
    unsigned long framesRun;
};

extern envState env;

// Message boxes. With no one to answer (non-interactive runs, the offscreen
// driver) the text goes to the log and the default answer is taken.
enum { kEnvBoxInformation, kEnvBoxExclamation, kEnvBoxStop, kEnvBoxQuestion };
// Returns 1 for Yes (or OK), 0 for No.
int private_environmentMessageBox(const char *text, const char *caption, int kind, int defaultYes);
