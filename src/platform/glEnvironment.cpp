// glEnvironment (window and modes): the one SDL window with its OpenGL context,
// windowed and full-screen modes, the cursor, message boxes and plain file access.
// Event translation lives in glEnvironmentEvents.cpp, the run loop in
// glEnvironmentLoop.cpp.

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "audio/glSound.h"
#include "graphics/glText.h"
#include "platform/glEnvironmentInternal.h"
#include "platform/glPresentation.h"

envState env;

static int windowsInited = 0;
static int firstCreation = 1;
static int pixelBits = 0;

void glEnvironment_setNonInteractive(int nonInteractive) { env.nonInteractive = nonInteractive; }

int glEnvironment_isNonInteractive(void) {
    if (env.nonInteractive) return 1;
    const char *flag = getenv("QUILLMERE_NONINTERACTIVE");
    if (flag && *flag && strcmp(flag, "0") != 0) return 1;
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver) driver = getenv("SDL_VIDEODRIVER");
    return driver && strcmp(driver, "offscreen") == 0;
}

int private_environmentMessageBox(const char *text, const char *caption, int kind, int defaultYes) {
    if (glEnvironment_isNonInteractive()) {
        fprintf(stderr, "%s: %s%s\n", caption, text,
                kind == kEnvBoxQuestion ? (defaultYes ? " [Yes]" : " [No]") : "");
        return defaultYes;
    }
    Uint32 flags = kind == kEnvBoxInformation ? SDL_MESSAGEBOX_INFORMATION
                   : kind == kEnvBoxExclamation ? SDL_MESSAGEBOX_WARNING
                   : kind == kEnvBoxStop        ? SDL_MESSAGEBOX_ERROR
                                                : SDL_MESSAGEBOX_INFORMATION;
    SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxButtonData ok[1] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"}};
    SDL_MessageBoxData box = {flags, nullptr, caption, text,
                              kind == kEnvBoxQuestion ? 2 : 1,
                              kind == kEnvBoxQuestion ? yesNo : ok, nullptr};
    int answer = defaultYes;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        fprintf(stderr, "%s: %s\n", caption, text);  // no message box available: the log has it
        return defaultYes;
    }
    return answer;
}

static void private_errorBox(const char *text) {
    private_environmentMessageBox(text, "ERROR", kEnvBoxExclamation, 1);
}

static void private_shutdownErrorBox(const char *text) {
    private_environmentMessageBox(text, "SHUTDOWN ERROR", kEnvBoxInformation, 1);
}

// The desktop size, clamped to at most 1024 x 768, for callers that pass 0.
static void private_defaultSize(int16_t *width, int16_t *height) {
    SDL_DisplayMode desktop;
    int w = 640, h = 480;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        w = desktop.w;
        h = desktop.h;
    }
    if (w > 1024) w = 1024;
    if (h > 768) h = 768;
    if (*width == 0 || *height == 0) {
        *width = (int16_t)w;
        *height = (int16_t)h;
    }
}

static int16_t private_desktopDepth(void) {
    SDL_DisplayMode desktop;
    int bits = 32;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && SDL_BITSPERPIXEL(desktop.format) > 0)
        bits = (int)SDL_BITSPERPIXEL(desktop.format);
    return (int16_t)bits;
}

// Whether the display lists a mode of exactly that size.
static int private_modeOffered(int width, int height) {
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; i++) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) return 1;
    }
    return 0;
}

// Ask for a full-screen display mode of the given size at the desktop's refresh rate.
// When the display offers no such mode (most flat panels), full screen keeps the
// desktop's own mode and the view is shown scaled (glPresentation).
static int private_requestDisplayMode(int width, int height, int bits) {
    if (!private_modeOffered(width, height))
        return SDL_SetWindowFullscreen(env.hWnd, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    SDL_DisplayMode desktop;
    SDL_DisplayMode mode = {0, width, height, 0, nullptr};
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        mode.format = desktop.format;
        mode.refresh_rate = desktop.refresh_rate;
    }
    (void)bits;
    if (SDL_SetWindowDisplayMode(env.hWnd, &mode) != 0) return 0;
    return SDL_SetWindowFullscreen(env.hWnd, SDL_WINDOW_FULLSCREEN) == 0;
}

