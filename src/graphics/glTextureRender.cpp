// glTexture, drawing: lays the tiles of a texture out again as one textured
// quad per tile, optionally mirrored, and draws nine-region frames (speech
// bubbles) from a one-tile image. Immediate mode, in the current matrix; the
// whole texture can also go into the quad batch through a given matrix.

#include "graphics/glTexture.h"

// The mirror axes of a flipped value; 0 for values that draw nothing.
static int private_mirrors(int flipped, bool *mirrorX, bool *mirrorY)
{
    if (flipped == 0 || flipped == 1 || flipped == 2) {
        *mirrorX = flipped == 1;
        *mirrorY = flipped == 2;
    } else if ((flipped & 3) == 3) {
        *mirrorX = *mirrorY = true;
    } else {
        return 0;
    }
    return 1;
}

// Where one tile lands: its box in whole pixels and its texture corners.
struct private_tileQuad {
    int left, bottom, right, top;
    float s0, s1, t0, t1;
};

static void private_layTile(const glTexture *texture, const textureTile *tile, int column, int row, int boxX,
                            int boxY, bool mirrorX, bool mirrorY, private_tileQuad *out)
{
    out->s0 = tile->x1, out->s1 = tile->x2, out->t0 = tile->y1, out->t1 = tile->y2;
    if (mirrorX) {
        out->left = boxX + texture->width - column * texture->tileWidth - tile->width;
        out->s0 = tile->x2;
        out->s1 = tile->x1;
    } else {
        out->left = boxX + column * texture->tileWidth;
    }
    if (mirrorY) {
        out->bottom = boxY + texture->height - row * texture->tileHeight - tile->height;
        out->t0 = tile->y2;
        out->t1 = tile->y1;
    } else {
        out->bottom = boxY + row * texture->tileHeight;
    }
    out->right = out->left + tile->width;
    out->top = out->bottom + tile->height;
}

void glTexture_render(glTexture *texture, int x, int y, int flipped)
{
    if (!texture || !texture->valid || !texture->texList) return;
    bool mirrorX, mirrorY;
    if (!private_mirrors(flipped, &mirrorX, &mirrorY)) return;

    int boxX = x - texture->origin_x;
    int boxY = y - texture->origin_y;
    int column = 0, row = 0;
    glEnable(GL_TEXTURE_2D);
    for (_treeNode *node = texture->texList->child; node; node = node->sibling) {
        const textureTile *tile = (const textureTile *)node->data;
        if (!tile) continue;
        private_tileQuad q;
        private_layTile(texture, tile, column, row, boxX, boxY, mirrorX, mirrorY, &q);

        glBindTexture(GL_TEXTURE_2D, tile->texName);
        glBegin(GL_QUADS);
        glTexCoord2f(q.s0, q.t0);
        glVertex2i(q.left, q.bottom);
        glTexCoord2f(q.s1, q.t0);
        glVertex2i(q.right, q.bottom);
        glTexCoord2f(q.s1, q.t1);
        glVertex2i(q.right, q.top);
        glTexCoord2f(q.s0, q.t1);
        glVertex2i(q.left, q.top);
        glEnd();

        if (++column >= texture->tilesWide) {
            column = 0;
            row++;
        }
    }
    glDisable(GL_TEXTURE_2D);
}

void glTexture_render(int refNum, int x, int y, int flipped)
{
    glTexture_render(glTexture_getTextureRecord(refNum), x, y, flipped);
}

