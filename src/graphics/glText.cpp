// glText: alphabet text drawn as textured quads, and the built-in debug font
// drawn with glBitmap from display lists. Texture loading and binding belong
// to glTexture; the font bitmaps are generated data (glDebugFontData.inc).

#include "graphics/glText.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "graphics/glTexture.h"
#include "platform/glEnvironment.h"

#include "graphics/glDebugFontData.inc"

static const int kFontFirstCode = 32;
static const int kFontCodes = 96;
static const int kFontWidth = 6;
static const int kFontHeight = 12;

static uint32_t fontBase = 0;  // first of the debug font's display lists; 0 = none

// Cell of one character: its share of the texture and its side in texels.
static float cellWidth = 0.125f;
static float cellHeight = 0.125f;
static float textHeight = 16.0f;

// A width equal to the cell advances a little more than one glyph, so
// letters keep a gap.
static const float kAdvanceScale = 1.175f;
// Advance of every character of an alphabet that has no width array.
static const float kFlatAdvance = 0.5f;

// ---------------------------------------------------------------------------
// Alphabets

void setAlphabetCellSize(float height) {
    if (!(height > 0.0f) || !std::isfinite(height)) {
        fprintf(stderr, "setAlphabetCellSize: cell size %g refused, keeping %g\n", height, textHeight);
        return;
    }
    cellWidth = cellHeight = height * 0.00390625f;
    textHeight = height;
}

int tileFromChar(unsigned char c, float *x, float *y, float *k, float *widthArray) {
    if (widthArray) widthArray[9] = textHeight * 2.0f;  // a tab is two cells wide
    float cellsAcross = 256.0f / textHeight;
    if (x) *x = (float)(c % 16) / cellsAcross;
    if (y) *y = (float)(15 - c / 16) / cellsAcross;  // rows counted up from the bottom
    if (k) *k = (widthArray && widthArray[c] != 0.0f) ? widthArray[c] / textHeight * kAdvanceScale : kFlatAdvance;
    return 1;
}

void printString(const char *string, int alphabetRef) {
    // An alphabet that is not loaded shows nothing rather than blank squares.
    if (!string || !glTexture_getTextureDimensions(alphabetRef, nullptr, nullptr)) return;
    float *widths = glTexture_getAlphabetWidthArray(alphabetRef);
    glTexture_setTexture(alphabetRef);
    float pen = 0.0f;
    glBegin(GL_QUADS);
    for (const unsigned char *c = (const unsigned char *)string; *c; c++) {
        float x, y, k;
        tileFromChar(*c, &x, &y, &k, widths);
        glTexCoord2f(x, y);
        glVertex2f(pen, 0.0f);
        glTexCoord2f(x + cellWidth, y);
        glVertex2f(pen + 1.0f, 0.0f);
        glTexCoord2f(x + cellWidth, y + cellHeight);
        glVertex2f(pen + 1.0f, 1.0f);
        glTexCoord2f(x, y + cellHeight);
        glVertex2f(pen, 1.0f);
        pen += k;
        if (*c == 10 || *c == 13) break;  // one line only
    }
    glEnd();
    glTexture_endTexture(alphabetRef);
}

// Sum of the advances of every character, all lines.
static float private_totalAdvance(const char *string, float *widths) {
    float total = 0.0f;
    for (const unsigned char *c = (const unsigned char *)string; *c; c++) {
        float k;
        tileFromChar(*c, nullptr, nullptr, &k, widths);
        total += k;
    }
    return total;
}

float printStringLength(const char *string, int alphabetRef) {
    float *widths = glTexture_getAlphabetWidthArray(alphabetRef);
    if (!string || !widths) return 0.0f;
    return private_totalAdvance(string, widths);
}

static void private_printShifted(const char *string, int alphabetRef, float shift) {
    glPushMatrix();
    glTranslatef(shift, 0.0f, 0.0f);
    printString(string, alphabetRef);
    glPopMatrix();
}

void printCenteredString(const char *string, int alphabetRef) {
    if (!string) return;
    float half = -0.5f * private_totalAdvance(string, glTexture_getAlphabetWidthArray(alphabetRef));
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // Start on a whole pixel: m[0] is the pixels per glyph unit across.
    if (m[0] != 0.0f && std::isfinite(m[0])) half = floorf(half * m[0]) / m[0];
    private_printShifted(string, alphabetRef, half);
}

void printCenteredStringNoPixelSnap(const char *string, int alphabetRef) {
    if (!string) return;
    float half = -0.5f * private_totalAdvance(string, glTexture_getAlphabetWidthArray(alphabetRef));
    private_printShifted(string, alphabetRef, half);
}

void printRightAlignedString(const char *string, int alphabetRef) {
    if (!string) return;
    float total = private_totalAdvance(string, glTexture_getAlphabetWidthArray(alphabetRef));
    private_printShifted(string, alphabetRef, -total);
}

// ---------------------------------------------------------------------------
// Debug font

void BuildFont(void) {
    fontBase = glGenLists(kFontCodes);
    if (fontBase == 0) {
        fprintf(stderr, "BuildFont: no display lists for the debug font\n");
        return;
    }
    // The bitmaps are packed one byte per row; display lists keep the
    // unpacked pixels, so the store modes only matter while compiling.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    for (int i = 0; i < kFontCodes; i++) {
        glNewList(fontBase + i, GL_COMPILE);
        glBitmap(kFontWidth, kFontHeight, 0.0f, (GLfloat)kDebugFontDescent, (GLfloat)kFontWidth, 0.0f,
                 kDebugFontBitmaps[i]);
        glEndList();
    }
    glPopClientAttrib();
}

void KillFont(void) {
    if (fontBase != 0) glDeleteLists(fontBase, kFontCodes);
    fontBase = 0;
}

void drawSmallString(int x, int y, int w, int h, const char *string) {
    if (!string || fontBase == 0) return;
    set2DView(w, h);
    glRasterPos2i(x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontBase - kFontFirstCode);
    // Only the font's own lists may be called: other bytes become spaces.
    unsigned char chunk[256];
    const unsigned char *text = (const unsigned char *)string;
    size_t length = strlen(string);
    for (size_t done = 0; done < length;) {
        size_t count = length - done < sizeof chunk ? length - done : sizeof chunk;
        for (size_t i = 0; i < count; i++) {
            unsigned char c = text[done + i];
            chunk[i] = (c < kFontFirstCode || c >= kFontFirstCode + kFontCodes) ? ' ' : c;
        }
        glCallLists((GLsizei)count, GL_UNSIGNED_BYTE, chunk);
        done += count;
    }
    glPopAttrib();
    end2DView();
}

void drawString(int x, int y, int w, int h, const char *string) { drawSmallString(x, y, w, h, string); }

// The debug font is monospaced, 6 pixels per character.
int drawStringLength(const char *string) {
    if (!string) return 0;
    size_t length = strlen(string);
    // A line too long to measure in an int is as wide as an int can say.
    return length > (size_t)(0x7FFFFFFF / kFontWidth) ? 0x7FFFFFFF : (int)length * kFontWidth;
}
