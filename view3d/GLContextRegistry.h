// The OSMesa contexts this program creates, and how each is bound to its pixel buffer.
//
// OSMesa cannot make a context current without handing it a buffer again, so switching to another context
// (to delete a texture where it was made, or to restore what was current before an off-screen job) needs
// to know every context's buffer. The registry also keeps the share groups: contexts created with another
// as share context see its textures and display lists, and a texture outlives the context that made it as
// long as one member of its group lives.
#pragma once

#include <GL/osmesa.h>

namespace tsm::glctx {

// Where a context draws. Bottom-up rows are OSMesa's default; view surfaces store rows top-down so that the
// buffer can be painted as a QImage.
struct Binding {
    void* buffer = nullptr; // 4 bytes per pixel, BGRA
    int width = 0;
    int height = 0;
    bool topDown = false;
};

enum class Role { ViewSurface, Renderer };

// The largest side OSMesa renders (OSMESA_MAX_WIDTH and OSMESA_MAX_HEIGHT).
constexpr int kMaxSidePixels = 16384;

// `shareWith` is the share context the context was created with (null for a group of its own).
void Register(OSMesaContext context, OSMesaContext shareWith, Role role);
void SetBinding(OSMesaContext context, const Binding& binding);
// Call before destroying the context. What it made lives on while a member of its share group does.
void Unregister(OSMesaContext context);
bool IsRegistered(OSMesaContext context);
// True when both contexts live and see the same textures and display lists.
bool SameShareGroup(OSMesaContext a, OSMesaContext b);
// The share group of a registered context, 0 for any other. Numbers are never given twice, so a group
// whose contexts have all gone is not mistaken for a later one that reuses their addresses.
int ShareGroupOf(OSMesaContext context);
// A living context of the group, the oldest; null once the last has gone, taking the group's objects.
OSMesaContext GroupMember(int group);
// The share context for a new context: the oldest living view surface context, or null. The first view
// surface created is the root of the group; when it goes, the next oldest takes its place, and Mesa keeps
// the shared objects alive for the remaining members.
OSMesaContext ShareRoot();

// Makes `context` current on `binding`. Whatever else is current is released first, which lets OSMesa copy
// its pending pixels into its own buffer rather than into the new one. Fails when OSMesa refuses or when
// no renderer answers (GL calls would go nowhere).
bool Bind(OSMesaContext context, const Binding& binding);
// Binds a registered context to the buffer it was last given.
bool BindRegistered(OSMesaContext context);
// Leaves no context current.
void Release();

// Remembers the current context and its buffer; Restore (or destruction) makes it current again, or makes
// none current when none was or the context has been destroyed since.
class SavedCurrent {
public:
    SavedCurrent();
    ~SavedCurrent() { Restore(); }
    SavedCurrent(const SavedCurrent&) = delete;
    SavedCurrent& operator=(const SavedCurrent&) = delete;
    void Restore();
    OSMesaContext Context() const { return context_; }

private:
    OSMesaContext context_ = nullptr;
    Binding binding_; // for a context of someone else's, read when saved
    bool registered_ = false;
    bool restored_ = false;
};

} // namespace tsm::glctx
