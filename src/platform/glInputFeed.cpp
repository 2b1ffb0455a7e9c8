// glInputFeed: raw input from a file, played into the event queue (see the header).

#include "platform/glInputFeed.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <strings.h>

#include "platform/glEnvironment.h"

static std::vector<inputFeedLine> feed;
static size_t nextLine = 0;
static unsigned long currentStep = 0;

// A whole decimal number in the range, nothing else.
static int private_number(const char *text, long low, long high, long *value) {
    if (!text || !*text) return 0;
    errno = 0;
    char *end = nullptr;
    long parsed = strtol(text, &end, 10);
    if (errno || *end || parsed < low || parsed > high) return 0;
    *value = parsed;
    return 1;
}

// "ctrl+shift+p": the modifiers in front, then the key's name.
static int private_key(const char *text, inputFeedLine *line) {
    static const struct {
        const char *prefix;
        int bits;
    } kModifiers[] = {{"ctrl+", KMOD_LCTRL}, {"shift+", KMOD_LSHIFT}, {"alt+", KMOD_LALT}};
    line->modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto &modifier : kModifiers)
            if (strncasecmp(text, modifier.prefix, strlen(modifier.prefix)) == 0 && text[strlen(modifier.prefix)]) {
                line->modifiers |= modifier.bits;
                text += strlen(modifier.prefix);
                found = true;
            }
    }
    line->scancode = (int)SDL_GetScancodeFromName(text);
    return line->scancode != SDL_SCANCODE_UNKNOWN;
}

int glInputFeed_parseLine(const char *text, inputFeedLine *line) {
    std::vector<std::string> words;
    std::string word;
    for (const char *c = text; ; c++) {
        if (*c && *c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') {
            word += *c;
            continue;
        }
        if (!word.empty()) words.push_back(word);
        word.clear();
        if (!*c) break;
    }
    if (words.empty() || words[0][0] == '#') return 0;
    memset(line, 0, sizeof(*line));
    long step = 0, x = 0, y = 0;
    if (words.size() < 2 || !private_number(words[0].c_str(), 0, LONG_MAX, &step)) return -1;
    line->step = (unsigned long)step;
    const std::string &action = words[1];
    if (action == "move") {
        if (words.size() != 4 || !private_number(words[2].c_str(), -32768, 32767, &x) ||
            !private_number(words[3].c_str(), -32768, 32767, &y))
            return -1;
        line->action = kFeedMove;
        line->x = (int)x;
        line->y = (int)y;
        return 1;
    }
    if (action == "press" || action == "release") {
        if (words.size() > 3 || (words.size() == 3 && words[2] != "right" && words[2] != "left")) return -1;
        line->action = action == "press" ? kFeedPress : kFeedRelease;
        line->button = words.size() == 3 && words[2] == "right" ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT;
        return 1;
    }
    if (action == "key" || action == "keydown" || action == "keyup") {
        if (words.size() != 3 || !private_key(words[2].c_str(), line)) return -1;
        line->action = action == "key" ? kFeedKey : action == "keydown" ? kFeedKeyDown : kFeedKeyUp;
        return 1;
    }
    return -1;
}

static void private_push(SDL_Event &event) {
    if (SDL_PushEvent(&event) < 0) fprintf(stderr, "Input feed: an input was lost: %s\n", SDL_GetError());
}

static void private_pushKey(const inputFeedLine &line, bool down) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = (SDL_Scancode)line.scancode;
    event.key.keysym.sym = SDL_GetKeyFromScancode((SDL_Scancode)line.scancode);
    event.key.keysym.mod = (Uint16)line.modifiers;
    private_push(event);
}

static int SDLCALL private_notAboutTheMove(void *, SDL_Event *event) {
    return !(event->type == SDL_MOUSEMOTION ||
             (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_ENTER));
}

static void private_play(const inputFeedLine &line) {
    switch (line.action) {
    case kFeedMove:
        setMousePosition(line.x, line.y);
        // The window system's messages about the move carry nothing the engine
        // reads (it asks where the pointer is), but each would end the drain of
        // an update step and hold back the input behind it.
        SDL_FilterEvents(private_notAboutTheMove, nullptr);
        break;
    case kFeedPress:
    case kFeedRelease: {
        SDL_Event event = {};
        event.type = line.action == kFeedPress ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = (Uint8)line.button;
        event.button.state = line.action == kFeedPress ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        SDL_GetMouseState(&event.button.x, &event.button.y);  // where the pointer is, in the window
        private_push(event);
        break;
    }
    case kFeedKey:
        private_pushKey(line, true);
        private_pushKey(line, false);
        break;
    default:
        private_pushKey(line, line.action == kFeedKeyDown);
        break;
    }
}

static void private_playStep(void) {
    while (nextLine < feed.size() && feed[nextLine].step <= currentStep) private_play(feed[nextLine++]);
}

int glInputFeed_open(const char *path) {
    glInputFeed_close();
    std::ifstream in(path ? path : "", std::ios::binary);
    if (!in) {
        fprintf(stderr, "Input feed: cannot read \"%s\": %s\n", path ? path : "", strerror(errno));
        return 0;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); number++) {
        inputFeedLine line;
        int status = glInputFeed_parseLine(text.c_str(), &line);
        if (status > 0) feed.push_back(line);
        if (status < 0) fprintf(stderr, "Input feed \"%s\" line %d: not an input (\"%.60s\"); skipped\n", path, number, text.c_str());
    }
    std::stable_sort(feed.begin(), feed.end(),
                     [](const inputFeedLine &a, const inputFeedLine &b) { return a.step < b.step; });
    private_playStep();
    return (int)feed.size();
}

void glInputFeed_stepDone(void) {
    if (nextLine >= feed.size()) return;
    currentStep++;
    private_playStep();
}

int glInputFeed_pending(void) { return (int)(feed.size() - nextLine); }

void glInputFeed_close(void) {
    feed.clear();
    nextLine = 0;
    currentStep = 0;
}
