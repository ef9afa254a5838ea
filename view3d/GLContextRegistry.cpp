#include "view3d/GLContextRegistry.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tsm::glctx {

struct ContextRecord {
    EGLContext egl = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE; // the pbuffer it draws into, of the binding's size
    int surfaceWidth = 0, surfaceHeight = 0;
    long serial = 0;
    int group = 0;
    Role role = Role::Renderer;
    Binding binding;
};

namespace {

struct DisplayState {
    bool tried = false;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    std::string platform;
    Failure failure = Failure::None;
    int maxSide = 0;
    std::string renderer;
};

DisplayState& State() {
    static DisplayState state;
    return state;
}

Failure& LastFailureSlot() {
    static Failure failure = Failure::None;
    return failure;
}

// Tests force each failure through TESSALY_GL_FAIL=display|config|context; nothing else reads it.
bool Forced(const char* what) {
    const char* value = std::getenv("TESSALY_GL_FAIL");
    return value && std::strcmp(value, what) == 0;
}

bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
        if ((at == list || at[-1] == ' ') && (at[n] == ' ' || at[n] == '\0')) return true;
    return false;
}

bool ChooseConfig(DisplayState& state) {
    // Pbuffers rather than framebuffer objects: the driver draws into them exactly as it drew into the
    // memory of the first off-screen layer (window-system orientation, the same rasterization), so the
    // pictures stay the same to the byte. Depth, stencil and alpha as that layer had them.
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_ALPHA_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 24,
                                 EGL_STENCIL_SIZE,
                                 8,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_NONE};
    EGLint count = 0;
    return eglChooseConfig(state.display, attributes, &state.config, 1, &count) && count > 0;
}

bool TryDisplay(DisplayState& state, EGLDisplay display, const char* platform) {
    if (display == EGL_NO_DISPLAY) return false;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return false;
    state.display = display;
    if (!eglBindAPI(EGL_OPENGL_API) || !ChooseConfig(state)) {
        state.failure = Failure::NoConfig;
        eglTerminate(display);
        state.display = EGL_NO_DISPLAY;
        return false;
    }
    state.platform = platform;
    return true;
}

void OpenDisplay(DisplayState& state) {
    state.tried = true;
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* wanted = std::getenv("TESSALY_GL");
    const bool software = wanted && std::strcmp(wanted, "software") == 0;
    if (!getPlatformDisplay) {
        state.failure = Failure::NoDisplay;
        return;
    }

    // A graphics card, when there is one and software was not asked for.
    if (!software && HasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        const auto queryDevices =
            reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
        const auto queryDeviceString =
            reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (queryDevices && queryDeviceString && queryDevices(16, devices, &count)) {
            for (EGLint i = 0; i < count; ++i) {
                if (HasExtension(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software"))
                    continue;
                if (TryDisplay(state, getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr),
                               "EGL device"))
                    return;
            }
        }
    }
    // Mesa's surfaceless platform runs with any of its drivers, the software one included.
    if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        if (software) setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        if (TryDisplay(state, getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                       "EGL surfaceless"))
            return;
    }
    if (state.failure == Failure::None) state.failure = Failure::NoDisplay;
}

DisplayState* Display() {
    DisplayState& state = State();
    if (!state.tried) OpenDisplay(state);
    return state.display == EGL_NO_DISPLAY ? nullptr : &state;
}

// In creation order, so that the first view surface is the share root. One user-interface thread only.
std::vector<std::unique_ptr<ContextRecord>>& Entries() {
    static std::vector<std::unique_ptr<ContextRecord>> entries;
    return entries;
}

ContextRecord* Find(Context context) {
    if (!context) return nullptr;
    for (const auto& entry : Entries())
        if (entry.get() == context) return entry.get();
    return nullptr;
}

int NewGroup() {
    static int next = 0;
    return ++next;
}

long NewSerial() {
    static long next = 0;
    return ++next;
}

void LearnLimits(DisplayState& state) {
    if (state.maxSide > 0) return;
    // EGL_MAX_PBUFFER_WIDTH is no guide: Mesa reports a nominal 4096 and makes far larger pbuffers. What
    // the rasterizer can address is what the GL limits say; a pbuffer that cannot be allocated fails on
    // its own.
    GLint renderbuffer = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    int side = std::min({kMaxSidePixels, int(viewport[0]), int(viewport[1])});
    if (renderbuffer > 0) side = std::min(side, int(renderbuffer));
    state.maxSide = side;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    state.renderer = std::string(renderer ? renderer : "unknown renderer") + ", OpenGL " +
                     (version ? version : "of unknown version") + ", " + state.platform;
}

