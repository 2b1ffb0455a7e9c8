// An X server of the tests' own (Xvfb), for the few tests that need real
// window-system input.
#pragma once

#include <string>

struct virtualDisplay {
    int pid;              // the server's process, or -1
    std::string display;  // ":N"
};

// Starts Xvfb on a free display number and waits until it accepts clients.
// Returns pid -1 when no server could be started.
virtualDisplay virtualDisplay_start(void);
void virtualDisplay_stop(virtualDisplay *display);
