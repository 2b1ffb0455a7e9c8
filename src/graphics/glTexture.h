// glTexture: the process-wide texture registry. Every image the engine draws
// is a record here, addressed by its reference number (the zero-based index of
// its record, stable for the whole run: records are never removed, deleting or
// unloading only releases pixel bytes or OpenGL objects, and loading the same
// file name again revives the same record and number).
//
// Images come from TGA files (uncompressed or run-length encoded true colour,
// 24 or 32 bits) or from raw bytes (screen captures). OpenGL 1.x wants
// power-of-two textures, so each image is cut into square power-of-two tiles
// (4 to 256 pixels a side), one texture object each, laid out again when drawn.
// A 256 x 256 RGBA image also gets the character width array of an alphabet.
// The module also keeps memory statistics and writes the frame buffer as a TGA.
//
// It does not draw text (glText) and knows nothing about sprites. Main thread
// only: every operation except the TGA decoding needs the OpenGL context.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/ssRect.h"
#include "core/tree.h"
#include "graphics/glQuadBatch.h"

// Texture flags, applied to every tile in this order (a clamp bit wins over
// the repeat bit of the same axis; without either an axis keeps the default).
// The filter bits choose how texels are sampled when an image is drawn scaled,
// rotated or between pixels; a load with neither takes the default filter.
enum {
    kSRepeat = 1,   // GL_TEXTURE_WRAP_S = GL_REPEAT
    kTRepeat = 2,   // GL_TEXTURE_WRAP_T = GL_REPEAT
    kSClamp = 4,    // GL_TEXTURE_WRAP_S = GL_CLAMP_TO_EDGE
    kTClamp = 8,    // GL_TEXTURE_WRAP_T = GL_CLAMP_TO_EDGE
    kLinear = 16,   // GL_LINEAR: neighbouring texels blended (smooth)
    kNearest = 32,  // GL_NEAREST: the nearest texel (sharp pixel art); wins over kLinear
};

// One tile: an S x S OpenGL texture holding part of the image.
struct textureTile {
    uint32_t texName;    // OpenGL texture object
    int32_t width;       // pixels of the image in this tile: S, less in the last column
    int32_t height;      // S, less in the last row
    float x1, x2;        // texture coordinates across: 0 to 1 (or width / S)
    float y1, y2;        // texture coordinates up: 0 to 1 (or height / S)
};

// One registry record (the registry tree holds its own copy).
struct glTexture {
    uint8_t *imageData;         // rows in file order, R,G,B(,A); null after delete
    int32_t imageSize;          // bytes of imageData
    float *alphabetWidthArray;  // 256 character widths, or null
    char *name;                 // file name as loaded, or "Texture Screenshot"
    int32_t width, height;      // image size in pixels
    int32_t format;             // GL_RGB or GL_RGBA
    int32_t flags;              // texture flags of the upload
    int32_t valid;              // 1 while the tiles exist
    int32_t origin_x, origin_y; // subtracted from the draw position
    _treeNode *texList;         // textureTile children, row-major from the bottom; null while unloaded
    int32_t tileWidth, tileHeight;
    int32_t tilesWide;          // tile columns
    int32_t textID;             // OpenGL name of the first tile; -1 before the first upload
    int16_t references;         // loads not yet unloaded
    int16_t reported;           // non-zero: the tiles count in the VRAM statistics
};

// ---- Loading and releasing ----

// The filter of loads that name none: kLinear (the default) or kNearest; any
// other value is refused (returns 0, nothing changes). Applies to later loads.
int glTexture_setDefaultFilter(int filter);
int glTexture_getDefaultFilter(void);

// Loads a TGA file, or takes one more reference on the record already loaded
// under exactly this name. An unloaded record is uploaded again from the bytes
// it kept (with its first flags); a deleted one reads the file again into the
// same record. Returns the reference number, or -1 after logging why (when a
// deleted record was being revived, its number, still deleted).
int glTexture_loadTexture(const char *fileName, int flags);

// Makes a new texture named "Texture Screenshot" from w x h pixels (3 bytes a
// pixel for GL_RGB, else 4), rows bottom-up. The registry takes the bytes,
// which must be a tracked block (glMemory.h) of exactly that size. Returns the
// reference number; -1 for null bytes or a size that is not positive or too
// large, after logging (the bytes then stay the caller's).
int glTexture_loadTexture(uint8_t *bytes, int width, int height, int format, int flags);

// Cuts `bytes` into tiles and uploads them into `texture` (the bytes are only
// read). Sets the tile fields, flags, format, size, textID, valid and
// references = 1. `reported` decides whether the tiles count in the VRAM
// statistics. Returns 0.
int glTexture_textureWithBytes(glTexture *texture, const uint8_t *bytes, int width, int height,
                               int format, int flags, int reported);

// Gives back one reference; the last one releases the tiles (the bytes stay).
// 1 when a reference was released, 0 otherwise.
int glTexture_unloadTexture(glTexture *texture);
int glTexture_unloadTexture(int refNum);
int glTexture_unloadTexture(const char *name);

