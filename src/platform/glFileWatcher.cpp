// glFileWatcher: inotify on Linux, a scan of file times elsewhere.

#include "platform/glFileWatcher.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

struct fileStamp {
    fs::file_time_type time;
    uintmax_t size;
};

static bool watching = false;
static std::string root;
static int notifyFd = -1;
static std::map<int, std::string> watchedFolders;  // inotify watch -> folder
static std::map<std::string, fileStamp> stamps;    // the scan's last view
static int pollsSinceScan = 0;

static bool private_ignored(const std::string &name) {
    auto endsWith = [&](const char *tail) {
        size_t n = strlen(tail);
        return name.size() >= n && name.compare(name.size() - n, n, tail) == 0;
    };
    return name.empty() || name[0] == '.' || endsWith("~") || endsWith(".swp") || endsWith(".tmp");
}

#ifdef __linux__
static const uint32_t kNotifyMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE;

// Watches a folder and every folder below it. A folder made while the
// watcher runs may have files before its watch exists: with `changed` set,
// those count as changes (their own events came too early to be seen).
static int private_watchTree(const std::string &folder, std::string *changed = nullptr) {
    int wd = inotify_add_watch(notifyFd, folder.c_str(), kNotifyMask);
    if (wd < 0) {
        fprintf(stderr, "Warning: cannot watch \"%s\" for changes: %s\n", folder.c_str(), strerror(errno));
        return 0;
    }
    watchedFolders[wd] = folder;
    int found = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (private_ignored(it->path().filename().string())) continue;
        if (it->is_directory(error)) {
            found += private_watchTree(it->path().string(), changed);
        } else if (changed && it->is_regular_file(error)) {
            found++;
            *changed = it->path().string();
        }
    }
    return found;
}

static int private_pollNotifications(std::string *changed) {
    alignas(struct inotify_event) char buffer[8192];
    int changes = 0;
    for (;;) {
        ssize_t length = read(notifyFd, buffer, sizeof(buffer));
        if (length <= 0) break;  // EAGAIN: nothing more now
        for (char *at = buffer; at < buffer + length;) {
            const struct inotify_event *event = (const struct inotify_event *)at;
            at += sizeof(struct inotify_event) + event->len;
            std::string name = event->len ? event->name : "";
            auto folder = watchedFolders.find(event->wd);
            if (folder == watchedFolders.end() || private_ignored(name)) continue;
            std::string path = folder->second + "/" + name;
            if (event->mask & IN_ISDIR) {
                std::string found;
                if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && private_watchTree(path, &found) > 0) {
                    changes++;
                    if (changed) *changed = found;
                }
                continue;
            }
            if (event->mask & IN_CREATE) continue;  // its close-write follows
            changes++;
            if (changed) *changed = path;
        }
    }
    return changes;
}
#endif

static std::map<std::string, fileStamp> private_scan(void) {
    std::map<std::string, fileStamp> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (private_ignored(it->path().filename().string())) {
            if (it->is_directory(error)) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(error)) continue;
        fileStamp stamp = {it->last_write_time(error), it->file_size(error)};
        found[it->path().string()] = stamp;
    }
    return found;
}

static int private_pollScan(std::string *changed) {
    if (++pollsSinceScan < kFileWatcherPollEvery) return 0;
    pollsSinceScan = 0;
    std::map<std::string, fileStamp> now = private_scan();
    int changes = 0;
    for (const auto &[path, stamp] : now) {
        auto before = stamps.find(path);
        if (before == stamps.end() || before->second.time != stamp.time || before->second.size != stamp.size) {
            changes++;
            if (changed) *changed = path;
        }
    }
    for (const auto &[path, stamp] : stamps) {
        (void)stamp;
        if (!now.count(path)) {
            changes++;
            if (changed) *changed = path;
        }
    }
    stamps.swap(now);
    return changes;
}

int glFileWatcher_start(const char *folder, int scanOnly) {
    glFileWatcher_stop();
    std::error_code error;
    if (!folder || !fs::is_directory(folder, error)) {
        fprintf(stderr, "Error: cannot watch \"%s\": not a folder\n", folder ? folder : "(none)");
        return 0;
    }
    root = folder;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
#ifdef __linux__
    notifyFd = scanOnly ? -1 : inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notifyFd >= 0)
        private_watchTree(root);
    else if (!scanOnly)
        fprintf(stderr, "Warning: no change notification (%s); scanning \"%s\" for changes instead\n",
                strerror(errno), root.c_str());
#else
    (void)scanOnly;
#endif
    if (notifyFd < 0) stamps = private_scan();
    pollsSinceScan = 0;
    watching = true;
    return 1;
}

void glFileWatcher_stop(void) {
#ifdef __linux__
    if (notifyFd >= 0) close(notifyFd);
#endif
    notifyFd = -1;
    watchedFolders.clear();
    stamps.clear();
    watching = false;
}

int glFileWatcher_isWatching(void) { return watching; }

int glFileWatcher_usesNotification(void) { return notifyFd >= 0; }

int glFileWatcher_poll(std::string *changed) {
    if (!watching) return 0;
#ifdef __linux__
    if (notifyFd >= 0) return private_pollNotifications(changed);
#endif
    return private_pollScan(changed);
}
