// glClipboard: the scissor stack and URL launch.
// The stack is a tree list whose first child is the top entry; each child holds
// an ssRect copy. It does not enable or disable GL_SCISSOR_TEST.
#include "platform/glClipboard.h"

#include <GL/gl.h>
#include <SDL.h>

#include <climits>
#include <cmath>
#include <cstdio>

#include "core/tree.h"
#include "platform/glEnvironment.h"

static _treeNode *scissorStack = nullptr;

static const ssRect private_emptyRect = {{0.0f, 0.0f}, {0.0f, 0.0f}};

// Float to int by truncation, cut to the int range so that absurd boxes never overflow.
static GLint private_toInt(float value) {
    if (!(value > (float)INT_MIN)) return value != value ? 0 : INT_MIN;
    if (!(value < (float)INT_MAX)) return INT_MAX;
    return (GLint)value;
}

static void private_clampSize(ssRect *rect) {
    if (rect->size.width < 0.0f) rect->size.width = 0.0f;
    if (rect->size.height < 0.0f) rect->size.height = 0.0f;
}

static void private_applyRect(const ssRect *rect) {
    glScissor(private_toInt(rect->point.x), private_toInt(rect->point.y),
              private_toInt(rect->size.width), private_toInt(rect->size.height));
}

static ssRect private_environmentBounds(void) {
    const ssRect *bounds = getEnvironmentBoundsReference();
    ssRect rect = bounds ? *bounds : private_emptyRect;
    private_clampSize(&rect);
    return rect;
}

static bool private_isFinite(const ssRect *rect) {
    return std::isfinite(rect->point.x) && std::isfinite(rect->point.y) &&
           std::isfinite(rect->size.width) && std::isfinite(rect->size.height);
}

void glPushScissor(void) {
    if (!scissorStack) scissorStack = createTree();
    ssRect rect = private_environmentBounds();
    addChildToFront(scissorStack, &rect, (int)sizeof(ssRect));
    private_applyRect(&rect);
}

void glSetScissorRect(const ssRect *rect) {
    _treeNode *top = getChild(scissorStack, 0);
    if (!top || !rect) return;

    ssRect entry = *rect;
    if (!private_isFinite(&entry)) {
        // Nothing sensible can be clipped against a NaN or infinite edge; draw nothing.
        fprintf(stderr, "glSetScissorRect: the rectangle is not finite; using an empty box\n");
        entry = private_emptyRect;
    }

    // The bottom entry is clipped to the window, so no box ever reaches past it.
    _treeNode *below = getChild(scissorStack, 1);
    ssRect window = private_environmentBounds();
    const ssRect *outer = below ? (const ssRect *)getData(below) : &window;
    float left = fmaxf(entry.point.x, outer->point.x);
    float bottom = fmaxf(entry.point.y, outer->point.y);
    float right = fminf(entry.point.x + entry.size.width, outer->point.x + outer->size.width);
    float upper = fminf(entry.point.y + entry.size.height, outer->point.y + outer->size.height);
    if (right < left || upper < bottom) {
        entry = private_emptyRect;
    } else {
        entry.point.x = left;
        entry.point.y = bottom;
        entry.size.width = right - left;
        entry.size.height = upper - bottom;
    }
    private_clampSize(&entry);
    setData(top, &entry, (int)sizeof(ssRect));
    private_applyRect(&entry);
}

void glPopScissor(void) {
    if (numberOfChildren(scissorStack) == 0) return;
    removeChild(scissorStack, 0);
    _treeNode *top = getChild(scissorStack, 0);
    if (top) {
        private_applyRect((const ssRect *)getData(top));
    } else {
        ssRect rect = private_environmentBounds();
        private_applyRect(&rect);
    }
}

int glScissorDepth(void) { return numberOfChildren(scissorStack); }

void glClipboard_destroy(void) {
    destructTree(scissorStack);
    scissorStack = nullptr;
}

int launchURL(const char *url) {
    if (!url || !*url) return 0;
    if (glEnvironment_isNonInteractive()) {
        // Nobody is there to look at a browser; keep a trace instead.
        fprintf(stderr, "launchURL: not opening \"%s\" in a non-interactive run\n", url);
        return 0;
    }
    SDL_OpenURL(url);
    return 0;
}
