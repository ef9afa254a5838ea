// The GL contexts this program creates, on EGL with no window and no display server, and what each draws
// into.
//
// Every context draws into a pbuffer of its own, sized to the buffer it is bound to; Finish copies the
// pixels into that buffer. The display is chosen once per process: a hardware device through
// EGL_EXT_platform_device when there is one, Mesa's surfaceless platform otherwise. TESSALY_GL=software
// forces the software rasterizer (llvmpipe), which every reference picture was drawn with.
//
// The registry keeps the share groups: contexts created with another as share context see its textures
// and display lists, and a texture outlives the context that made it as long as one member of its group
// lives.
#pragma once

#include <string>

namespace tsm::glctx {

struct ContextRecord;
using Context = ContextRecord*;

// Where a context draws. Bottom-up rows are GL's order; view surfaces store rows top-down so that the
// buffer can be painted as a QImage. A null buffer keeps the pixels in GL until the caller reads them.
struct Binding {
    void* buffer = nullptr; // 4 bytes per pixel, BGRA
    int width = 0;
    int height = 0;
    bool topDown = false;
};

enum class Role { ViewSurface, Renderer };

// Why no context could be made. Failures are kept per process so that callers can say why.
enum class Failure { None, NoDisplay, NoConfig, ContextRefused };

// The largest side any bitmap of this program has; the driver's own limit may be lower (MaxDrawSide).
constexpr int kMaxSidePixels = 16384;

// A new context sharing with `shareWith` (null for a group of its own), registered; null on failure,
// with LastFailure saying why. Nothing is made current.
Context Create(Context shareWith, Role role);
// Deletes what the context made for itself and the context; what it shares lives on while a member of its
// share group does. Whatever else was current stays current.
void Destroy(Context context);
Failure LastFailure();
// The reason in words, for tools and logs.
std::string Describe(Failure failure);

// The context current on this thread when it is one of ours, else null.
Context Current();
bool IsRegistered(Context context);
// True when both contexts live and see the same textures and display lists.
bool SameShareGroup(Context a, Context b);
// The share group of a registered context, 0 for any other. Numbers are never given twice, so a group
// whose contexts have all gone is not mistaken for a later one that reuses their addresses.
int ShareGroupOf(Context context);
// A living context of the group, the oldest; null once the last has gone, taking the group's objects.
Context GroupMember(int group);
// The share context for a new context: the oldest living view surface context, or null. The first view
// surface created is the root of the group; when it goes, the next oldest takes its place, and the
// driver keeps the shared objects alive for the remaining members.
Context ShareRoot();

// Makes `context` current drawing into a pbuffer of the binding's size and remembers the binding.
// Fails when the driver refuses, when the size exceeds what it draws, or when no renderer answers.
bool Bind(Context context, const Binding& binding);
// Binds a registered context to the buffer it was last given.
bool BindRegistered(Context context);
// Reads the current target's pixels into `pixels` (rows bottom-up, padded to 4 bytes) whatever pack
// state the drawing left, and puts that state back.
void ReadPixelsPacked(int width, int height, unsigned format, void* pixels);
// Waits for the current context's drawing and copies it into its binding's buffer, if it has one.
void Finish();
// Leaves no context current.
void Release();

// The largest side the driver draws (GL_MAX_RENDERBUFFER_SIZE, GL_MAX_VIEWPORT_DIMS), at most
// kMaxSidePixels; 0 when no context can be made.
int MaxDrawSide();
// "renderer, OpenGL version, platform", or why there is none.
std::string RendererDescription();

// Remembers the current context; Restore (or destruction) makes it current again, or makes none current
// when none was or the context has been destroyed since.
class SavedCurrent {
public:
    SavedCurrent();
    ~SavedCurrent() { Restore(); }
    SavedCurrent(const SavedCurrent&) = delete;
    SavedCurrent& operator=(const SavedCurrent&) = delete;
    void Restore();
    Context Saved() const { return context_; }

private:
    Context context_ = nullptr;
    long serial_ = 0; // tells a destroyed context from a later one at the same address
    void* foreign_[4] = {};
    bool restored_ = false;
};

} // namespace tsm::glctx
