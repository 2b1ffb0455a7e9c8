// glObject: OBJ models (see glObject.h). A model is a list (tree) of group
// records; the parser builds one group at a time with growing arrays and
// trims them to size when the group is finished.
#include "graphics/glObject.h"

#include <GL/gl.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"

// Lines longer than this are read up to here.
static const int kMaxLineLength = 255;
// More entries than this in one array are not read (a hostile file could
// otherwise ask for gigabytes).
static const int32_t kMaxEntries = 1 << 22;

// ---- Growing arrays (tracked memory) ----

// A group being read, with the capacity of each of its arrays.
struct private_groupBuilder {
    object group;
    int32_t vertexCapacity, textureCapacity, indexCapacity;
};

template <typename T>
static bool private_append(T *&array, int32_t &size, int32_t &capacity, const T &value) {
    if (size >= kMaxEntries) return false;
    if (size == capacity) {
        int32_t grown = capacity ? capacity * 2 : 16;
        if (grown > kMaxEntries) grown = kMaxEntries;
        T *bigger = (T *)glRealloc((uint32_t)(capacity * sizeof(T)), (uint32_t)(grown * sizeof(T)), array);
        if (!bigger) return false;
        array = bigger;
        capacity = grown;
    }
    array[size++] = value;
    return true;
}

template <typename T>
static void private_trim(T *&array, int32_t size, int32_t capacity) {
    if (size == capacity) return;
    if (size == 0) {
        glFree(array, (uint32_t)(capacity * sizeof(T)));
        array = nullptr;
        return;
    }
    T *exact = (T *)glRealloc((uint32_t)(capacity * sizeof(T)), (uint32_t)(size * sizeof(T)), array);
    // Shrinking only fails when no memory is left at all; the block is then kept
    // (and the tracked total is off by the difference).
    if (exact) array = exact;
}

static void private_freeGroup(object *group) {
    glFree(group->vertexArray, (uint32_t)(group->vertexArraySize * sizeof(fPoint)));
    glFree(group->textureArray, (uint32_t)(group->textureArraySize * sizeof(tPoint)));
    glFree(group->normalArray, (uint32_t)(group->normalArraySize * sizeof(fPoint)));
    glFree(group->colorArray, (uint32_t)(group->colorArraySize * sizeof(cPoint)));
    glFree(group->indexArray, (uint32_t)(group->indexArraySize * sizeof(indexRef)));
    if (group->listID) glDeleteLists((GLuint)group->listID, 1);
    memset(group, 0, sizeof *group);
}

static void private_startGroup(private_groupBuilder *builder, const char *name, size_t nameLength) {
    memset(builder, 0, sizeof *builder);
    builder->group.texture = -1;
    builder->group.spheremap = -1;
    if (nameLength > sizeof builder->group.name - 1) nameLength = sizeof builder->group.name - 1;
    memcpy(builder->group.name, name, nameLength);
}

static void private_discardGroup(private_groupBuilder *builder) {
    object *g = &builder->group;
    glFree(g->vertexArray, (uint32_t)(builder->vertexCapacity * sizeof(fPoint)));
    glFree(g->textureArray, (uint32_t)(builder->textureCapacity * sizeof(tPoint)));
    glFree(g->indexArray, (uint32_t)(builder->indexCapacity * sizeof(indexRef)));
    memset(builder, 0, sizeof *builder);
}

// Drops the faces that would make drawing or the normals read outside the
// arrays; returns how many.
static int private_dropBadFaces(object *g) {
    int dropped = 0;
    int32_t kept = 0;
    for (int32_t i = 0; i < g->indexArraySize;) {
        int32_t n = g->indexArray[i].n;
        if (n < 1 || n > g->indexArraySize - i) n = g->indexArraySize - i;  // cannot happen; keeps the walk bounded
        bool good = g->indexArray[i].n >= 3;
        for (int32_t c = 0; c < n && good; c++) {
            const indexRef &corner = g->indexArray[i + c];
            if (corner.v < 0 || corner.v >= g->vertexArraySize) good = false;
            if (g->textureArraySize > 0 && (corner.vt < 0 || corner.vt >= g->textureArraySize)) good = false;
        }
        if (good) {
            memmove(&g->indexArray[kept], &g->indexArray[i], (size_t)n * sizeof(indexRef));
            kept += n;
        } else {
            dropped++;
        }
        i += n;
    }
    g->indexArraySize = kept;
    return dropped;
}

// ---- glObject ----

glObject::glObject() : objectList(nullptr), defineList(1), valid(0) { construct(); }

glObject::~glObject() { destruct(); }

void glObject::construct() {
    if (!objectList) objectList = createTree();
    defineList = 1;
}