void DestroySurface(DisplayState& state, ContextRecord& record) {
    if (record.surface == EGL_NO_SURFACE) return;
    if (eglGetCurrentSurface(EGL_DRAW) == record.surface)
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(state.display, record.surface);
    record.surface = EGL_NO_SURFACE;
    record.surfaceWidth = record.surfaceHeight = 0;
}

// The pbuffer the context draws into, made again when the size changes.
bool PrepareSurface(DisplayState& state, ContextRecord& record, int width, int height) {
    if (record.surface != EGL_NO_SURFACE && record.surfaceWidth == width && record.surfaceHeight == height)
        return true;
    DestroySurface(state, record);
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    record.surface = eglCreatePbufferSurface(state.display, state.config, size);
    if (record.surface == EGL_NO_SURFACE) return false;
    record.surfaceWidth = width;
    record.surfaceHeight = height;
    return true;
}

} // namespace

Context Create(Context shareWith, Role role) {
    LastFailureSlot() = Failure::None;
    DisplayState* state = Forced("display") || Forced("config") ? nullptr : Display();
    if (!state) {
        LastFailureSlot() = Forced("display")  ? Failure::NoDisplay
                            : Forced("config") ? Failure::NoConfig
                                               : State().failure;
        return nullptr;
    }
    const ContextRecord* share = Find(shareWith);
    auto record = std::make_unique<ContextRecord>();
    if (!Forced("context")) {
        eglBindAPI(EGL_OPENGL_API);
        // No attributes: the newest compatibility profile, where the GL 1.1 drawing and GLU work.
        record->egl =
            eglCreateContext(state->display, state->config, share ? share->egl : EGL_NO_CONTEXT, nullptr);
    }
    if (record->egl == EGL_NO_CONTEXT) {
        LastFailureSlot() = Failure::ContextRefused;
        return nullptr;
    }
    record->serial = NewSerial();
    record->group = share ? share->group : NewGroup();
    record->role = role;
    Entries().push_back(std::move(record));
    return Entries().back().get();
}

void Destroy(Context context) {
    ContextRecord* record = Find(context);
    if (!record) return;
    DisplayState& state = State();
    SavedCurrent previous;
    auto& entries = Entries();
    const auto it =
        std::find_if(entries.begin(), entries.end(), [record](const auto& e) { return e.get() == record; });
    std::unique_ptr<ContextRecord> owned = std::move(*it);
    entries.erase(it);
    // `previous` may be this very context: restoring it finds it gone and leaves none current.
    previous.Restore();
    if (eglGetCurrentContext() == owned->egl)
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(state.display, owned->egl);
    DestroySurface(state, *owned);
}

Failure LastFailure() {
    return LastFailureSlot();
}

std::string Describe(Failure failure) {
    switch (failure) {
    case Failure::None:
        return "no failure";
    case Failure::NoDisplay:
        return "no EGL display could be opened (neither a GPU device nor Mesa's surfaceless platform)";
    case Failure::NoConfig:
        return "the EGL display offers no configuration for desktop OpenGL with 8-bit colour";
    case Failure::ContextRefused:
        return "the EGL driver refused to create an OpenGL context";
    }
    return "unknown failure";
}

Context Current() {
    const EGLContext current = eglGetCurrentContext();
    if (current == EGL_NO_CONTEXT) return nullptr;
    for (const auto& entry : Entries())
        if (entry->egl == current) return entry.get();
    return nullptr;
}

bool IsRegistered(Context context) {
    return Find(context) != nullptr;
}

bool SameShareGroup(Context a, Context b) {
    const ContextRecord* ea = Find(a);
    const ContextRecord* eb = Find(b);
    return ea && eb && ea->group == eb->group;
}

int ShareGroupOf(Context context) {
    const ContextRecord* entry = Find(context);
    return entry ? entry->group : 0;
}

Context GroupMember(int group) {
    if (group == 0) return nullptr;
    for (const auto& entry : Entries())
        if (entry->group == group) return entry.get();
    return nullptr;
}

