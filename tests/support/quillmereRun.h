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

// Runs the binary with the given arguments, in folder, and waits for it.
quillmereRun quillmere_run(const std::string &folder, const std::vector<std::string> &arguments);

// Starts a program (the binary when program is empty) in folder with extra
// environment entries ("NAME=value") and returns its process id, or -1.
int quillmere_start(const std::string &folder, const std::vector<std::string> &arguments,
                    const std::vector<std::string> &environment = {}, const std::string &program = "");
// Waits at most timeoutSeconds for the process to end. Returns its exit code, or
// -1 when it did not exit normally or in time (it is then killed).
int quillmere_wait(int pid, double timeoutSeconds);

std::string quillmere_readFile(const std::string &path);
