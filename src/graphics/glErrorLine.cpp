// glErrorLine: the newest error, how long it stays, and its red line.

#include "graphics/glErrorLine.h"

#include <GL/gl.h>

#include <string>

#include "graphics/glText.h"
#include "platform/glEnvironment.h"

static int enabled = 1;
static std::string message;
static std::string shown;           // message with the count of the others
static unsigned long shownAt = 0;   // update step when the newest came
static int others = 0;              // messages that came while one was shown
static errorLineWhereFunc whereFunc = nullptr;

// A message long enough to fill the line; the rest is in the log.
enum { kMaxMessageLength = 240 };

static bool private_visible(void) {
    return enabled && !message.empty() && glEnvironment_getStepsRun() - shownAt < kErrorLineSteps;
}

void glErrorLine_show(const char *where, const char *what) {
    if (!what || !*what) return;
    others = private_visible() ? others + 1 : 0;
    message = (where && *where) ? std::string(where) + ": " + what : what;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    for (char &c : message)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (message.size() > kMaxMessageLength) message.resize(kMaxMessageLength);
    shownAt = glEnvironment_getStepsRun();
}

void glErrorLine_showHere(const char *what) {
    char where[256] = "";
    if (whereFunc) whereFunc(where, (int)sizeof(where));
    glErrorLine_show(where, what);
}

void glErrorLine_setWhereFunc(errorLineWhereFunc where) { whereFunc = where; }

void glErrorLine_setEnabled(int on) { enabled = on ? 1 : 0; }

int glErrorLine_isEnabled(void) { return enabled; }

const char *glErrorLine_text(void) {
    if (!private_visible()) return "";
    shown = message;
    if (others > 0) shown += " (and " + std::to_string(others) + " more)";
    return shown.c_str();
}

void glErrorLine_clear(void) {
    message.clear();
    others = 0;
}

void glErrorLine_draw(void) {
    const char *text = glErrorLine_text();
    if (!*text) return;
    int width = getWindowWidth(), height = getWindowHeight();
    set2DView(width, height);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.75f);
    glRectf(0.0f, 0.0f, (float)width, (float)kErrorLineHeight);
    glDisable(GL_BLEND);
    end2DView();
    glColor4f(1.0f, 0.25f, 0.2f, 1.0f);
    drawString(4, 4, width, height, text);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
