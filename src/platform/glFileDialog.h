// glFileDialog: the save-file dialog that lets the user pick a path and hands
// back the file opened. Interactive runs use the desktop's own dialog (zenity or
// kdialog, started without a shell); non-interactive runs, or a desktop without
// either tool, save under QUILLMERE_SAVE_DIR (default: the working directory)
// with a numbered name that overwrites nothing, and log the path.
// It does not write anything into the file itself.
#pragma once

#include <cstddef>
#include <cstdio>

enum { kSaveFilePathSize = 1024, kSaveFileTitleSize = 256 };

// The dialog's settings and results.
struct openFileNameRec {
    const char *filterName;               // "All Files (*.*)"
    const char *filterPattern;            // "*.*"
    char file[kSaveFilePathSize];         // in: the proposed name; out: the chosen path
    char fileTitle[kSaveFileTitleSize];   // out: the chosen name without folders ("Untitled" before)
    const char *defaultExtension;         // added to a name typed without one; null for none
    int overwritePrompt;                  // ask before replacing an existing file
    int keepWorkingDirectory;             // the dialog leaves the working directory alone
    void *owner;                          // owning window; none
};

// Fills the record's defaults: the filter, an empty path, "Untitled", no
// default extension, overwrite prompt on, working directory kept, no owner.
void InitOpenFileNameStruct(openFileNameRec *ofn);

// Runs the dialog proposing defaultName; a name chosen without an extension
// gets `extension` (with or without its dot). Returns the chosen file opened
// with `mode`, or null when cancelled or the file cannot be opened. Shows the
// system cursor while the dialog is up and resets the update timer afterwards.
FILE *getSaveFile(const char *defaultName, const char *extension, const char *mode);

// Appends "." + extension to path when its last component has no extension
// (a leading dot does not count). Returns 1 when appended, 0 when nothing was
// needed, -1 when the result would not fit in `capacity` (path unchanged).
int glFileDialog_addDefaultExtension(char *path, size_t capacity, const char *extension);
