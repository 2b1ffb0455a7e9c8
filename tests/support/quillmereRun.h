// Runs the real quillmere binary in a folder of its own and reads what it left.
#pragma once

#include <string>
#include <vector>

struct quillmereRun {
    int exitCode;        // the process's exit code, or -1 when it did not exit normally
    std::string folder;  // the working folder it ran in
    std::string out;     // its standard output
    std::string err;     // its standard error before the log took it over
    std::string log;     // "Log File.txt" in the folder, empty when missing
};

// A new empty temporary folder; dataTree (a folder under tests/, or empty) is
// copied into it first.
std::string quillmere_makeFolder(const std::string &dataTree = "");

// Runs the binary with the given arguments, in folder.
quillmereRun quillmere_run(const std::string &folder, const std::vector<std::string> &arguments);

std::string quillmere_readFile(const std::string &path);
