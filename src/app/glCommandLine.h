// glCommandLine: the options for designers, tests and benchmarks. Started with no
// arguments the program behaves as it always does.
#pragma once

#include <cstdio>

// --steps-per-frame takes at most this many steps (five seconds of game time).
enum { kMaxStepsPerFrame = 1000 };

struct commandLineOptions {
    const char *dataDirectory;  // the game folder (--data DIR or the one argument): change to it first, or null
    int headless;               // offscreen video driver, dialogs take their defaults
    int fixedStep;              // update steps per run-loop pass on a virtual clock (0: the real clock)
    unsigned long steps;        // quit in order after this many update steps; 0 = never
    const char *screenshot;     // after a --steps run, the last frame is written here as a TGA
    int stats;                  // at exit, one line on standard output: steps, frames, seconds
    const char *record;         // record the bound input events of the run into this file, or null
    const char *replay;         // play this recording back from the first update step, or null
    const char *input;          // play mouse and key input from this file into the window, or null
    int watch;                  // reload the current document when a file under Data/ changes
    int noErrorLine;            // no red line for script errors and failed loads (the log still has them)
    int listScriptGlobals;      // print the script functions and globals the engine adds, then exit
};

// Reads argv into options. Returns -1 to go on and start the program, or the exit
// code to leave with at once (0 after --help or --version, 2 on a usage error).
// Help and version go to out, usage errors to err.
int glCommandLine_parse(int argc, char **argv, commandLineOptions *options, FILE *out, FILE *err);
