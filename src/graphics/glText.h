// glText: the two kinds of text the engine draws.
// Alphabets: 256 x 256 RGBA textures holding a 16 x 16 grid of character cells
// in code order, the top image row carrying one width byte per code. A glyph
// is drawn as a unit square at the current model-view origin; callers scale the
// matrix to the size they want on screen and set the cell size first.
// The debug font: a built-in 6 x 12 bold monospaced bitmap font for codes 32
// to 127, turned into display lists when the window's context is made and drawn
// at a raster position (debug overlay, console).
// Textures themselves (loading, binding, the width arrays) belong to glTexture.
#pragma once

#include <cstdint>

// An alphabet reference is the texture reference number of an alphabet texture.

// Cell size in texture pixels (16 for a 256-pixel alphabet); the cell's share
// of the texture is height / 256 on both axes. Non-positive sizes are refused.
void setAlphabetCellSize(float height);

// Texture coordinates of the lower-left corner of code c's cell and its advance
// k in glyph units (0.5 without a width array). With a width array its tab
// entry is set to two cells first. Returns 1.
int tileFromChar(unsigned char c, float *x, float *y, float *k, float *widthArray);

// One line of glyphs from the current origin; a line feed or carriage return
// is drawn and ends the line.
void printString(const char *string, int alphabetRef);
// Total advance of the whole string, 0 when the texture has no width array.
float printStringLength(const char *string, int alphabetRef);
// Centred on the origin, the start snapped to a whole pixel.
void printCenteredString(const char *string, int alphabetRef);
void printCenteredStringNoPixelSnap(const char *string, int alphabetRef);
// Ends at the origin.
void printRightAlignedString(const char *string, int alphabetRef);

// Creates the debug font's 96 display lists on the current context (called by
// the window environment whenever it makes a context).
void BuildFont(void);
// Releases them (the current context must be the one they were built on).
void KillFont(void);

// The debug font at raster position (x, y) (the left end of the baseline) in a
// w x h 2D view. Bytes outside 32 to 127 show as spaces.
void drawString(int x, int y, int w, int h, const char *string);
void drawSmallString(int x, int y, int w, int h, const char *string);

// Pixel width of a line in the debug font: 6 pixels per byte (0 for null).
int drawStringLength(const char *string);