// Releases the tiles (whatever references remain, with a warning) and the
// bytes; the record and its number stay. 1 when the record exists.
int glTexture_deleteTexture(glTexture *texture);
int glTexture_deleteTexture(int refNum);
int glTexture_deleteTexture(const char *name);

// ---- Lookups ----

// The record of a reference number, or null.
glTexture *glTexture_getTextureRecord(int refNum);
// The number of the first record named exactly `name`, or -1.
int glTexture_getReference(const char *name);
float *glTexture_getAlphabetWidthArray(int refNum);
// 1 and the size when the texture is loaded, else 0.
int glTexture_getTextureDimensions(int refNum, int *width, int *height);
// Fills the size when loaded; returns 0.
int glTexture_getDimensions(int refNum, int *width, int *height);
int glTexture_getOrigin(int refNum, int *x, int *y);
int glTexture_setOrigin(int refNum, int x, int y);
// Origin = (width / 2, height / 2) in whole pixels.
int glTexture_centerOrigin(int refNum);
// Changes whenever a lookup above may answer differently (a record added,
// tiles uploaded or released, an origin moved): what was read before may be
// kept while it stays the same.
uint32_t glTexture_changeCount(void);
// OpenGL name of a tile, 0xFFFFFFFF when not loaded or no such tile.
uint32_t glTexture_getTextureID(int refNum, int tile = 0);
// Enables texturing and binds tile 0 of a loaded texture; returns 0.
int glTexture_setTexture(int refNum);
// Disables texturing; returns 0.
int glTexture_endTexture(int refNum);

// ---- Drawing ----

// Draws the whole texture with its origin at (x, y), in whole pixels.
// flipped: 0 as is, 1 mirrored left-right, 2 top-bottom, 3 (any value with
// both bits) both; other values draw nothing. Nothing when not loaded.
void glTexture_render(glTexture *texture, int x, int y, int flipped);
void glTexture_render(int refNum, int x, int y, int flipped);

// The same tile quads, added to the quad batch (glQuadBatch.h) instead:
// placed through `matrix` (column-major 4 x 4), with the blending of `state`
// (its texture name is each tile's own) and one colour.
void glTexture_renderBatched(glTexture *texture, int x, int y, int flipped, const float matrix[16],
                             const quadBatchKey *state, const float color[4]);
void glTexture_renderBatched(int refNum, int x, int y, int flipped, const float matrix[16],
                             const quadBatchKey *state, const float color[4]);

// Draws a frame in nine regions from tile 0 of a square one-tile image:
// corners keep their size, edges and centre stretch. Corners a, b, c, d are
// top-left, top-right, bottom-right, bottom-left; the edges and the centre
// are laid out by the first one (frames use four equal corners).
void glTexture_render(glTexture *texture, ssRect rect, ssSize a, ssSize b, ssSize c, ssSize d);
void glTexture_render(int refNum, ssRect rect, ssSize a, ssSize b, ssSize c, ssSize d);

// ---- Settings, statistics and texts ----

// 0: tiles with the least waste (default); non-zero: the largest tile that
// fits the image exactly. Applies to later uploads.
void glTexture_setTilingPreference(int preference);
// Bytes of tile pixels uploaded.
int glTexture_VRAMUsed(void);

// Each appends lines to `text`, a buffer of `length` bytes that already holds
// a string; the text is cut so that it always fits.
void glTexture_describeTexture(int refNum, char *text, int length);
void glTexture_listTextures(char *text, int length);
void glTexture_textureInfo(char *text, int length);

// Writes the frame-buffer rectangle as a 32-bit TGA into an open file.
// 1 on success, 0 for a null file, a negative size or a failed write.
int glTexture_saveCurrentScreenToFile(int x, int y, int16_t width, int16_t height, FILE *file);

// ---- TGA decoding (no OpenGL; the loader and the fuzz target use it) ----

struct tgaImage {
    uint8_t *imageData;  // tracked block of imageSize bytes, R,G,B(,A), rows in file order
    int32_t imageSize;
    int32_t width, height;
    int32_t format;      // GL_RGB or GL_RGBA
};

// The TGA header: 12 bytes compared with the accepted ones, then 6 of sizes.
enum { kTGAHeaderSize = 12, kTGAInfoSize = 6 };

// How many leading bytes of a file the decoder can use, judged from its
// first `size` bytes (at least the 18 of the headers, when they are there):
// the headers alone when they are not acceptable, else the headers and the
// most pixel data the image could need.
uint64_t glTexture_TGABytesNeeded(const uint8_t *bytes, size_t size);

// Decodes a whole TGA file held in memory. On failure prints the reader's
// message with `name` to stderr and returns 0 with nothing allocated; on
// success fills `image` (the caller owns imageData) and returns 1. Never reads
// outside the `size` bytes given.
int glTexture_decodeTGA(const uint8_t *bytes, size_t size, const char *name, tgaImage *image);