Context ShareRoot() {
    for (const auto& entry : Entries())
        if (entry->role == Role::ViewSurface) return entry.get();
    return nullptr;
}

bool Bind(Context context, const Binding& binding) {
    ContextRecord* record = Find(context);
    if (!record || binding.width < 1 || binding.height < 1 || binding.width > kMaxSidePixels ||
        binding.height > kMaxSidePixels)
        return false;
    DisplayState& state = State();
    if (state.maxSide > 0 && (binding.width > state.maxSide || binding.height > state.maxSide)) return false;
    // A surface of another size replaces the old one, which must not be current when it goes.
    const bool resized = record->surface == EGL_NO_SURFACE || record->surfaceWidth != binding.width ||
                         record->surfaceHeight != binding.height;
    if (resized && eglGetCurrentContext() == record->egl)
        eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (!PrepareSurface(state, *record, binding.width, binding.height)) return false;
    if (!eglMakeCurrent(state.display, record->surface, record->surface, record->egl)) return false;
    // With the GL entry points resolved to another library, calls go nowhere and draw nothing, silently.
    if (glGetString(GL_RENDERER) == nullptr) return false;
    LearnLimits(state);
    if (binding.width > state.maxSide || binding.height > state.maxSide) return false;
    record->binding = binding;
    return true;
}

bool BindRegistered(Context context) {
    const ContextRecord* entry = Find(context);
    return entry && Bind(context, entry->binding);
}

void ReadPixelsPacked(int width, int height, unsigned format, void* pixels) {
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_PACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(GL_PACK_SKIP_PIXELS, &skipPixels);
    // Rows bottom-up, padded to 4 bytes: the layout of our 24-bit buffers and of the 32-bit surfaces.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_PACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_PACK_SKIP_PIXELS, skipPixels);
}

void Finish() {
    ContextRecord* record = Current();
    if (!record) return;
    glFinish();
    const Binding& binding = record->binding;
    if (!binding.buffer || binding.width != record->surfaceWidth || binding.height != record->surfaceHeight)
        return;
    ReadPixelsPacked(binding.width, binding.height, GL_BGRA, binding.buffer);
    if (!binding.topDown) return;
    const size_t stride = size_t(binding.width) * 4;
    std::vector<uint8_t> row(stride);
    auto* bytes = static_cast<uint8_t*>(binding.buffer);
    for (int top = 0, bottom = binding.height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(row.data(), bytes + size_t(top) * stride, stride);
        std::memcpy(bytes + size_t(top) * stride, bytes + size_t(bottom) * stride, stride);
        std::memcpy(bytes + size_t(bottom) * stride, row.data(), stride);
    }
}

void Release() {
    if (eglGetCurrentContext() == EGL_NO_CONTEXT) return;
    eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

int MaxDrawSide() {
    DisplayState& state = State();
    if (state.maxSide > 0) return state.maxSide;
    SavedCurrent previous;
    const Context probe = Create(nullptr, Role::Renderer);
    if (!probe) return 0;
    Bind(probe, Binding{nullptr, 1, 1, false}); // learns the limits on the way
    Destroy(probe);
    return state.maxSide;
}

std::string RendererDescription() {
    if (MaxDrawSide() == 0) return "none: " + Describe(LastFailure());
    return State().renderer;
}

SavedCurrent::SavedCurrent() {
    const EGLContext current = eglGetCurrentContext();
    if (current == EGL_NO_CONTEXT) return;
    context_ = Current();
    if (context_) {
        serial_ = context_->serial;
        return;
    }
    foreign_[0] = eglGetCurrentDisplay();
    foreign_[1] = eglGetCurrentSurface(EGL_DRAW);
    foreign_[2] = eglGetCurrentSurface(EGL_READ);
    foreign_[3] = current;
}

void SavedCurrent::Restore() {
    if (restored_) return;
    restored_ = true;
    if (foreign_[3]) {
        eglMakeCurrent(foreign_[0], foreign_[1], foreign_[2], foreign_[3]);
        return;
    }
    if (!context_) {
        Release();
        return;
    }
    // A context of ours may have been destroyed meanwhile, or rebound to a new buffer by a resize.
    const ContextRecord* record = Find(context_);
    if (record && record->serial == serial_ && Current() == context_) return;
    const bool bound = record && record->serial == serial_ && BindRegistered(context_);
    if (!bound) Release();
}

} // namespace tsm::glctx