static const char *kModeQuestion =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

static void private_setViewport(int width, int height) {
    if (env.hRC) glViewport(0, 0, width, height);
}

void KillGLWindow(void) {
    if (env.fullscreen && env.hWnd) SDL_SetWindowFullscreen(env.hWnd, 0);
    if (env.hRC) {
        KillFont();
        glPresentation_release();
        if (SDL_GL_MakeCurrent(env.hWnd, nullptr) != 0) private_shutdownErrorBox("Release Of DC And RC Failed.");
        SDL_GL_DeleteContext(env.hRC);
        env.hRC = nullptr;
    }
    if (env.hWnd) {
        SDL_DestroyWindow(env.hWnd);
        env.hWnd = nullptr;
    }
    env.shownCursor = nullptr;
}

bool CreateGLWindow(const char *title, int width, int height, int bits, bool fullscreenflag) {
    env.fullscreen = fullscreenflag ? 1 : 0;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        private_errorBox("Failed To Register The Window Class.");
        return false;
    }
    SDL_DisableScreenSaver();

    env.fs_w = (int16_t)width;
    env.fs_h = (int16_t)height;
    if (firstCreation) {
        pixelBits = bits;
        firstCreation = 0;
    }
    // Double buffered RGBA; no depth, alpha, stencil or accumulation buffer.
    // Nothing is drawn with depth testing, and without a depth buffer the
    // software renderer (Mesa llvmpipe) can draw textured rectangles on its
    // fast path, which takes a third less time for a frame of sprites.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    if (pixelBits > 0 && pixelBits <= 16) {
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    }

    // Resizable: a larger window shows the view scaled (glPresentation).
    env.hWnd = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (env.hWnd) SDL_SetWindowMinimumSize(env.hWnd, width, height);
    if (!env.hWnd) {
        fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        KillGLWindow();
        private_errorBox("Window Creation Error.");
        return false;
    }
    env.hRC = SDL_GL_CreateContext(env.hWnd);
    if (!env.hRC) {
        fprintf(stderr, "SDL GL context: %s\n", SDL_GetError());
        KillGLWindow();
        private_errorBox("Can't Create A GL Rendering Context.");
        return false;
    }
    if (SDL_GL_MakeCurrent(env.hWnd, env.hRC) != 0) {
        KillGLWindow();
        private_errorBox("Can't Activate The GL Rendering Context.");
        return false;
    }
    SDL_GL_SetSwapInterval(0);  // render as fast as the loop runs

    if (env.fullscreen && !private_requestDisplayMode(width, height, bits)) {
        if (private_environmentMessageBox(kModeQuestion, "Kiro GL", kEnvBoxQuestion, 1)) {
            env.fullscreen = 0;
        } else {
            private_environmentMessageBox("Program Will Now Close.", "ERROR", kEnvBoxStop, 1);
            KillGLWindow();
            return false;
        }
    }
    if (env.fullscreen) SDL_ShowWindow(env.hWnd);
    private_setViewport(width, height);
    BuildFont();
    return true;
}

// The invisible cursor: an all-transparent 16 x 16 mask.
static void private_initWindows(void) {
    if (windowsInited) return;
    windowsInited = 1;
    static const Uint8 emptyMask[32] = {0};
    env.blankCursor = SDL_CreateCursor(emptyMask, emptyMask, 16, 16, 0, 0);
    env.arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
}

int initFullscreen(const char *title, int16_t width, int16_t height, int16_t depth, int refresh, int windowed) {
    (void)refresh;
    env.windowedMode = windowed ? 1 : 0;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        private_defaultSize(&width, &height);
        if (depth == 0) depth = private_desktopDepth();
        if (depth == 8) depth = 16;
        env.defaultDepth = depth;
    }
    if (!CreateGLWindow(title, width, height, depth, !windowed)) {
        fprintf(stderr, "Error: Unable to create OpenGL Window!\n");
        env.quitFlag = 1;
        return 0;
    }
    if (!env.fullscreen) env.windowedMode = 1;
    private_initWindows();
    env.fullScreenInited = 1;
    glEnvironment_openGamepads();
    return 0;
}

