// glFileWatcher: notices changes to the files under one folder (and its
// subfolders, also ones made later). On Linux the kernel reports them
// (inotify) and a poll costs one read that finds nothing; elsewhere, or when
// that fails, a poll compares the files' times and sizes, but only every
// kFileWatcherPollEvery polls, so polling once an update step stays cheap.
// Editor leftovers (names starting with "." or ending in "~", ".swp", ".tmp")
// are not changes. One watcher per process; main thread only.
#pragma once

#include <string>

enum { kFileWatcherPollEvery = 100 };

// Starts watching the folder. Returns 1, or 0 (with a log line) when the
// folder cannot be watched. A watcher already running is stopped first.
// scanOnly: scan even where the kernel could report (tests use it).
int glFileWatcher_start(const char *folder, int scanOnly = 0);
void glFileWatcher_stop(void);
int glFileWatcher_isWatching(void);
// 1 when the kernel reports the changes, 0 when they are found by scanning.
int glFileWatcher_usesNotification(void);

// The number of files changed since the last poll (0 when none), and in
// `changed` the path of one of them.
int glFileWatcher_poll(std::string *changed);
