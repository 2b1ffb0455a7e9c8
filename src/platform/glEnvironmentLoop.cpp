// glEnvironment (run loop): fixed update steps of millisecondsPerFrame (5 ms by
// default, 200 per second) measured in 64-bit counter ticks with the remainder
// carried, one rendered frame per pass, no sleep.

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "audio/glSound.h"
#include "platform/glEnvironmentInternal.h"
#include "platform/glPresentation.h"

void setGlobalFunctions(envDisplayFunc display, envUpdateFunc update, envEventFunc event) {
    env.displayFunc = display;
    env.updateFunc = update;
    env.eventFunc = event;
}

void setQuitFlag(int flag) { env.quitFlag = flag; }

int getQuitFlag(void) { return env.quitFlag; }

void resetGlobalUpdateTimer(void) {
    env.millisecondsCounter = 0;
    env.carryOver = 0;
    env.updateTimer = createTimer();
}

void setUpdates_MillisecondsPerFrame(unsigned int milliseconds) {
    // A zero-length step would divide the backlog limit by zero; a step longer
    // than the backlog limit would be dropped as a stall every time it fell due,
    // so no update step would ever run again.
    if (milliseconds == 0 || milliseconds > kMaxBacklogMilliseconds) {
        fprintf(stderr, "Warning: an update step of %u milliseconds was refused (1 to %u); it stays %u\n",
                milliseconds, kMaxBacklogMilliseconds, env.millisecondsPerFrame);
        return;
    }
    env.millisecondsPerFrame = milliseconds;
}

unsigned int getUpdates_MillisecondsPerFrame(void) { return env.millisecondsPerFrame; }

void glEnvironment_setStepLimit(unsigned long steps) { env.stepLimit = steps; }

void glEnvironment_setFixedStep(int stepsPerPass) {
    env.fixedStep = stepsPerPass > 0 ? stepsPerPass : 0;
    if (env.fixedStep)
        glTimer_useVirtualClock(1000000);
    else
        glTimer_useSystemClock();
}

unsigned long glEnvironment_getStepsRun(void) { return env.stepsRun; }

unsigned long glEnvironment_getFramesRun(void) { return env.framesRun; }

// Statistics use the real performance counter even on the virtual clock of
// fixed-step runs; two counter reads per pass, only while they are on.
static int statsOn = 0;
static uint64_t updateTicks = 0, drawTicks = 0;

void glEnvironment_setStats(int on) { statsOn = on; }

static double private_ticksToSeconds(uint64_t ticks) {
    uint64_t rate = SDL_GetPerformanceFrequency();
    return rate ? (double)ticks / (double)rate : 0.0;
}

double glEnvironment_getUpdateSeconds(void) { return private_ticksToSeconds(updateTicks); }
double glEnvironment_getDrawSeconds(void) { return private_ticksToSeconds(drawTicks); }

int64_t glEnvironment_getCarryOver(void) { return env.carryOver; }

static void private_refreshBounds(void) {
    env.environmentBounds.point.x = 0;
    env.environmentBounds.point.y = 0;
    env.environmentBounds.size.width = (float)env.fs_w;
    env.environmentBounds.size.height = (float)env.fs_h;
}

// Drains pending events into the event callback. Returns 1 on the quit code.
static int private_drainEvents(void) {
    envMessage message;
    for (;;) {
        memset(&message, 0, sizeof(message));
        int code = getNextEvent(&message);
        if (code == kEnvEventQuit) {
            env.quitFlag = 1;
            return 1;
        }
        if (code == kEnvEventNone) return 0;
        if (env.eventFunc) env.eventFunc(code, message);
    }
}

// Passes run inside a pass (a script forcing a render from an update step or
// an event). Past a few levels a forced pass only renders, so scripts that
// force renders from every update cannot recurse without bound.
static int passDepth = 0;
enum { kMaxNestedPasses = 8 };

