// glLiveReload: --watch. While it is on, a change to any file under the game's
// Data/ folder reloads the current document at the next update step, through
// the same queue as the script function loadXMLFile, and says so in the log and
// the console. A broken edit is reported as any failed load is (the log, the
// console, the error line) and the program runs on; the next save loads again.
#pragma once

// Starts watching the folder (the game's "Data"). Returns 1, or 0 when it
// cannot be watched (logged).
int glLiveReload_start(const char *folder);
// Once per update step, before the host's step: queues the reload when files
// changed. Returns 1 when it queued one.
int glLiveReload_step(void);
void glLiveReload_stop(void);
