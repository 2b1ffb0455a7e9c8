// glTexture: the texture registry. Loads TGA files and raw bytes, cuts images
// into square power-of-two tiles and uploads them, counts references, unloads
// and deletes (records are never removed, so reference numbers stay put),
// answers lookups, keeps the memory statistics and their texts, and writes
// the frame buffer out as a TGA file.
// Decoding lives in glTextureTGA.cpp, drawing in glTextureRender.cpp.

#include <climits>
#include <cstring>
#include <string>

#include "core/glMemory.h"
#include "graphics/glErrorLine.h"
#include "graphics/glTexture.h"

// The registry: one child per record, in load order, created on first load.
static _treeNode *textureStorage = nullptr;
static int gTextureTilePref = 0;
// Statistics; kept wide so that they never overflow, cut when reported.
static int64_t textureMemory = 0;      // image bytes loaded into memory
static int64_t numTexturesMemory = 0;  // image loads
static int64_t textureVRAM = 0;        // tile pixel bytes uploaded
static int64_t numTexturesVRAM = 0;    // tiles uploaded
// Bumped whenever what a lookup tells may change (a record added, tiles made
// or released, an origin moved), for those who keep what they read.
static uint32_t registryChanges = 0;
static int defaultFilter = kLinear;

static const char private_kScreenshotName[] = "Texture Screenshot";
// Candidate tile sides, indices 0 to 6.
static const int private_kTileSides[] = {4, 8, 16, 32, 64, 128, 256};
static const int private_kNumTileSides = 7;
static const uint32_t private_kWidthArrayBytes = 256 * sizeof(float);

static int private_bytesPerPixel(int format) { return format == GL_RGB ? 3 : 4; }

static int private_clampToInt(int64_t value)
{
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : (int)value;
}

static void private_ensureRegistry(void)
{
    if (!textureStorage) textureStorage = createTree();
}

static glTexture private_newRecord(const char *name)
{
    glTexture record;
    memset(&record, 0, sizeof record);
    record.name = (char *)glMallocWithBytes((uint32_t)strlen(name) + 1, name);
    record.textID = -1;
    return record;
}

static int private_appendRecord(const glTexture *record)
{
    registryChanges++;
    addChild(textureStorage, record, (int32_t)sizeof *record);
    return numberOfChildren(textureStorage) - 1;
}

// A 256 x 256 RGBA image is an alphabet: the top row (the last one in the
// buffer) holds the character widths, one byte each in the first 64 pixels.
static void private_buildWidthArray(glTexture *texture)
{
    if (texture->width != 256 || texture->height != 256 || texture->imageSize != 262144 ||
        !texture->imageData || texture->alphabetWidthArray)
        return;
    float *widths = (float *)glMalloc(private_kWidthArrayBytes);
    if (!widths) return;
    const uint8_t *topRow = texture->imageData + texture->imageSize - 1024;
    for (int i = 0; i < 256; i++) widths[i] = topRow[i] + 0.5f;
    texture->alphabetWidthArray = widths;
}

static void private_countImageLoad(const glTexture *texture)
{
    textureMemory += (int64_t)texture->width * texture->height * private_bytesPerPixel(texture->format);
    numTexturesMemory += 1;
}

// Reads as much of the file as the decoder can use (a lying header never
// makes us read or allocate more than the file holds) and decodes it.
static int private_readTGA(FILE *file, const char *name, tgaImage *image)
{
    uint8_t head[kTGAHeaderSize + kTGAInfoSize];
    size_t got = fread(head, 1, sizeof head, file);
    uint64_t needed = glTexture_TGABytesNeeded(head, got);
    if (needed <= got) return glTexture_decodeTGA(head, got, name, image);

    uint32_t capacity = needed < (1u << 20) ? (uint32_t)needed : (1u << 20);
    uint8_t *bytes = (uint8_t *)glMalloc(capacity);
    if (!bytes) {
        fprintf(stderr, "Could not allocate memory for texture \"%s\"\n", name);
        return 0;
    }
    memcpy(bytes, head, got);
    size_t size = got;
    while (size < needed) {
        if (size == capacity) {
            uint64_t grown = (uint64_t)capacity * 2 < needed ? (uint64_t)capacity * 2 : needed;
            uint8_t *larger = (uint8_t *)glRealloc(capacity, (uint32_t)grown, bytes);
            if (!larger) {
                glFree(bytes, capacity);
                fprintf(stderr, "Could not allocate memory for texture \"%s\"\n", name);
                return 0;
            }
            bytes = larger;
            capacity = (uint32_t)grown;
        }
        size_t n = fread(bytes + size, 1, capacity - size, file);
        if (n == 0) break;
        size += n;
    }
    int ok = glTexture_decodeTGA(bytes, size, name, image);
    glFree(bytes, capacity);
    return ok;
}

