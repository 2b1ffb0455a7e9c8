// glClipboard: the stack of clipping rectangles applied with the GL scissor test,
// and handing a URL to whatever opens URLs on the desktop.
// The stack only sets the scissor box; switching the scissor test on and off is
// the caller's business. Boxes are in window coordinates (lower-left origin).
#pragma once

#include "core/ssRect.h"

// Pushes the current environment bounds and makes them the scissor box.
void glPushScissor(void);
// Replaces the top entry by rect clipped to the entry below it and applies it.
// Does nothing while the stack is empty.
void glSetScissorRect(const ssRect *rect);
// Drops the top entry and re-applies the one below it, or the environment
// bounds when none is left. Does nothing while the stack is empty.
void glPopScissor(void);
// Number of entries on the stack.
int glScissorDepth(void);
// Releases the stack (the next push creates a new one).
void glClipboard_destroy(void);

// Asks the desktop to open the URL; the outcome is not reported. Always 0.
// A non-interactive run only writes the URL to the log.
int launchURL(const char *url);
