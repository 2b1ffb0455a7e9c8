// glObject: small 3-D models read from Wavefront OBJ text (a file, or text
// kept in a sprite definition) and drawn on sprites. Only "v", "vt", "f" and
// "g" lines are read; each group becomes one `object` with its own arrays,
// per-vertex normals computed at load and a display list compiled the first
// time it is drawn. It does not read materials, normals of the file or
// anything else OBJ can say.
//
// Faces that name positions or texture coordinates the group does not have,
// or that have fewer than three corners, are dropped when their group is
// finished (one log line per model says how many), so drawing never reads
// outside the arrays.
#pragma once

#include <cstdint>

#include "core/tree.h"

struct fPoint {
    float x, y, z;
};
struct tPoint {
    float u, v, w;
};
struct cPoint {
    float r, g, b;
};

// One face corner: zero-based indexes into its group's arrays, and the
// number of corners of its face (the same on every corner of the face).
struct indexRef {
    int32_t v, vt, vn, n;
};

// One group of a model; its arrays are tracked memory.
struct object {
    fPoint *vertexArray;
    int32_t vertexArraySize;
    tPoint *textureArray;
    int32_t textureArraySize;
    fPoint *normalArray;  // one per position
    int32_t normalArraySize;
    cPoint *colorArray;  // one per position, all white
    int32_t colorArraySize;
    indexRef *indexArray;  // face corners in file order
    int32_t indexArraySize;
    // OpenGL texture names; -1 is none. Wider than a GL name so that "none"
    // can never be mistaken for one.
    int64_t texture;
    int64_t spheremap;
    char name[32];
    int32_t listID;  // 0 until compiled
    int32_t numberOfSurfaces;
};

// Draw mask bits.
enum {
    kObjectDraw_Colors = 1,
    kObjectDraw_Texture = 2,
    kObjectDraw_Normals = 4
};

class glObject {
  public:
    glObject();
    ~glObject();

    void construct();
    // Releases every group (arrays and display lists); the model is invalid.
    void destruct();
    int isValid() const { return valid; }

    // 1 on success; 0 with "Cannot find Obj file \"%s\" to load\n" when the
    // file cannot be read.
    int createObjectFromFile(const char *fileName);
    // Parses OBJ text (the text is not changed); always 1. `where` names the
    // text in log lines (a file name or a sprite type); may be null.
    int createObjectFromData(const char *text, const char *where = nullptr);

    // A name that is no texture (negative, or 0xFFFFFFFF as the texture
    // registry answers for a missing texture) is stored as -1.
    void setTexture(int group, int64_t textureName);
    void setTextures(int64_t textureName);

    void draw(int mask);
    void draw(int group, int mask);

    int numberOfGroups() const;
    // The group's record, or null.
    const object *group(int index) const;

    static void createNormalAndColorArrays(object *group);

  private:
    _treeNode *objectList;
    int32_t defineList;
    int32_t valid;

    glObject(const glObject &) = delete;
    glObject &operator=(const glObject &) = delete;
};