// The designer's error line; the log has the line written where it failed.
static void private_showLoadFailure(const char *what, const char *fileName) {
    std::string text = std::string(what) + " \"" + fileName + "\"";
    glErrorLine_showHere(text.c_str());
}

int glTexture_setDefaultFilter(int filter)
{
    if (filter != kLinear && filter != kNearest) return 0;
    defaultFilter = filter;
    return 1;
}

int glTexture_getDefaultFilter(void) { return defaultFilter; }

static int private_withFilter(int flags)
{
    return flags & (kLinear | kNearest) ? flags : flags | defaultFilter;
}

int glTexture_loadTexture(const char *fileName, int flags)
{
    flags = private_withFilter(flags);
    if (!fileName) {
        fprintf(stderr, "Unable to open the texture file: no file name given\n");
        return -1;
    }
    private_ensureRegistry();

    // A record of that name is taken again, uploaded again from its kept
    // bytes, or (deleted) remembered to be filled from the file.
    glTexture *revived = nullptr;
    int revivedNumber = -1;
    int number = 0;
    for (_treeNode *node = textureStorage->child; node; node = node->sibling, number++) {
        glTexture *texture = (glTexture *)node->data;
        if (!texture || !texture->name || strcmp(texture->name, fileName) != 0) continue;
        if (texture->texList) {
            if (texture->references < INT16_MAX)
                texture->references++;
            else
                fprintf(stderr, "Warning: texture \"%s\" has too many references to count more\n", fileName);
            return number;
        }
        if (texture->imageData) {
            glTexture_textureWithBytes(texture, texture->imageData, texture->width, texture->height,
                                       texture->format, texture->flags, 1);
            return number;
        }
        revived = texture;
        revivedNumber = number;
    }

    FILE *file = fopen(fileName, "rb");
    if (!file) {
        fprintf(stderr, "Unable to open the texture file \"%s\"\n", fileName);
        private_showLoadFailure("Unable to open the texture file", fileName);
        return revivedNumber;
    }
    tgaImage image;
    int ok = private_readTGA(file, fileName, &image);
    fclose(file);
    if (!ok) {
        private_showLoadFailure("Unable to read the texture file", fileName);
        return revivedNumber;
    }

    glTexture fresh;
    glTexture *texture = revived;
    if (!texture) {
        fresh = private_newRecord(fileName);
        texture = &fresh;
    }
    texture->imageData = image.imageData;
    texture->imageSize = image.imageSize;
    glTexture_textureWithBytes(texture, image.imageData, image.width, image.height, image.format, flags, 1);
    private_countImageLoad(texture);
    private_buildWidthArray(texture);
    return revived ? revivedNumber : private_appendRecord(texture);
}

int glTexture_loadTexture(uint8_t *bytes, int width, int height, int format, int flags)
{
    int64_t size = (int64_t)width * height * private_bytesPerPixel(format);
    if (!bytes || width <= 0 || height <= 0 || size > INT32_MAX) {
        fprintf(stderr, "Error: cannot make a %d x %d texture from %s\n", width, height,
                bytes ? "bytes" : "no bytes");
        return -1;
    }
    private_ensureRegistry();
    flags = private_withFilter(flags);
    glTexture texture = private_newRecord(private_kScreenshotName);
    texture.imageData = bytes;
    texture.imageSize = (int32_t)size;
    glTexture_textureWithBytes(&texture, bytes, width, height, format, flags, 1);
    private_countImageLoad(&texture);
    private_buildWidthArray(&texture);
    return private_appendRecord(&texture);
}

// Picks the tile side: least waste (ties go to the larger side), or with the
// exact-fit preference the largest side from 8 up that divides both sizes,
// else 256.
static int private_chooseTileSide(int width, int height)
{
    int64_t waste[private_kNumTileSides];
    for (int i = 0; i < private_kNumTileSides; i++) {
        int64_t side = private_kTileSides[i];
        int64_t columns = (width + side - 1) / side;
        int64_t rows = (height + side - 1) / side;
        waste[i] = side * side * columns * rows - (int64_t)width * height;
    }
    int chosen;
    if (gTextureTilePref == 0) {
        chosen = 0;
        for (int i = 1; i < private_kNumTileSides; i++)
            if (waste[i] <= waste[chosen]) chosen = i;
    } else {
        chosen = private_kNumTileSides - 1;
        for (int i = 1; i < private_kNumTileSides; i++)
            if (waste[i] == 0) chosen = i;
    }
    return private_kTileSides[chosen];
}

