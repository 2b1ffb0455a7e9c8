// glMemoryTrace: tracked bytes and resident set after each document load and at
// exit, into a file named by the environment (see glMemoryTrace.h).

#include "core/glMemoryTrace.h"

#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"

static FILE *traceFile = nullptr;
static unsigned long loadsRecorded = 0;
static int startedFromEnvironment = 0;

uint64_t glMemoryTrace_residentBytes(void) {
    // statm holds sizes in pages: total, resident, shared, ...
    FILE *statm = fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    unsigned long long total = 0, resident = 0;
    int read = fscanf(statm, "%llu %llu", &total, &resident);
    fclose(statm);
    long page = sysconf(_SC_PAGESIZE);
    if (read != 2 || page <= 0) return 0;
    return (uint64_t)resident * (uint64_t)page;
}

// Runs after main has returned and every module has released what it holds.
static void private_recordExit(void) {
    if (!traceFile) return;
    fprintf(traceFile, "exit tracked=%u rss=%" PRIu64 "\n", (unsigned)glAllocated(), glMemoryTrace_residentBytes());
    fclose(traceFile);
    traceFile = nullptr;
}

int glMemoryTrace_start(const char *path) {
    if (traceFile) return 1;
    if (!path || !*path) return 0;
    FILE *file = fopen(path, "w");
    if (!file) {
        fprintf(stderr, "Error: Unable to write the memory trace \"%s\": %s\n", path, strerror(errno));
        return 0;
    }
    // Line by line: a run that is killed keeps every line measured before.
    setvbuf(file, nullptr, _IOLBF, BUFSIZ);
    static int exitHookInstalled = 0;
    if (!exitHookInstalled) exitHookInstalled = atexit(private_recordExit) == 0;
    traceFile = file;
    loadsRecorded = 0;
    return 1;
}

int glMemoryTrace_startFromEnvironment(void) {
    if (startedFromEnvironment) return traceFile != nullptr;
    startedFromEnvironment = 1;
    return glMemoryTrace_start(getenv("QUILLMERE_MEMORY_TRACE"));
}

void glMemoryTrace_recordLoad(const char *document, uint32_t consoleBytes) {
    if (!traceFile) return;
    loadsRecorded++;
    fprintf(traceFile, "load %lu tracked=%u console=%u rss=%" PRIu64 " file=%s\n", loadsRecorded,
            (unsigned)glAllocated(), (unsigned)consoleBytes, glMemoryTrace_residentBytes(), document ? document : "");
}
