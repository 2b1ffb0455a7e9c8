// glPresentation: the scaled, letterboxed view and the mouse mapping back.

#include "platform/glPresentation.h"

#include <GL/gl.h>

#include <cmath>

static GLuint viewTexture = 0;
static int textureWidth = 0, textureHeight = 0;

static int private_powerOfTwo(int at_least) {
    int size = 1;
    while (size < at_least) size *= 2;
    return size;
}

presentationLayout glPresentation_layout(int viewWidth, int viewHeight, int drawableWidth, int drawableHeight) {
    presentationLayout layout = {0, 0, viewWidth, viewHeight, 1.0f};
    if (viewWidth <= 0 || viewHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) return layout;
    int whole = drawableWidth / viewWidth < drawableHeight / viewHeight ? drawableWidth / viewWidth
                                                                         : drawableHeight / viewHeight;
    if (whole >= 1) {
        layout.scale = (float)whole;
        layout.width = viewWidth * whole;
        layout.height = viewHeight * whole;
    } else {
        // Smaller than the view: shrink to fit, keeping the shape.
        float sx = (float)drawableWidth / viewWidth, sy = (float)drawableHeight / viewHeight;
        layout.scale = sx < sy ? sx : sy;
        layout.width = (int)(viewWidth * layout.scale);
        layout.height = (int)(viewHeight * layout.scale);
    }
    layout.x = (drawableWidth - layout.width) / 2;
    layout.y = (drawableHeight - layout.height) / 2;
    return layout;
}

// Rounds toward minus infinity, so positions left of or below the view stay outside it.
static int private_floor(float value) { return (int)std::floor(value); }

void glPresentation_windowToView(int windowX, int windowY, int windowWidth, int windowHeight, int drawableWidth,
                                 int drawableHeight, int viewWidth, int viewHeight, int *viewX, int *viewY) {
    if (windowWidth <= 0 || windowHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) {
        *viewX = windowX;
        *viewY = viewHeight - windowY;
        return;
    }
    presentationLayout layout = glPresentation_layout(viewWidth, viewHeight, drawableWidth, drawableHeight);
    // Window points to drawable pixels, then from the top edge of the view.
    float px = (float)windowX * drawableWidth / windowWidth;
    float py = (float)windowY * drawableHeight / windowHeight;
    float top = (float)(drawableHeight - layout.y - layout.height);
    *viewX = private_floor((px - layout.x) / layout.scale);
    *viewY = viewHeight - private_floor((py - top) / layout.scale);
}

void glPresentation_viewToWindow(int viewX, int viewY, int windowWidth, int windowHeight, int drawableWidth,
                                 int drawableHeight, int viewWidth, int viewHeight, int *windowX, int *windowY) {
    if (windowWidth <= 0 || windowHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) {
        *windowX = viewX;
        *windowY = viewHeight - viewY;
        return;
    }
    presentationLayout layout = glPresentation_layout(viewWidth, viewHeight, drawableWidth, drawableHeight);
    float top = (float)(drawableHeight - layout.y - layout.height);
    float px = (float)layout.x + ((float)viewX + 0.5f) * layout.scale;
    float py = top + ((float)(viewHeight - viewY) + 0.5f) * layout.scale;
    *windowX = private_floor(px * windowWidth / drawableWidth);
    *windowY = private_floor(py * windowHeight / drawableHeight);
}

void glPresentation_present(int viewWidth, int viewHeight, int drawableWidth, int drawableHeight) {
    if (drawableWidth == viewWidth && drawableHeight == viewHeight) return;
    if (viewWidth <= 0 || viewHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) return;
    int copyWidth = viewWidth < drawableWidth ? viewWidth : drawableWidth;
    int copyHeight = viewHeight < drawableHeight ? viewHeight : drawableHeight;

    if (!viewTexture || textureWidth < viewWidth || textureHeight < viewHeight) {
        glPresentation_release();
        textureWidth = private_powerOfTwo(viewWidth);
        textureHeight = private_powerOfTwo(viewHeight);
        glGenTextures(1, &viewTexture);
        glBindTexture(GL_TEXTURE_2D, viewTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, textureWidth, textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glBindTexture(GL_TEXTURE_2D, viewTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, copyWidth, copyHeight);

    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, drawableWidth, 0, drawableHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();

    presentationLayout layout = glPresentation_layout(viewWidth, viewHeight, drawableWidth, drawableHeight);
    float u = (float)viewWidth / textureWidth, v = (float)viewHeight / textureHeight;
    float x0 = (float)layout.x, y0 = (float)layout.y;
    float x1 = x0 + layout.width, y1 = y0 + layout.height;
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(x0, y0);
    glTexCoord2f(u, 0), glVertex2f(x1, y0);
    glTexCoord2f(u, v), glVertex2f(x1, y1);
    glTexCoord2f(0, v), glVertex2f(x0, y1);
    glEnd();

    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();  // the viewport (the view) and everything else as the game left it
}

void glPresentation_release(void) {
    if (viewTexture) glDeleteTextures(1, &viewTexture);
    viewTexture = 0;
    textureWidth = textureHeight = 0;
}
