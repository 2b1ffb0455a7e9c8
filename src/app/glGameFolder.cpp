// glGameFolder: finding the installed game from the program's own location.

#include "app/glGameFolder.h"

#include <filesystem>
#include <system_error>

#ifndef QUILLMERE_INSTALLED_GAME
#define QUILLMERE_INSTALLED_GAME "../share/quillmere"
#endif

namespace fs = std::filesystem;

static bool private_hasGame(const fs::path &folder) {
    std::error_code error;
    return fs::is_regular_file(folder / "Data" / "index.xml", error);
}

std::string glGameFolder_installed(void) {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return "";
    fs::path folder = (program.parent_path() / QUILLMERE_INSTALLED_GAME).lexically_normal();
    return private_hasGame(folder) ? folder.string() : "";
}

std::string glGameFolder_default(void) {
    if (private_hasGame(".")) return "";
    return glGameFolder_installed();
}
