// The file watcher, both ways it finds changes: the kernel's notification and
// the scan of file times. Each action is checked on a fresh watcher.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/glFileWatcher.h"
#include "support/quillmereRun.h"

namespace fs = std::filesystem;

namespace {

void writeFile(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

// Changes seen within one scan period (the notification sees them at once).
int changesSeen(std::string *changed) {
    int changes = 0;
    for (int i = 0; i < kFileWatcherPollEvery; i++) changes += glFileWatcher_poll(changed);
    return changes;
}

TEST(FileWatcher, SeesEditsUnderTheFolderAndNotEditorLeftovers) {
    struct action {
        const char *name;
        std::function<void(const std::string &)> run;
        bool seen;
        const char *path;  // the changed path reported, under the folder
    };
    const action actions[] = {
        {"new file", [](const std::string &d) { writeFile(d + "/new.xml", "<a/>"); }, true, "new.xml"},
        {"rewrite", [](const std::string &d) { writeFile(d + "/index.xml", "<level>longer</level>"); }, true,
         "index.xml"},
        {"save by rename",
         [](const std::string &d) {
             writeFile(d + "/index.xml.tmp", "<level>renamed</level>");
             fs::rename(d + "/index.xml.tmp", d + "/index.xml");
         },
         true, "index.xml"},
        {"file in a folder made after the start",
         [](const std::string &d) {
             fs::create_directories(d + "/Images/new");
             writeFile(d + "/Images/new/sky.tga", "x");
         },
         true, "Images/new/sky.tga"},
        {"file in an existing subfolder", [](const std::string &d) { writeFile(d + "/Sounds/index.txt", "b"); }, true,
         "Sounds/index.txt"},
        {"delete", [](const std::string &d) { fs::remove(d + "/Sounds/index.txt"); }, true, "Sounds/index.txt"},
        {"editor leftovers",
         [](const std::string &d) {
             writeFile(d + "/.index.xml.swp", "x");
             writeFile(d + "/index.xml~", "x");
             writeFile(d + "/notes.tmp", "x");
         },
         false, ""},
        {"nothing", [](const std::string &) {}, false, ""},
    };
    for (int scanOnly : {0, 1}) {
        for (const action &a : actions) {
            std::string folder = quillmere_makeFolder();
            std::string data = folder + "/Data";
            fs::create_directories(data + "/Sounds");
            writeFile(data + "/index.xml", "<level/>");
            writeFile(data + "/Sounds/index.txt", "a");
            ASSERT_EQ(glFileWatcher_start(data.c_str(), scanOnly), 1);
            EXPECT_EQ(glFileWatcher_usesNotification(), !scanOnly);
            a.run(data);
            std::string changed;
            int changes = changesSeen(&changed);
            std::string label = std::string(a.name) + (scanOnly ? " (scan)" : " (notification)");
            EXPECT_EQ(changes > 0, a.seen) << label;
            if (a.seen) {
                EXPECT_EQ(changed, data + "/" + a.path) << label;
            }
            EXPECT_EQ(changesSeen(nullptr), 0) << label << ": reported twice";
            glFileWatcher_stop();
            fs::remove_all(folder);
        }
    }
    EXPECT_EQ(glFileWatcher_start("/no/such/folder"), 0);
    EXPECT_EQ(glFileWatcher_poll(nullptr), 0);
}

}  // namespace
