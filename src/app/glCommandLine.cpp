// glCommandLine: parsing of quillmere's options.

#include "app/glCommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

static const char *kUsage =
    "usage: quillmere [options] [GAME_FOLDER]\n"
    "Opens the game window and runs Data/index.xml below GAME_FOLDER (by default\n"
    "the working directory).\n"
    "\n"
    "  --data DIR     the same as naming DIR as GAME_FOLDER\n"
    "  --headless     no visible window; rendering still happens, dialogs take their defaults\n"
    "  --fixed-step   every run-loop pass runs exactly one update step (reproducible runs)\n"
    "  --steps N      quit in order after N update steps\n"
    "  --steps-per-frame N\n"
    "                 with --fixed-step (which it implies): each pass runs N update\n"
    "                 steps (1 to 1000) and draws once; long soak runs go faster\n"
    "  --screenshot FILE\n"
    "                 when the run ends through --steps, write its last frame to FILE (TGA)\n"
    "  --record FILE  record the bound input events of the run into FILE\n"
    "  --replay FILE  play a recording back from the first update step\n"
    "  --input FILE   play mouse and key input from FILE into the window, step by step\n"
    "  --stats        at exit, print the update steps and frames run and the seconds\n"
    "                 spent in update steps and in drawing\n"
    "  --watch        reload the current document whenever a file under Data/ changes\n"
    "  --no-error-line\n"
    "                 do not show script errors and failed loads in a red line at the\n"
    "                 bottom of the window (the log still has them)\n"
    "  --list-script-functions\n"
    "                 print the script functions and globals the engine gives a game\n"
    "                 (one per line, sorted) and exit\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

static int private_usageError(FILE *err, const char *what, const char *argument) {
    fprintf(err, "quillmere: %s '%s'\n%s", what, argument, kUsage);
    return 2;
}

// A whole positive decimal number, nothing else.
static int private_parseSteps(const char *text, unsigned long *steps) {
    if (!text || !*text || *text == '-' || *text == '+') return 0;
    char *end = nullptr;
    errno = 0;
    unsigned long value = strtoul(text, &end, 10);
    if (errno != 0 || *end != 0 || value == 0) return 0;
    *steps = value;
    return 1;
}

int glCommandLine_parse(int argc, char **argv, commandLineOptions *options, FILE *out, FILE *err) {
    memset(options, 0, sizeof(*options));
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            fputs(kUsage, out);
            return 0;
        }
        if (strcmp(arg, "--version") == 0) {
            fprintf(out, "quillmere %s\n", QUILLMERE_VERSION);
            return 0;
        }
        if (strcmp(arg, "--headless") == 0) {
            options->headless = 1;
        } else if (strcmp(arg, "--stats") == 0) {
            options->stats = 1;
        } else if (strcmp(arg, "--watch") == 0) {
            options->watch = 1;
        } else if (strcmp(arg, "--no-error-line") == 0) {
            options->noErrorLine = 1;
        } else if (strcmp(arg, "--list-script-functions") == 0) {
            options->listScriptGlobals = 1;
        } else if (strcmp(arg, "--fixed-step") == 0) {
            if (!options->fixedStep) options->fixedStep = 1;
        } else if (strcmp(arg, "--data") == 0) {
            if (i + 1 >= argc || !*argv[i + 1]) return private_usageError(err, "missing folder after", arg);
            if (options->dataDirectory) return private_usageError(err, "a second game folder", argv[i + 1]);
            options->dataDirectory = argv[++i];
        } else if (strcmp(arg, "--screenshot") == 0) {
            if (i + 1 >= argc || !*argv[i + 1]) return private_usageError(err, "missing file after", arg);
            options->screenshot = argv[++i];
        } else if (strcmp(arg, "--record") == 0 || strcmp(arg, "--replay") == 0) {
            if (i + 1 >= argc || !*argv[i + 1]) return private_usageError(err, "missing file after", arg);
            (strcmp(arg, "--record") == 0 ? options->record : options->replay) = argv[++i];
            if (options->record && options->replay)
                return private_usageError(err, "--record and --replay cannot be used together:", arg);
        } else if (strcmp(arg, "--steps-per-frame") == 0) {
            if (i + 1 >= argc) return private_usageError(err, "missing number after", arg);
            unsigned long steps = 0;
            if (!private_parseSteps(argv[i + 1], &steps) || steps > kMaxStepsPerFrame)
                return private_usageError(err, "--steps-per-frame needs a whole number from 1 to 1000, not", argv[i + 1]);
            options->fixedStep = (int)steps;
            i++;
        } else if (strcmp(arg, "--input") == 0) {
            if (i + 1 >= argc || !*argv[i + 1]) return private_usageError(err, "missing file after", arg);
            options->input = argv[++i];
        } else if (strcmp(arg, "--steps") == 0) {
            if (i + 1 >= argc) return private_usageError(err, "missing number after", arg);
            if (!private_parseSteps(argv[i + 1], &options->steps))
                return private_usageError(err, "--steps needs a whole number above 0, not", argv[i + 1]);
            i++;
        } else if (arg[0] == '-' && arg[1] != 0) {
            return private_usageError(err, "unknown option", arg);
        } else {
            // The game folder; "--data DIR" names it as well, and a run has one.
            if (options->dataDirectory) return private_usageError(err, "a second game folder", arg);
            if (!*arg) return private_usageError(err, "an empty game folder", arg);
            options->dataDirectory = arg;
        }
    }
    return -1;
}
