#include "support/quillmereRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

quillmereRun quillmere_run(const std::string &folder, const std::vector<std::string> &arguments) {
    quillmereRun run = {-1, folder, "", "", ""};
    std::string outPath = folder + "/.stdout", errPath = folder + "/.stderr";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> argvText = {QUILLMERE_BINARY};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid;
    if (posix_spawn(&pid, QUILLMERE_BINARY, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = quillmere_readFile(outPath);
    run.err = quillmere_readFile(errPath);
    run.log = quillmere_readFile(folder + "/Log File.txt");
    return run;
}
