#include "support/virtualDisplay.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/quillmereRun.h"

virtualDisplay virtualDisplay_start(void) {
    virtualDisplay result = {-1, ""};
    std::string folder = quillmere_makeFolder();
    for (int number = 60 + getpid() % 200; number < 400; number++) {
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
        std::string display = ":" + std::to_string(number);
        int pid = quillmere_start(folder, {display, "-nolisten", "tcp", "-screen", "0", "800x600x24"}, {}, "Xvfb");
        if (pid <= 0) return result;
        // Wait (bounded) for the server's socket; give up on this number if it dies.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::filesystem::exists(socket)) {
                result.pid = pid;
                result.display = display;
                return result;
            }
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return result;
}

void virtualDisplay_stop(virtualDisplay *display) {
    if (display->pid <= 0) return;
    kill(display->pid, SIGTERM);
    quillmere_wait(display->pid, 10);
    display->pid = -1;
}