int deleteFullscreen(void) {
    glEnvironment_closeGamepads();
    if (env.fullScreenInited || env.hWnd) {
        KillGLWindow();
        env.fullScreenInited = 0;
    }
    if (windowsInited) {
        if (env.blankCursor) SDL_FreeCursor(env.blankCursor);
        if (env.backupCursor) SDL_FreeCursor(env.backupCursor);
        if (env.arrowCursor) SDL_FreeCursor(env.arrowCursor);
        env.blankCursor = env.backupCursor = env.arrowCursor = nullptr;
        windowsInited = 0;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
}

void switchToWindow(int16_t width, int16_t height, int16_t depth, int refresh) {
    (void)refresh;
    if (env.windowedMode || !env.hWnd) return;
    env.windowedMode = 1;
    private_defaultSize(&width, &height);
    if (depth == 0) depth = env.defaultDepth;
    stopAllHazardousSounds();
    SDL_SetWindowFullscreen(env.hWnd, 0);
    SDL_SetWindowSize(env.hWnd, width, height);
    SDL_ShowWindow(env.hWnd);
    env.fs_w = width;
    env.fs_h = height;
    env.fullscreen = 0;
    private_setViewport(width, height);
    startAllHazardousSounds();
    resetGlobalUpdateTimer();
}

void switchToFullscreen(int16_t width, int16_t height, int16_t depth, int refresh) {
    (void)refresh;
    if (!env.windowedMode || !env.hWnd) return;
    env.windowedMode = 0;
    private_defaultSize(&width, &height);
    if (depth == 0) depth = private_desktopDepth();
    if (depth == 8) depth = 16;
    stopAllHazardousSounds();
    if (!private_requestDisplayMode(width, height, depth)) {
        env.windowedMode = 1;
        if (!private_environmentMessageBox(kModeQuestion, "Kiro GL", kEnvBoxQuestion, 1)) {
            private_environmentMessageBox("Program Will Now Close.", "ERROR", kEnvBoxStop, 1);
            env.quitFlag = 1;
        }
        startAllHazardousSounds();
        return;
    }
    SDL_ShowWindow(env.hWnd);
    // The game's view keeps the requested size; on the desktop's own mode the
    // screen is larger and shows it scaled.
    int w = width, h = height;
    bool desktopMode = (SDL_GetWindowFlags(env.hWnd) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (!desktopMode) SDL_GetWindowSize(env.hWnd, &w, &h);
    env.fs_w = (int16_t)w;
    env.fs_h = (int16_t)h;
    env.fullscreen = 1;
    env.fullScreenInited = 1;
    private_setViewport(w, h);
    startAllHazardousSounds();
    resetGlobalUpdateTimer();
}

int environmentInWindowedMode(void) { return env.windowedMode; }

int showWindow(void) {
    if (!env.windowedMode) return 1;
    if (env.hWnd) {
        SDL_ShowWindow(env.hWnd);
        SDL_RaiseWindow(env.hWnd);
    }
    return 0;
}

static void private_borders(int *top, int *left) {
    int bottom = 0, right = 0;
    *top = *left = 0;
    if (env.hWnd && SDL_GetWindowBordersSize(env.hWnd, top, left, &bottom, &right) != 0) *top = *left = 0;
}

// Window systems keep positions in 16 bits; a script's wild number is held
// to that range, so the border offsets and the mouse arithmetic stay in int.
static int private_windowCoordinate(int value) {
    const int limit = 32000;
    return value > limit ? limit : value < -limit ? -limit : value;
}

int moveWindow(int x, int y) {
    if (!env.windowedMode) return 1;
    if (env.hWnd) {
        int top, left;
        private_borders(&top, &left);
        SDL_SetWindowPosition(env.hWnd, private_windowCoordinate(x) + left, private_windowCoordinate(y) + top);
    }
    return 0;
}

int getWindowX(void) {
    int x = 0, y = 0, top, left;
    if (env.hWnd) SDL_GetWindowPosition(env.hWnd, &x, &y);
    private_borders(&top, &left);
    return x - left;
}

int getWindowY(void) {
    int x = 0, y = 0, top, left;
    if (env.hWnd) SDL_GetWindowPosition(env.hWnd, &x, &y);
    private_borders(&top, &left);
    return y - top;
}

int getWindowWidth(void) { return env.fs_w; }

int getWindowHeight(void) { return env.fs_h; }

ssRect *getEnvironmentBoundsReference(void) { return &env.environmentBounds; }

void hideScreen(void) {
    if (env.hWnd) SDL_MinimizeWindow(env.hWnd);
}

void hideApplication(void) {
    hideScreen();
    squelchAllSounds();
}

// Window translucency is not supported; scripts may still call these.
void fadeWindowToAlpha(float targetAlpha, float duration) { (void)targetAlpha, (void)duration; }
void setWindowAlpha(float alpha) { (void)alpha; }
void setWindowTransparency(int transparent) { (void)transparent; }

int getRendererInfo(char *buffer, size_t bufferSize) {
    const char *vendor = env.hRC ? (const char *)glGetString(GL_VENDOR) : nullptr;
    const char *renderer = env.hRC ? (const char *)glGetString(GL_RENDERER) : nullptr;
    snprintf(buffer, bufferSize, "%s\n%s\n", vendor ? vendor : "(no OpenGL context)",
             renderer ? renderer : "(no OpenGL context)");
    return 0;
}

// Cursor

static void private_setCursor(SDL_Cursor *cursor) {
    if (!cursor || !env.hWnd || cursor == env.shownCursor) return;
    SDL_SetCursor(cursor);
    env.shownCursor = cursor;
}

void private_windowToView(int windowX, int windowY, int *x, int *y) {
    int ww = env.fs_w, wh = env.fs_h, dw = env.fs_w, dh = env.fs_h;
    if (env.hWnd) {
        SDL_GetWindowSize(env.hWnd, &ww, &wh);
        SDL_GL_GetDrawableSize(env.hWnd, &dw, &dh);
    }
    glPresentation_windowToView(windowX, windowY, ww, wh, dw, dh, env.fs_w, env.fs_h, x, y);
}

void getMouse(int *x, int *y) {
    int gx = 0, gy = 0, wx = 0, wy = 0;
    if (env.hWnd && SDL_GetMouseFocus() == env.hWnd) {
        SDL_GetMouseState(&gx, &gy);
    } else {
        SDL_GetGlobalMouseState(&gx, &gy);
        if (env.hWnd) SDL_GetWindowPosition(env.hWnd, &wx, &wy);
        gx -= wx;
        gy -= wy;
    }
    private_windowToView(gx, gy, x, y);
}

void setMousePosition(int x, int y) {
    if (!env.hWnd) return;
    int ww = 0, wh = 0, dw = 0, dh = 0, wx = 0, wy = 0;
    SDL_GetWindowSize(env.hWnd, &ww, &wh);
    SDL_GL_GetDrawableSize(env.hWnd, &dw, &dh);
    glPresentation_viewToWindow(x, y, ww, wh, dw, dh, env.fs_w, env.fs_h, &wx, &wy);
    SDL_WarpMouseInWindow(env.hWnd, wx, wy);
}

void hideMouse(void) {
    if (env.blankCursor) private_setCursor(env.blankCursor);
}

void showMouse(void) { private_setCursor(env.arrowCursor); }

void disableMouseHiding(void) {
    if (env.blankCursor) env.backupCursor = env.blankCursor;
    env.blankCursor = nullptr;
    env.mouseHidingDisabled = 1;
    showMouse();
}

void enableMouseHiding(void) {
    if (env.backupCursor) env.blankCursor = env.backupCursor;
    env.backupCursor = nullptr;
    env.mouseHidingDisabled = 0;
}

// Non-zero while hiding is disabled, whether or not the driver could make the
// invisible cursor (the offscreen driver makes none).
int isMouseHiding(void) { return env.mouseHidingDisabled; }

int applicationIsInForeground(void) { return env.applicationInForeground; }

// Files

FILE *openFile(const char *fileName, const char *mode) { return fopen(fileName, mode); }

char *getFile(const char *fileName) {
    FILE *file = fopen(fileName, "r");
    if (!file) return nullptr;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0) size = ftell(file);
    if (size < 0 || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return nullptr;
    }
    char *buffer = (char *)malloc((size_t)size + 1);
    if (!buffer) {
        fclose(file);
        return nullptr;
    }
    size_t got = fread(buffer, 1, (size_t)size, file);
    buffer[got] = 0;
    fclose(file);
    return buffer;
}
