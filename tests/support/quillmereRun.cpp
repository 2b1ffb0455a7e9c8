#include "support/quillmereRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace fs = std::filesystem;

std::string quillmere_readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quillmere_makeFolder(const std::string &dataTree) {
    std::string pattern = (fs::temp_directory_path() / "quillmere-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) return "";
    std::string folder(name.data());
    if (!dataTree.empty())
        fs::copy(fs::path(QUILLMERE_TEST_DATA_DIR) / dataTree, folder,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    return folder;
}

int quillmere_start(const std::string &folder, const std::vector<std::string> &arguments,
                    const std::vector<std::string> &environment, const std::string &program) {
    std::string outPath = folder + "/.stdout", errPath = folder + "/.stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> argvText = {program.empty() ? std::string(QUILLMERE_BINARY) : program};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The extra entries replace inherited ones of the same name.
    std::vector<std::string> envText;
    for (char **entry = environ; *entry; entry++) {
        std::string inherited(*entry);
        std::string name = inherited.substr(0, inherited.find('='));
        bool replaced = false;
        for (const std::string &extra : environment)
            if (extra.substr(0, extra.find('=')) == name) replaced = true;
        if (!replaced) envText.push_back(inherited);
    }
    envText.insert(envText.end(), environment.begin(), environment.end());
    std::vector<char *> envp;
    for (std::string &entry : envText) envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int quillmere_wait(int pid, double timeoutSeconds) {
    if (pid <= 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polling a child, not timing
    }
}

quillmereRun quillmere_run(const std::string &folder, const std::vector<std::string> &arguments) {
    quillmereRun run = {-1, folder, "", "", ""};
    run.exitCode = quillmere_wait(quillmere_start(folder, arguments), 300);
    run.out = quillmere_readFile(folder + "/.stdout");
    run.err = quillmere_readFile(folder + "/.stderr");
    run.log = quillmere_readFile(folder + "/Log File.txt");
    return run;
}
