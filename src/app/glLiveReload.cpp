// glLiveReload: file changes under Data/ queue a reload of the current document.

#include "app/glLiveReload.h"

#include <cstdio>
#include <string>

#include "platform/glFileWatcher.h"
#include "script/glLua.h"
#include "script/glLuaConsole.h"

// A program started without a document has this one to reload.
static const char *kStartDocument = "Data/index.xml";

int glLiveReload_start(const char *folder) {
    if (!glFileWatcher_start(folder)) return 0;
    fprintf(stderr, "Watching \"%s\" for changes (%s)\n", folder,
            glFileWatcher_usesNotification() ? "inotify" : "scanning");
    return 1;
}

int glLiveReload_step(void) {
    std::string changed;
    if (glFileWatcher_poll(&changed) == 0) return 0;
    std::string document = *glLua_getDocumentName() ? glLua_getDocumentName() : kStartDocument;
    std::string line = "Reloading \"" + document + "\": \"" + changed + "\" changed";
    fprintf(stderr, "%s\n", line.c_str());
    console_addString(line.c_str());
    glLua_queueXMLFile(document.c_str());
    return 1;
}

void glLiveReload_stop(void) { glFileWatcher_stop(); }
