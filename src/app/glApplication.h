// glApplication: process start-up and teardown, and the three frame callbacks
// (display, update, event) that the window environment calls: every frame goes
// through the object manager, keys reach the input manager and the objects, and
// the built-in shortcuts live here.
#pragma once

#include "platform/glEnvironment.h"

// The whole program: parses the command line, starts up, runs the loop, tears down.
// Returns the process exit code.
int glApplication_main(int argc, char **argv);

void displayCallback(void);
// Draws the current frame into the back buffer without presenting it.
void glApplication_drawFrame(void);
int updateCallback(void);
void eventCallback(int code, envMessage message);
void handleEvent(char *name, long value);
void captureScreenshot(void);

// One-shot script hooks. Arming copies the text (replacing an armed one);
// null disarms.
void glApplication_armUserInteractionScript(const char *script);
void glApplication_armUserCancelScript(const char *script);
void glApplication_disarmUserCancelScript(void);
int glApplication_userInteractionScriptArmed(void);
int glApplication_userCancelScriptArmed(void);
// Position of the sprite last picked up with Control held in the editor; the
// frame shows it while both are non-zero.
void glApplication_setClickPosition(int x, int y);
void glApplication_getClickPosition(int *x, int *y);