static void private_applyFlags(int flags)
{
    if (flags & kSRepeat) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    if (flags & kTRepeat) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (flags & kSClamp) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    if (flags & kTClamp) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

// Deletes the tile textures and the tile list and takes them off the statistics.
static void private_releaseTiles(glTexture *texture)
{
    if (!texture->texList) return;
    registryChanges++;
    int bytesPerPixel = private_bytesPerPixel(texture->format);
    for (_treeNode *node = texture->texList->child; node; node = node->sibling) {
        textureTile *tile = (textureTile *)node->data;
        if (!tile) continue;
        GLuint name = tile->texName;
        glDeleteTextures(1, &name);
        if (texture->reported) {
            textureVRAM -= (int64_t)tile->width * tile->height * bytesPerPixel;
            numTexturesVRAM -= 1;
        }
    }
    destructTree(texture->texList);
    texture->texList = nullptr;
    texture->valid = 0;
}

int glTexture_textureWithBytes(glTexture *texture, const uint8_t *bytes, int width, int height,
                               int format, int flags, int reported)
{
    if (!texture) return 0;
    int bytesPerPixel = private_bytesPerPixel(format);
    if (width < 0 || height < 0 || (!bytes && width > 0 && height > 0) ||
        (int64_t)width * height * bytesPerPixel > INT32_MAX) {
        fprintf(stderr, "Error: cannot upload a %d x %d texture%s\n", width, height, bytes ? "" : " without pixels");
        return 0;
    }
    // Uploading over live tiles would lose them.
    private_releaseTiles(texture);
    registryChanges++;

    texture->texList = createTree();
    texture->reported = (int16_t)(reported ? 1 : 0);
    int side = private_chooseTileSide(width, height);
    int columns = (width + side - 1) / side;
    int rows = (height + side - 1) / side;
    texture->tileWidth = texture->tileHeight = side;
    texture->tilesWide = columns;

    uint32_t blockBytes = (uint32_t)(side * side * bytesPerPixel);
    uint8_t *block = (uint8_t *)glMalloc(blockBytes);
    int firstName = -1;
    glEnable(GL_TEXTURE_2D);
    for (int row = 0; row < rows && block; row++) {
        for (int column = 0; column < columns; column++) {
            textureTile tile;
            tile.width = width - column * side < side ? width - column * side : side;
            tile.height = height - row * side < side ? height - row * side : side;
            tile.x1 = tile.y1 = 0.0f;
            tile.x2 = tile.width == side ? 1.0f : (float)tile.width / side;
            tile.y2 = tile.height == side ? 1.0f : (float)tile.height / side;

            memset(block, 0, blockBytes);
            for (int y = 0; y < tile.height; y++) {
                size_t from = ((size_t)(row * side + y) * width + (size_t)column * side) * bytesPerPixel;
                memcpy(block + (size_t)y * side * bytesPerPixel, bytes + from, (size_t)tile.width * bytesPerPixel);
            }

            GLuint name = 0;
            glGenTextures(1, &name);
            if (firstName == -1) firstName = (int)name;
            tile.texName = name;
            glBindTexture(GL_TEXTURE_2D, name);
            GLint filter = flags & kNearest ? GL_NEAREST : GL_LINEAR;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            private_applyFlags(flags);
            glTexImage2D(GL_TEXTURE_2D, 0, format, side, side, 0, (GLenum)format, GL_UNSIGNED_BYTE, block);
            texture->valid = 1;
            glGetError();

            if (!addChild(texture->texList, &tile, (int32_t)sizeof tile)) fprintf(stderr, "Error adding texture child\n");
            if (reported) {
                textureVRAM += (int64_t)tile.width * tile.height * bytesPerPixel;
                numTexturesVRAM += 1;
            }
        }
    }
    glFree(block, blockBytes);
    glDisable(GL_TEXTURE_2D);

    texture->flags = flags;
    texture->format = format;
    texture->width = width;
    texture->height = height;
    if (firstName != -1) texture->textID = firstName;
    texture->references = 1;
    return 0;
}

int glTexture_unloadTexture(glTexture *texture)
{
    if (!texture || texture->references <= 0) return 0;
    texture->references--;
    if (texture->references == 0) private_releaseTiles(texture);
    return 1;
}

int glTexture_unloadTexture(int refNum) { return glTexture_unloadTexture(glTexture_getTextureRecord(refNum)); }

int glTexture_unloadTexture(const char *name)
{
    return glTexture_unloadTexture(glTexture_getTextureRecord(glTexture_getReference(name)));
}

int glTexture_deleteTexture(glTexture *texture)
{
    if (!texture) return 0;
    if (texture->references != 0) {
        fprintf(stderr, "Error: glTexture_deleteTexture() called on a texture which is still being referenced.  "
                        "Proceeding anyways...\n");
        while (texture->references > 0) glTexture_unloadTexture(texture);
    }
    private_releaseTiles(texture);
    glFree(texture->imageData, (uint32_t)texture->imageSize);
    glFree(texture->alphabetWidthArray, private_kWidthArrayBytes);
    texture->imageData = nullptr;
    texture->imageSize = 0;
    texture->alphabetWidthArray = nullptr;
    return 1;
}

int glTexture_deleteTexture(int refNum) { return glTexture_deleteTexture(glTexture_getTextureRecord(refNum)); }

int glTexture_deleteTexture(const char *name)
{
    return glTexture_deleteTexture(glTexture_getTextureRecord(glTexture_getReference(name)));
}

// ---- Lookups ----

glTexture *glTexture_getTextureRecord(int refNum)
{
    if (!textureStorage || refNum < 0) return nullptr;
    _treeNode *node = getChild(textureStorage, refNum);
    return node ? (glTexture *)node->data : nullptr;
}

static glTexture *private_loaded(int refNum)
{
    glTexture *texture = glTexture_getTextureRecord(refNum);
    return texture && texture->valid ? texture : nullptr;
}

int glTexture_getReference(const char *name)
{
    if (!textureStorage || !name) return -1;
    int number = 0;
    for (_treeNode *node = textureStorage->child; node; node = node->sibling, number++) {
        glTexture *texture = (glTexture *)node->data;
        if (texture && texture->name && strcmp(texture->name, name) == 0) return number;
    }
    return -1;
}

float *glTexture_getAlphabetWidthArray(int refNum)
{
    glTexture *texture = glTexture_getTextureRecord(refNum);
    return texture ? texture->alphabetWidthArray : nullptr;
}

int glTexture_getTextureDimensions(int refNum, int *width, int *height)
{
    glTexture *texture = private_loaded(refNum);
    if (!texture) return 0;
    if (width) *width = texture->width;
    if (height) *height = texture->height;
    return 1;
}

int glTexture_getDimensions(int refNum, int *width, int *height)
{
    glTexture_getTextureDimensions(refNum, width, height);
    return 0;
}

int glTexture_getOrigin(int refNum, int *x, int *y)
{
    glTexture *texture = private_loaded(refNum);
    if (texture) {
        if (x) *x = texture->origin_x;
        if (y) *y = texture->origin_y;
    }
    return 0;
}

int glTexture_setOrigin(int refNum, int x, int y)
{
    glTexture *texture = private_loaded(refNum);
    if (texture) {
        texture->origin_x = x;
        texture->origin_y = y;
        registryChanges++;
    }
    return 0;
}

int glTexture_centerOrigin(int refNum)
{
    glTexture *texture = private_loaded(refNum);
    if (texture) {
        texture->origin_x = texture->width / 2;
        texture->origin_y = texture->height / 2;
        registryChanges++;
    }
    return 0;
}

uint32_t glTexture_getTextureID(int refNum, int tile)
{
    glTexture *texture = private_loaded(refNum);
    if (!texture || !texture->texList) return 0xFFFFFFFFu;
    _treeNode *node = getChild(texture->texList, tile);
    if (!node || !node->data) return 0xFFFFFFFFu;
    return ((textureTile *)node->data)->texName;
}

int glTexture_setTexture(int refNum)
{
    uint32_t name = glTexture_getTextureID(refNum, 0);
    if (name != 0xFFFFFFFFu) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    return 0;
}

int glTexture_endTexture(int refNum)
{
    (void)refNum;
    glDisable(GL_TEXTURE_2D);
    return 0;
}

// ---- Settings, statistics and texts ----

uint32_t glTexture_changeCount(void) { return registryChanges; }

void glTexture_setTilingPreference(int preference) { gTextureTilePref = preference; }

int glTexture_VRAMUsed(void) { return private_clampToInt(textureVRAM); }

// Appends one line, cut so that the text never passes its buffer.
static void private_append(char *text, int length, const char *line)
{
    if (!text || length <= 0) return;
    size_t capacity = (size_t)length;
    size_t used = strnlen(text, capacity);
    if (used >= capacity) {
        text[capacity - 1] = '\0';
        return;
    }
    size_t room = capacity - 1 - used;
    size_t n = strlen(line);
    if (n > room) n = room;
    memcpy(text + used, line, n);
    text[used + n] = '\0';
}

void glTexture_describeTexture(int refNum, char *text, int length)
{
    glTexture *texture = glTexture_getTextureRecord(refNum);
    if (!texture) {
        if (text && length > 0) text[0] = '\0';
        private_append(text, length, "No such texture exists\n");
        return;
    }
    char line[256];
    snprintf(line, sizeof line, "%14s: (%d) %s\n", "Texture Name", refNum, texture->name ? texture->name : "");
    private_append(text, length, line);
    if (texture->format == GL_RGBA || texture->format == GL_RGB)
        snprintf(line, sizeof line, "%14s: %s\n", "Format", texture->format == GL_RGBA ? "RGBA" : "RGB");
    else
        snprintf(line, sizeof line, "%14s: Unknown Value\n", "Format");
    private_append(text, length, line);
    snprintf(line, sizeof line, "%14s: %d x %d\n", "Dimensions", texture->width, texture->height);
    private_append(text, length, line);
    snprintf(line, sizeof line, "%14s: (%d, %d)\n", "Origin", texture->origin_x, texture->origin_y);
    private_append(text, length, line);
    if (texture->texList) {
        int tiles = numberOfChildren(texture->texList);
        snprintf(line, sizeof line, "%14s: %d (%d x %d)\n", "Num Of Tiles", tiles, texture->tilesWide,
                 texture->tilesWide ? tiles / texture->tilesWide : 0);
        private_append(text, length, line);
        snprintf(line, sizeof line, "%14s: %d x %d\n", "Tile Size", texture->tileWidth, texture->tileHeight);
        private_append(text, length, line);
    }
    snprintf(line, sizeof line, "%14s: %d\n", "References", texture->references);
    private_append(text, length, line);
    private_append(text, length, " \n");
}

void glTexture_listTextures(char *text, int length)
{
    char line[256];
    int number = 0;
    for (_treeNode *node = textureStorage ? textureStorage->child : nullptr; node; node = node->sibling, number++) {
        glTexture *texture = (glTexture *)node->data;
        if (!texture) continue;
        snprintf(line, sizeof line, "(%d, %d) %s\n", number, texture->references, texture->name ? texture->name : "");
        private_append(text, length, line);
    }
    private_append(text, length, " \n");
}

void glTexture_textureInfo(char *text, int length)
{
    char line[256];
    snprintf(line, sizeof line, "   Textures In VRAM: %d\n", private_clampToInt(numTexturesVRAM));
    private_append(text, length, line);
    snprintf(line, sizeof line, "  Texture VRAM Used: %d\n", private_clampToInt(textureVRAM));
    private_append(text, length, line);
    snprintf(line, sizeof line, " Textures In Memory: %d\n", private_clampToInt(numTexturesMemory));
    private_append(text, length, line);
    snprintf(line, sizeof line, "Texture Memory Used: %d\n", private_clampToInt(textureMemory));
    private_append(text, length, line);
    // An empty registry divides zero by zero: the formatter prints its NaN.
    double wasted = ((double)textureVRAM - (double)textureMemory) / (double)textureVRAM * 100.0;
    snprintf(line, sizeof line, "        Wasted VRAM: %0.2f%%\n", wasted);
    private_append(text, length, line);
    private_append(text, length, " \n");
}

// ---- Screenshots ----

int glTexture_saveCurrentScreenToFile(int x, int y, int16_t width, int16_t height, FILE *file)
{
    if (!file) return 0;
    if (width < 0 || height < 0) {
        fprintf(stderr, "Error: cannot save a %d x %d part of the screen\n", width, height);
        return 0;
    }
    uint32_t size = (uint32_t)width * (uint32_t)height * 4;
    uint8_t *pixels = (uint8_t *)glMalloc(size);
    if (!pixels) return 0;
    // Rows of RGBA pixels are always 4-byte aligned, whatever the pack alignment.
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);

    uint8_t header[kTGAHeaderSize + kTGAInfoSize] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    header[12] = (uint8_t)(width & 0xFF);
    header[13] = (uint8_t)((width >> 8) & 0xFF);
    header[14] = (uint8_t)(height & 0xFF);
    header[15] = (uint8_t)((height >> 8) & 0xFF);
    header[16] = 32;
    header[17] = 0;
    for (uint32_t i = 0; i < size; i += 4) {
        uint8_t red = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = red;
    }
    int written = fwrite(header, 1, sizeof header, file) == sizeof header && fwrite(pixels, 1, size, file) == size;
    glFree(pixels, size);
    if (!written) fprintf(stderr, "Error: unable to write the screenshot\n");
    return written;
}