static int private_singleLoop(void);

int doSingleLoop(void) {
    passDepth++;
    int quit = private_singleLoop();
    passDepth--;
    return quit;
}

static int private_singleLoop(void) {
    private_refreshBounds();

    if (env.hWnd) {
        int x, y;
        getMouse(&x, &y);
        if (env.windowedMode && x >= 0 && x <= env.fs_w && y >= 0 && y <= env.fs_h)
            hideMouse();
        else if (env.windowedMode)
            showMouse();
        else
            hideMouse();
    }

    if (env.fixedStep)
        glTimer_advanceVirtualClock(glTimer_getClockRate() * env.millisecondsPerFrame * (uint64_t)env.fixedStep / 1000);
    env.millisecondsCounter = (uint32_t)getTimerInPieces(&env.updateTimer, &env.carryOver, env.millisecondsPerFrame);
    // A backlog of more than ten seconds (a stall, a breakpoint) is dropped, not
    // caught up. The virtual clock never stalls: what it advanced is all due.
    if (!env.fixedStep && env.millisecondsCounter > kMaxBacklogMilliseconds / env.millisecondsPerFrame)
        env.millisecondsCounter = 0;
    if (passDepth > kMaxNestedPasses && env.millisecondsCounter) {
        static int warned = 0;
        if (!warned++) fprintf(stderr, "Warning: forced passes nested more than %d deep run no update step\n", kMaxNestedPasses);
        env.millisecondsCounter = 0;
    }

    uint64_t stepsStart = statsOn ? SDL_GetPerformanceCounter() : 0;
    // Events are taken on every pass, even one with no step due, so that quitting
    // (Control+Q, the close button, a termination signal) is always seen.
    if (env.millisecondsCounter == 0 && private_drainEvents()) return 1;
    while (env.millisecondsCounter > 0) {
        env.millisecondsCounter--;
        if (private_drainEvents()) {
            if (statsOn) updateTicks += SDL_GetPerformanceCounter() - stepsStart;
            return 1;
        }
        if (env.updateFunc) {
            env.updateFunc();
            if (env.millisecondsPerFrame == 1) {
                env.updateFunc();
                env.updateFunc();
                env.updateFunc();
            }
        }
        updateSoundManager();
        env.stepsRun++;
        if (env.stepLimit && env.stepsRun >= env.stepLimit) {
            env.quitFlag = 1;  // the next drain reports the quit code
            break;
        }
    }

    uint64_t drawStart = statsOn ? SDL_GetPerformanceCounter() : 0;
    if (statsOn) updateTicks += drawStart - stepsStart;
    if (env.displayFunc) {
        env.displayFunc();
        env.framesRun++;
    }
    if (statsOn) drawTicks += SDL_GetPerformanceCounter() - drawStart;
    return 0;
}

void runLoop(void) {
    env.updateTimer = createTimer();
    while (!doSingleLoop()) {
    }
}

void forceRender(void) {
    private_refreshBounds();
    if (private_drainEvents()) return;
    if (env.displayFunc)
        env.displayFunc();
    else
        fprintf(stderr, "Warning: forceRender() called with no display function defined\n");
}

void swapBuffers(void) {
    if (!env.applicationInForeground || !env.hWnd) return;
    // The offscreen driver's swap does not wait for the frame; without finishing
    // it first, frames pile up in the driver.
    const char *driver = SDL_GetCurrentVideoDriver();
    int drawableWidth = env.fs_w, drawableHeight = env.fs_h;
    SDL_GL_GetDrawableSize(env.hWnd, &drawableWidth, &drawableHeight);
    glPresentation_present(env.fs_w, env.fs_h, drawableWidth, drawableHeight);
    if (driver && strcmp(driver, "offscreen") == 0) glFinish();
    SDL_GL_SwapWindow(env.hWnd);
}

void set2DView(int width, int height) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, width, 0, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void end2DView(void) {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
