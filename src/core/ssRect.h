// Float rectangles, sizes and points in window coordinates (lower-left origin),
// used for bounds, scissor boxes and gradient bands.
#pragma once

struct ssSize {
    float width, height;
};

struct ssPoint {
    float x, y;
};

struct ssRect {
    ssSize size;
    ssPoint point;
};
