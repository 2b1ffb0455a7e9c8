// glTexture, drawing: lays the tiles of a texture out again as one textured
// quad per tile, optionally mirrored, and draws nine-region frames (speech
// bubbles) from a one-tile image. Immediate mode, in the current matrix.

#include "graphics/glTexture.h"

void glTexture_render(glTexture *texture, int x, int y, int flipped)
{
    if (!texture || !texture->valid || !texture->texList) return;
    bool mirrorX, mirrorY;
    if (flipped == 0 || flipped == 1 || flipped == 2) {
        mirrorX = flipped == 1;
        mirrorY = flipped == 2;
    } else if ((flipped & 3) == 3) {
        mirrorX = mirrorY = true;
    } else {
        return;
    }

    int boxX = x - texture->origin_x;
    int boxY = y - texture->origin_y;
    int column = 0, row = 0;
    glEnable(GL_TEXTURE_2D);
    for (_treeNode *node = texture->texList->child; node; node = node->sibling) {
        const textureTile *tile = (const textureTile *)node->data;
        if (!tile) continue;
        int left, bottom;
        float s0 = tile->x1, s1 = tile->x2, t0 = tile->y1, t1 = tile->y2;
        if (mirrorX) {
            left = boxX + texture->width - column * texture->tileWidth - tile->width;
            s0 = tile->x2;
            s1 = tile->x1;
        } else {
            left = boxX + column * texture->tileWidth;
        }
        if (mirrorY) {
            bottom = boxY + texture->height - row * texture->tileHeight - tile->height;
            t0 = tile->y2;
            t1 = tile->y1;
        } else {
            bottom = boxY + row * texture->tileHeight;
        }
        int right = left + tile->width, top = bottom + tile->height;

        glBindTexture(GL_TEXTURE_2D, tile->texName);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t0);
        glVertex2i(left, bottom);
        glTexCoord2f(s1, t0);
        glVertex2i(right, bottom);
        glTexCoord2f(s1, t1);
        glVertex2i(right, top);
        glTexCoord2f(s0, t1);
        glVertex2i(left, top);
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
