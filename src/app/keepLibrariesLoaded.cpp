// Sanitizer builds only. The GL driver unloads its own libraries at exit, which
// leaves the driver's allocations nameless in leak reports ("<unknown module>"),
// so they cannot be told apart from ours. Keeping every library loaded until the
// process ends lets the leak checker name them, and the suppression list skip them.
#include <cstddef>

extern "C" int dlclose(void *handle) {
    (void)handle;
    return 0;
}
