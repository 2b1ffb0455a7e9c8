// glFileDialog: the save-file dialog.
// The desktop dialog runs as a child process from an argument vector, never
// through a shell, so nothing the user types is ever interpreted. When nobody
// can answer (non-interactive run, no display, no dialog tool) the file goes to
// QUILLMERE_SAVE_DIR under the first free numbered name instead.
// Does not know what callers write into the file.
#include "platform/glFileDialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/glEnvironment.h"

extern char **environ;

// Highest number tried for a free automatic name before giving up.
static const int kMaxAutoNameNumber = 9999;

enum dialogTool { kToolNone, kToolZenity, kToolKdialog };

enum { kDialogCancelled = 0, kDialogChosen = 1, kDialogFailed = -1 };

static const char *private_normalisedExtension(const char *extension) {
    if (!extension) return "";
    if (*extension == '.') extension++;
    return extension;
}

static const char *private_lastComponent(const char *path) {
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The dot that starts the last component's extension, or null.
static const char *private_extensionDot(const char *path) {
    const char *name = private_lastComponent(path);
    const char *dot = strrchr(name, '.');
    return (dot && dot != name) ? dot : nullptr;
}

// Copies source into dest, cut to fit.
static void private_copyString(char *dest, size_t capacity, const char *source) {
    if (capacity == 0) return;
    size_t length = strnlen(source, capacity - 1);
    memmove(dest, source, length);
    dest[length] = '\0';
}

void InitOpenFileNameStruct(openFileNameRec *ofn) {
    if (!ofn) return;
    memset(ofn, 0, sizeof(*ofn));
    ofn->filterName = "All Files (*.*)";
    ofn->filterPattern = "*.*";
    private_copyString(ofn->fileTitle, sizeof(ofn->fileTitle), "Untitled");
    ofn->overwritePrompt = 1;
    ofn->keepWorkingDirectory = 1;
}

int glFileDialog_addDefaultExtension(char *path, size_t capacity, const char *extension) {
    if (!path || capacity == 0) return 0;
    extension = private_normalisedExtension(extension);
    if (!*extension || private_extensionDot(path)) return 0;
    size_t length = strnlen(path, capacity);
    if (length >= capacity || length + 1 + strlen(extension) + 1 > capacity) return -1;
    path[length] = '.';
    strcpy(path + length + 1, extension);
    return 1;
}

static bool private_pathExists(const char *path) {
    struct stat info;
    // Anything but "no such file" counts as taken, so nothing is ever replaced.
    return lstat(path, &info) == 0 || errno != ENOENT;
}

// Picks the first free name "<dir>/<stem>[ N]<ext>" into ofn->file.
static int private_chooseAutomaticPath(openFileNameRec *ofn) {
    const char *dir = getenv("QUILLMERE_SAVE_DIR");
    if (!dir || ofn->file[0] == '/') dir = "";
    size_t dirLength = strlen(dir);
    while (dirLength > 1 && dir[dirLength - 1] == '/') dirLength--;

    char name[kSaveFilePathSize];
    private_copyString(name, sizeof(name), ofn->file[0] ? ofn->file : ofn->fileTitle);
    if (glFileDialog_addDefaultExtension(name, sizeof(name), ofn->defaultExtension) < 0) {
        fprintf(stderr, "getSaveFile: the name \"%s\" is too long\n", name);
        return kDialogFailed;
    }
    const char *dot = private_extensionDot(name);
    int stemLength = dot ? (int)(dot - name) : (int)strlen(name);
    const char *ext = dot ? dot : "";
    const char *separator = (dirLength == 0 || dir[dirLength - 1] == '/') ? "" : "/";

    for (int number = 1; number <= kMaxAutoNameNumber; number++) {
        char suffix[16] = "";
        if (number > 1) snprintf(suffix, sizeof(suffix), " %d", number);
        int written = snprintf(ofn->file, sizeof(ofn->file), "%.*s%s%.*s%s%s", (int)dirLength, dir, separator,
                               stemLength, name, suffix, ext);
        if (written < 0 || (size_t)written >= sizeof(ofn->file)) {
            fprintf(stderr, "getSaveFile: the path for \"%s\" in \"%s\" is too long\n", name, dir);
            return kDialogFailed;
        }
        if (!private_pathExists(ofn->file)) return kDialogChosen;
    }
    fprintf(stderr, "getSaveFile: no free name for \"%s\" in \"%s\"\n", name, dir[0] ? dir : ".");
    return kDialogFailed;
}

static bool private_findOnPath(const char *tool, char *out, size_t capacity) {
    const char *path = getenv("PATH");
    if (!path) return false;
    while (*path) {
        const char *end = strchr(path, ':');
        size_t length = end ? (size_t)(end - path) : strlen(path);
        if (length > 0) {
            int written = snprintf(out, capacity, "%.*s/%s", (int)length, path, tool);
            struct stat info;
            if (written > 0 && (size_t)written < capacity && stat(out, &info) == 0 && S_ISREG(info.st_mode) &&
                access(out, X_OK) == 0)
                return true;
        }
        if (!end) break;
        path = end + 1;
    }
    return false;
}

static dialogTool private_findTool(char *toolPath, size_t capacity) {
    if (glEnvironment_isNonInteractive()) return kToolNone;
    const char *x11 = getenv("DISPLAY");
    const char *wayland = getenv("WAYLAND_DISPLAY");
    if (!(x11 && *x11) && !(wayland && *wayland)) return kToolNone;
    if (private_findOnPath("zenity", toolPath, capacity)) return kToolZenity;
    if (private_findOnPath("kdialog", toolPath, capacity)) return kToolKdialog;
    return kToolNone;
}

// Runs the tool with argv, collecting its standard output into out (cut to
// fit; *overflow says so). Returns the exit status, or -1 if it did not run.
static int private_runTool(const char *toolPath, char *const argv[], char *out, size_t capacity, bool *overflow) {
    *overflow = false;
    out[0] = '\0';
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        fprintf(stderr, "getSaveFile: cannot create a pipe for the dialog: %s\n", strerror(errno));
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The toolkit's chatter would only clutter the log.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child;
    int spawned = posix_spawn(&child, toolPath, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        fprintf(stderr, "getSaveFile: cannot start \"%s\": %s\n", toolPath, strerror(spawned));
        return -1;
    }

    size_t used = 0;
    for (;;) {
        char chunk[512];
        ssize_t got = read(fds[0], chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        size_t room = capacity - 1 - used;
        size_t take = (size_t)got < room ? (size_t)got : room;
        memcpy(out + used, chunk, take);
        used += take;
        if (take < (size_t)got) *overflow = true;  // keep draining so the child can finish
    }
    out[used] = '\0';
    close(fds[0]);

    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Shows the tool's save dialog proposing ofn->file. The chosen path replaces it.
static int private_runSaveDialog(dialogTool tool, const char *toolPath, openFileNameRec *ofn) {
    // A Windows-style "*.*" would hide names without a dot on this desktop.
    const char *pattern = strcmp(ofn->filterPattern, "*.*") == 0 ? "*" : ofn->filterPattern;
    char filter[256];
    char proposed[kSaveFilePathSize + 16];
    const char *argv[12];
    int argc = 0;
    if (tool == kToolZenity) {
        snprintf(filter, sizeof(filter), "--file-filter=%s | %s", ofn->filterName, pattern);
        snprintf(proposed, sizeof(proposed), "--filename=%s", ofn->file);
        argv[argc++] = "zenity";
        argv[argc++] = "--file-selection";
        argv[argc++] = "--save";
        if (ofn->overwritePrompt) argv[argc++] = "--confirm-overwrite";
        argv[argc++] = "--title=Save As";
        if (ofn->file[0]) argv[argc++] = proposed;
        argv[argc++] = filter;
    } else {
        snprintf(filter, sizeof(filter), "%s|%s", pattern, ofn->filterName);
        argv[argc++] = "kdialog";
        argv[argc++] = "--title";
        argv[argc++] = "Save As";
        argv[argc++] = "--getsavefilename";
        argv[argc++] = ofn->file[0] ? ofn->file : ".";
        argv[argc++] = filter;
    }
    argv[argc] = nullptr;

    char chosen[kSaveFilePathSize];
    bool overflow = false;
    int status = private_runTool(toolPath, (char *const *)argv, chosen, sizeof(chosen), &overflow);
    if (status == 1) return kDialogCancelled;
    if (status != 0) {
        fprintf(stderr, "getSaveFile: the dialog \"%s\" failed (status %d)\n", toolPath, status);
        return kDialogFailed;
    }
    size_t length = strlen(chosen);
    while (length > 0 && (chosen[length - 1] == '\n' || chosen[length - 1] == '\r')) chosen[--length] = '\0';
    if (overflow) {
        fprintf(stderr, "getSaveFile: the chosen path is longer than %d bytes\n", kSaveFilePathSize - 1);
        return kDialogCancelled;
    }
    if (length == 0) return kDialogCancelled;
    private_copyString(ofn->file, sizeof(ofn->file), chosen);
    return kDialogChosen;
}

// Asks whether an existing file may be replaced; anything but a clear yes is no.
static bool private_confirmOverwrite(dialogTool tool, const char *toolPath, const char *path) {
    char text[kSaveFilePathSize + 64];
    snprintf(text, sizeof(text), "%s already exists.\nDo you want to replace it?", path);
    char textArg[sizeof(text) + 8];
    snprintf(textArg, sizeof(textArg), "--text=%s", text);
    const char *zenityArgs[] = {"zenity", "--question", "--no-markup", "--title=Save As", textArg, nullptr};
    const char *kdialogArgs[] = {"kdialog", "--title", "Save As", "--warningyesno", text, nullptr};
    char answer[64];
    bool overflow = false;
    const char *const *argv = tool == kToolZenity ? zenityArgs : kdialogArgs;
    return private_runTool(toolPath, (char *const *)argv, answer, sizeof(answer), &overflow) == 0;
}

static int private_runDesktopDialog(dialogTool tool, const char *toolPath, openFileNameRec *ofn) {
    for (;;) {
        int result = private_runSaveDialog(tool, toolPath, ofn);
        if (result != kDialogChosen) return result;
        int added = glFileDialog_addDefaultExtension(ofn->file, sizeof(ofn->file), ofn->defaultExtension);
        if (added < 0) {
            fprintf(stderr, "getSaveFile: the path \"%s\" is too long for its extension\n", ofn->file);
            return kDialogCancelled;
        }
        // The dialog only confirmed the name as typed; the extended name needs its own answer.
        if (added == 0 || !ofn->overwritePrompt || !private_pathExists(ofn->file) ||
            private_confirmOverwrite(tool, toolPath, ofn->file))
            return kDialogChosen;
    }
}

FILE *getSaveFile(const char *defaultName, const char *extension, const char *mode) {
    openFileNameRec ofn;
    InitOpenFileNameStruct(&ofn);
    private_copyString(ofn.file, sizeof(ofn.file), defaultName ? defaultName : "");
    const char *ext = private_normalisedExtension(extension);
    ofn.defaultExtension = *ext ? ext : nullptr;

    FILE *file = nullptr;
    if (!mode) {
        fprintf(stderr, "getSaveFile: no open mode given\n");
    } else {
        char toolPath[kSaveFilePathSize];
        dialogTool tool = private_findTool(toolPath, sizeof(toolPath));
        showMouse();
        int result = tool == kToolNone ? kDialogFailed : private_runDesktopDialog(tool, toolPath, &ofn);
        bool automatic = result == kDialogFailed;
        if (automatic) {
            // No dialog could be shown: nobody is there to answer, so save automatically.
            private_copyString(ofn.file, sizeof(ofn.file), defaultName ? defaultName : "");
            result = private_chooseAutomaticPath(&ofn);
        }
        hideMouse();
        if (result == kDialogChosen) {
            private_copyString(ofn.fileTitle, sizeof(ofn.fileTitle), private_lastComponent(ofn.file));
            file = fopen(ofn.file, mode);
            // One line either way: where an automatic save went, or why it could not.
            if (!file)
                fprintf(stderr, "getSaveFile: cannot open \"%s\": %s\n", ofn.file, strerror(errno));
            else if (automatic)
                fprintf(stderr, "getSaveFile: saving to \"%s\"\n", ofn.file);
        }
    }
    // The time spent in the dialog must not be caught up by the run loop.
    resetGlobalUpdateTimer();
    return file;
}