void glTexture_renderBatched(glTexture *texture, int x, int y, int flipped, const float matrix[16],
                             const quadBatchKey *state, const float color[4])
{
    if (!texture || !texture->valid || !texture->texList || !matrix || !state || !color) return;
    bool mirrorX, mirrorY;
    if (!private_mirrors(flipped, &mirrorX, &mirrorY)) return;

    int boxX = x - texture->origin_x;
    int boxY = y - texture->origin_y;
    int column = 0, row = 0;
    quadBatchKey key = *state;
    for (_treeNode *node = texture->texList->child; node; node = node->sibling) {
        const textureTile *tile = (const textureTile *)node->data;
        if (!tile) continue;
        private_tileQuad q;
        private_layTile(texture, tile, column, row, boxX, boxY, mirrorX, mirrorY, &q);
        key.texName = tile->texName;
        const float corners[4][2] = {{(float)q.left, (float)q.bottom},
                                     {(float)q.right, (float)q.bottom},
                                     {(float)q.right, (float)q.top},
                                     {(float)q.left, (float)q.top}};
        const float texCoords[4][2] = {{q.s0, q.t0}, {q.s1, q.t0}, {q.s1, q.t1}, {q.s0, q.t1}};
        glQuadBatch_addQuadThrough(matrix, &key, corners, texCoords, color);
        if (++column >= texture->tilesWide) {
            column = 0;
            row++;
        }
    }
}

void glTexture_renderBatched(int refNum, int x, int y, int flipped, const float matrix[16],
                             const quadBatchKey *state, const float color[4])
{
    glTexture_renderBatched(glTexture_getTextureRecord(refNum), x, y, flipped, matrix, state, color);
}

// One quad: screen box (x0, y0)-(x1, y1) showing image pixels (u0, v0)-(u1, v1)
// scaled by `scale` into texture coordinates.
static void private_region(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                           float scale)
{
    glTexCoord2f(u0 * scale, v0 * scale);
    glVertex2f(x0, y0);
    glTexCoord2f(u1 * scale, v0 * scale);
    glVertex2f(x1, y0);
    glTexCoord2f(u1 * scale, v1 * scale);
    glVertex2f(x1, y1);
    glTexCoord2f(u0 * scale, v1 * scale);
    glVertex2f(x0, y1);
}

void glTexture_render(glTexture *texture, ssRect rect, ssSize a, ssSize b, ssSize c, ssSize d)
{
    if (!texture || !texture->valid || !texture->texList || !texture->texList->child) return;
    const textureTile *tile = (const textureTile *)texture->texList->child->data;
    if (!tile || texture->height <= 0) return;

    // Image pixel positions over the image height give texture coordinates
    // (the image fills its one square tile).
    float W = (float)texture->width, H = (float)texture->height;
    float scale = 1.0f / H;
    float px = rect.point.x, py = rect.point.y;
    float right = px + rect.size.width, top = py + rect.size.height;
    float cw = a.width, ch = a.height;

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, tile->texName);
    glBegin(GL_QUADS);
    // Corners, each at its own size, showing the image corner on the same side.
    private_region(px, top - a.height, px + a.width, top, 0, H - a.height, a.width, H, scale);
    private_region(right - b.width, top - b.height, right, top, W - b.width, H - b.height, W, H, scale);
    private_region(right - c.width, py, right, py + c.height, W - c.width, 0, W, c.height, scale);
    private_region(px, py, px + d.width, py + d.height, 0, 0, d.width, d.height, scale);
    // Edges stretch between the corners, when the image leaves room for them.
    if (W - 2 * cw >= 0) private_region(px + cw, top - ch, right - cw, top, cw, H - ch, W - cw, H, scale);
    if (H - 2 * ch >= 0) private_region(right - cw, py + ch, right, top - ch, W - cw, ch, W, H - ch, scale);
    if (W - 2 * cw >= 0) private_region(px + cw, py, right - cw, py + ch, cw, 0, W - cw, ch, scale);
    if (H - 2 * ch >= 0) private_region(px, py + ch, px + cw, top - ch, 0, ch, cw, H - ch, scale);
    // Centre.
    private_region(px + cw, py + ch, right - cw, top - ch, cw, ch, W - cw, H - ch, scale);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void glTexture_render(int refNum, ssRect rect, ssSize a, ssSize b, ssSize c, ssSize d)
{
    glTexture_render(glTexture_getTextureRecord(refNum), rect, a, b, c, d);
}
