// glPresentation: showing the game's fixed view on a drawable of another size.
// The game always draws its view (640 x 480) into the lower-left corner of the
// back buffer, one pixel per unit. When the drawable is larger (a resized
// window, full screen on the desktop's own mode) the view is scaled by the
// largest whole number that fits, with nearest filtering, centred between
// black bars; a drawable smaller than the view gets the view shrunk to fit.
// Mouse positions go the other way, from the window to the view. Screenshots
// read the view before it is presented, so they stay 640 x 480.
#pragma once

// Where the view lands in the drawable, in drawable pixels (x, y from the
// lower-left corner), and the scale applied.
struct presentationLayout {
    int x, y, width, height;
    float scale;
};

presentationLayout glPresentation_layout(int viewWidth, int viewHeight, int drawableWidth, int drawableHeight);

// A window position (points, top-left origin, as the window system reports
// it) to view coordinates (lower-left origin). The window and the drawable may
// differ in size (high-density displays). Positions over the bars map outside
// the view, as positions outside the window always did.
void glPresentation_windowToView(int windowX, int windowY, int windowWidth, int windowHeight, int drawableWidth,
                                 int drawableHeight, int viewWidth, int viewHeight, int *viewX, int *viewY);

// The other way: a view position to the window position that maps back onto
// it (the middle of the view pixel when the view is scaled).
void glPresentation_viewToWindow(int viewX, int viewY, int windowWidth, int windowHeight, int drawableWidth,
                                 int drawableHeight, int viewWidth, int viewHeight, int *windowX, int *windowY);

// Scales the view drawn at the lower-left corner of the current back buffer
// into its place on the whole drawable and blacks out the rest; afterwards the
// viewport is the view again, ready for the next frame. Does nothing when the
// drawable is the view's size. Needs a current GL context.
void glPresentation_present(int viewWidth, int viewHeight, int drawableWidth, int drawableHeight);
// Releases the texture it copies the view into (before its context goes).
void glPresentation_release(void);
