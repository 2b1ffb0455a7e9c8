// glMemoryTrace: a record of memory use for benchmarks and tests. When the
// variable QUILLMERE_MEMORY_TRACE names a file, the script host writes one line
// to it after every document load (documents that queue each other within one
// load count once, under the first one's name), and one more when the process
// exits:
//
//   load <n> tracked=<bytes> console=<bytes> rss=<bytes> file=<document>
//   exit tracked=<bytes> rss=<bytes>
//
// `tracked` is the running total of the tracked allocator (glMemory.h),
// `console` the part of it that the script console's last lines hold (a list
// of at most 30 lines that fills up over a long run, then stays bounded), `rss`
// the resident set of the process (from /proc/self/statm). Each line reaches
// the file when it is written, so a run that is killed keeps what it measured.
// Without the variable nothing is opened, written or changed. Main thread only.
#pragma once

#include <cstdint>

// Starts the trace into the file named by QUILLMERE_MEMORY_TRACE, once per
// process (later calls do nothing). Returns 1 while a trace is being written.
// A file that cannot be created is reported with one log line.
int glMemoryTrace_startFromEnvironment(void);
// Starts the trace into `path` (truncated) unless one is already running.
// Returns 1 while a trace is being written.
int glMemoryTrace_start(const char *path);

// Writes the line of one finished document load (its number counts the loads
// since the trace started). Does nothing while no trace is running.
// `consoleBytes` is what the console's lines hold at that moment.
void glMemoryTrace_recordLoad(const char *document, uint32_t consoleBytes);

// Bytes of the process's resident set, or 0 when it cannot be read.
uint64_t glMemoryTrace_residentBytes(void);