static void private_freeGroupVisitor(_treeNode *node, int depth) {
    if (depth == 1 && node->data) private_freeGroup((object *)node->data);
}

void glObject::destruct() {
    if (objectList) {
        mapTree_DFS(objectList, private_freeGroupVisitor, 0);
        destructTree(objectList);
        objectList = nullptr;
    }
    valid = 0;
}

int glObject::numberOfGroups() const { return objectList ? numberOfChildren(objectList) : 0; }

const object *glObject::group(int index) const {
    if (!objectList || index < 0) return nullptr;
    _treeNode *node = getChild(objectList, index);
    return node ? (const object *)node->data : nullptr;
}

void glObject::createNormalAndColorArrays(object *g) {
    int32_t count = g->vertexArraySize;
    g->colorArray = count ? (cPoint *)glMalloc((uint32_t)(count * sizeof(cPoint))) : nullptr;
    g->normalArray = count ? (fPoint *)glMalloc((uint32_t)(count * sizeof(fPoint))) : nullptr;
    float *weight = count ? (float *)glMalloc((uint32_t)(count * sizeof(float))) : nullptr;
    if (count && (!g->colorArray || !g->normalArray || !weight)) {
        glFree(g->colorArray, (uint32_t)(count * sizeof(cPoint)));
        glFree(g->normalArray, (uint32_t)(count * sizeof(fPoint)));
        glFree(weight, (uint32_t)(count * sizeof(float)));
        g->colorArray = nullptr;
        g->normalArray = nullptr;
        g->colorArraySize = g->normalArraySize = 0;
        return;
    }
    g->colorArraySize = g->normalArraySize = count;
    for (int32_t i = 0; i < count; i++) g->colorArray[i] = {1.0f, 1.0f, 1.0f};
    for (int32_t i = 0; i < g->indexArraySize; i += g->indexArray[i].n) {
        const indexRef *face = &g->indexArray[i];
        const fPoint &p0 = g->vertexArray[face[0].v], &p1 = g->vertexArray[face[1].v], &p2 = g->vertexArray[face[2].v];
        float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
        float bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
        fPoint n = {ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
        float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (length != 0.0f) n = {n.x / length, n.y / length, n.z / length};
        int corners = face[0].n == 4 ? 4 : 3;
        for (int c = 0; c < corners; c++) {
            fPoint &sum = g->normalArray[face[c].v];
            sum.x += n.x;
            sum.y += n.y;
            sum.z += n.z;
            weight[face[c].v] += 1.0f;
        }
    }
    // Averaged and reversed: drawing sends the corners in reverse order.
    for (int32_t i = 0; i < count; i++) {
        float scale = weight[i] != 0.0f ? -1.0f / weight[i] : 0.0f;
        g->normalArray[i] = {g->normalArray[i].x * scale, g->normalArray[i].y * scale, g->normalArray[i].z * scale};
    }
    glFree(weight, (uint32_t)(count * sizeof(float)));
}

// ---- Parsing ----

struct private_parse {
    _treeNode *list;
    private_groupBuilder current;
    int64_t vOffset, vtOffset;
    int droppedFaces;
    bool full;  // an array reached its limit: the rest was not read
};

// Finishes the current group and appends it when it has a face corner.
static void private_finishGroup(private_parse *p) {
    private_groupBuilder *b = &p->current;
    object *g = &b->group;
    if (g->indexArraySize == 0) {
        private_discardGroup(b);
        return;
    }
    int32_t positions = g->vertexArraySize, coordinates = g->textureArraySize;
    private_trim(g->vertexArray, g->vertexArraySize, b->vertexCapacity);
    private_trim(g->textureArray, g->textureArraySize, b->textureCapacity);
    p->droppedFaces += private_dropBadFaces(g);
    private_trim(g->indexArray, g->indexArraySize, b->indexCapacity);
    p->vOffset += positions;
    p->vtOffset += coordinates;
    if (g->indexArraySize == 0) {
        private_freeGroup(g);
        memset(b, 0, sizeof *b);
        return;
    }
    glObject::createNormalAndColorArrays(g);
    addChild(p->list, g, sizeof *g);
    memset(b, 0, sizeof *b);
}

static bool private_isBlank(char c) { return c == ' ' || c == '\t'; }

// The three floats of a "v" or "vt" line (missing ones are 0).
static void private_readFloats(const char *text, const char *end, float out[3]) {
    char buffer[kMaxLineLength + 1];
    size_t length = (size_t)(end - text);
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    char *cursor = buffer;
    for (int i = 0; i < 3; i++) {
        char *next = cursor;
        out[i] = strtof(cursor, &next);
        if (next == cursor) out[i] = 0.0f;
        cursor = next;
    }
}

// One number of a corner word; an empty one counts as 1. Results outside
// int32 are clamped (the face is then dropped as out of range).
static int64_t private_cornerNumber(const char *start, const char *end) {
    if (start == end) return 1;
    char buffer[32];
    size_t length = (size_t)(end - start);
    if (length >= sizeof buffer) length = sizeof buffer - 1;
    memcpy(buffer, start, length);
    buffer[length] = '\0';
    long long value = strtoll(buffer, nullptr, 10);
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return value;
}

static int32_t private_local(int64_t oneBased, int64_t offset) {
    int64_t local = oneBased - 1 - offset;
    if (local > INT32_MAX || local < INT32_MIN) return -1;
    return (int32_t)local;
}

static void private_readFace(private_parse *p, const char *text, const char *end) {
    // Count the corner words first: every corner carries the face's size.
    int corners = 0;
    for (const char *c = text; c < end;) {
        while (c < end && private_isBlank(*c)) c++;
        if (c == end) break;
        corners++;
        while (c < end && !private_isBlank(*c)) c++;
    }
    object *g = &p->current.group;
    for (const char *c = text; c < end;) {
        while (c < end && private_isBlank(*c)) c++;
        if (c == end) break;
        const char *word = c;
        while (c < end && !private_isBlank(*c)) c++;
        const char *slash[2] = {nullptr, nullptr};
        int slashes = 0;
        for (const char *s = word; s < c; s++)
            if (*s == '/') {
                if (slashes < 2) slash[slashes] = s;
                slashes++;
            }
        int64_t v = 1, vt = 1, vn = 1;
        if (slashes == 0) {
            v = private_cornerNumber(word, c);
        } else if (slashes == 1) {
            v = private_cornerNumber(word, slash[0]);
            vt = private_cornerNumber(slash[0] + 1, c);
        } else if (slash[1] == slash[0] + 1) {  // v//vn
            v = private_cornerNumber(word, slash[0]);
            vn = private_cornerNumber(slash[1] + 1, c);
        } else {
            v = private_cornerNumber(word, slash[0]);
            vt = private_cornerNumber(slash[0] + 1, slash[1]);
            vn = private_cornerNumber(slash[1] + 1, c);
        }
        indexRef corner = {private_local(v, p->vOffset), private_local(vt, p->vtOffset), private_local(vn, 0), corners};
        if (!private_append(g->indexArray, g->indexArraySize, p->current.indexCapacity, corner)) {
            p->full = true;  // the caller takes back the corners of this face already appended
            return;
        }
    }
}

static void private_readLine(private_parse *p, const char *line, size_t length) {
    if (length > (size_t)kMaxLineLength) length = kMaxLineLength;
    const char *start = line, *end = line + length;
    while (start < end && private_isBlank(*start)) start++;
    while (end > start && private_isBlank(end[-1])) end--;
    if (start == end) return;
    const char *keywordEnd = start;
    while (keywordEnd < end && !private_isBlank(*keywordEnd)) keywordEnd++;
    size_t keywordLength = (size_t)(keywordEnd - start);
    const char *rest = keywordEnd;
    object *g = &p->current.group;
    if (keywordLength == 1 && start[0] == 'v') {
        float f[3];
        private_readFloats(rest, end, f);
        if (!private_append(g->vertexArray, g->vertexArraySize, p->current.vertexCapacity, fPoint{f[0], f[1], f[2]}))
            p->full = true;
    } else if (keywordLength == 2 && start[0] == 'v' && start[1] == 't') {
        float f[3];
        private_readFloats(rest, end, f);
        if (!private_append(g->textureArray, g->textureArraySize, p->current.textureCapacity, tPoint{f[0], f[1], f[2]}))
            p->full = true;
    } else if (keywordLength == 1 && start[0] == 'f') {
        int32_t before = g->indexArraySize;
        private_readFace(p, rest, end);
        if (p->full) g->indexArraySize = before;  // a face is read whole or not at all
    } else if (keywordLength == 1 && start[0] == 'g') {
        private_finishGroup(p);
        const char *name = rest;
        while (name < end && private_isBlank(*name)) name++;
        const char *nameEnd = name;
        while (nameEnd < end && !private_isBlank(*nameEnd)) nameEnd++;
        private_startGroup(&p->current, name, (size_t)(nameEnd - name));
    }
}

int glObject::createObjectFromData(const char *text, const char *where) {
    construct();
    private_parse p;
    memset(&p, 0, sizeof p);
    p.list = objectList;
    private_startGroup(&p.current, "", 0);
    const char *cursor = text ? text : "";
    while (*cursor && !p.full) {
        const char *lineEnd = cursor;
        while (*lineEnd && *lineEnd != '\n' && *lineEnd != '\r') lineEnd++;
        private_readLine(&p, cursor, (size_t)(lineEnd - cursor));
        cursor = lineEnd;
        while (*cursor == '\n' || *cursor == '\r') cursor++;
    }
    private_finishGroup(&p);
    if (p.full)
        fprintf(stderr, "Warning: OBJ model %s has more than %d entries in an array; the rest was not read\n",
                where ? where : "(text)", (int)kMaxEntries);
    if (p.droppedFaces)
        fprintf(stderr,
                "Warning: OBJ model %s: %d faces skipped (fewer than three corners, or corners naming positions "
                "or texture coordinates the group does not have)\n",
                where ? where : "(text)", p.droppedFaces);
    valid = 1;
    return 1;
}

int glObject::createObjectFromFile(const char *fileName) {
    FILE *file = fileName ? fopen(fileName, "rb") : nullptr;
    if (!file) {
        fprintf(stderr, "Cannot find Obj file \"%s\" to load\n", fileName ? fileName : "");
        return 0;
    }
    size_t capacity = 1 << 16, length = 0;
    char *buffer = (char *)malloc(capacity);
    size_t got;
    while (buffer && (got = fread(buffer + length, 1, capacity - length - 1, file)) > 0) {
        length += got;
        if (length + 1 == capacity) {
            char *bigger = (char *)realloc(buffer, capacity * 2);
            if (!bigger) {
                free(buffer);
                buffer = nullptr;
                break;
            }
            buffer = bigger;
            capacity *= 2;
        }
    }
    fclose(file);
    if (!buffer) {
        fprintf(stderr, "Cannot find Obj file \"%s\" to load\n", fileName);
        return 0;
    }
    buffer[length] = '\0';
    // A zero byte inside the file ends the text there, as it would end a line reader.
    int result = createObjectFromData(buffer, fileName);
    free(buffer);
    return result;
}

// ---- Textures and drawing ----

static int64_t private_textureName(int64_t name) {
    return (name < 0 || name >= 0xFFFFFFFFll) ? -1 : name;
}

void glObject::setTexture(int index, int64_t textureName) {
    _treeNode *node = (objectList && index >= 0) ? getChild(objectList, index) : nullptr;
    if (node && node->data) ((object *)node->data)->texture = private_textureName(textureName);
}

void glObject::setTextures(int64_t textureName) {
    for (int i = 0; i < numberOfGroups(); i++) setTexture(i, textureName);
}

void glObject::draw(int mask) {
    for (int i = 0; i < numberOfGroups(); i++) draw(i, mask);
}

static GLenum private_primitive(int corners) {
    if (corners == 3) return GL_TRIANGLES;
    if (corners == 4) return GL_QUADS;
    return GL_POLYGON;
}

void glObject::draw(int index, int mask) {
    _treeNode *node = (objectList && index >= 0) ? getChild(objectList, index) : nullptr;
    object *g = node ? (object *)node->data : nullptr;
    if (!g) return;
    if (!g->listID) defineList = 1;
    bool textured = (mask & kObjectDraw_Texture) && g->texture != -1;
    bool sphereMapped = textured && g->textureArraySize == 0;
    if (sphereMapped) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_2D);
        // Nothing sets a sphere map: such a group shows its own texture.
        glBindTexture(GL_TEXTURE_2D, (GLuint)(g->spheremap != -1 ? g->spheremap : g->texture));
    } else if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, (GLuint)g->texture);
    }
    if (!defineList) {
        glCallList((GLuint)g->listID);
    } else {
        defineList = 0;
        GLuint list = glGenLists(1);
        g->listID = (int32_t)list;
        if (list) glNewList(list, GL_COMPILE_AND_EXECUTE);
        int open = 0;
        for (int32_t i = 0; i < g->indexArraySize; i += g->indexArray[i].n) {
            const indexRef *face = &g->indexArray[i];
            int corners = face[0].n;
            if (corners != open) {
                if (open) glEnd();
                glBegin(private_primitive(corners));
                open = corners;
            }
            for (int c = corners - 1; c >= 0; c--) {
                const indexRef &corner = face[c];
                if ((mask & kObjectDraw_Colors) && g->colorArray) glColor3fv(&g->colorArray[corner.v].r);
                if ((mask & kObjectDraw_Texture) && g->textureArraySize > 0) glTexCoord3fv(&g->textureArray[corner.vt].u);
                if ((mask & kObjectDraw_Normals) && g->normalArray) glNormal3fv(&g->normalArray[corner.v].x);
                glVertex3fv(&g->vertexArray[corner.v].x);
            }
        }
        if (open) glEnd();
        if (list) glEndList();
    }
    if (mask & kObjectDraw_Texture) {
        glDisable(GL_TEXTURE_2D);
        if (sphereMapped) {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
        }
    }
}
