#include "view3d/GLContextRegistry.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

namespace tsm::glctx {

namespace {

struct Entry {
    OSMesaContext context = nullptr;
    int group = 0;
    Role role = Role::Renderer;
    Binding binding;
};

// In creation order, so that the first view surface is the share root. One user-interface thread only.
std::vector<Entry>& Entries() {
    static std::vector<Entry> entries;
    return entries;
}

Entry* Find(OSMesaContext context) {
    if (!context) return nullptr;
    for (Entry& entry : Entries())
        if (entry.context == context) return &entry;
    return nullptr;
}

int NewGroup() {
    static int next = 0;
    return ++next;
}

} // namespace

void Register(OSMesaContext context, OSMesaContext shareWith, Role role) {
    if (!context || Find(context)) return;
    const Entry* share = Find(shareWith);
    Entry entry;
    entry.context = context;
    entry.group = share ? share->group : NewGroup();
    entry.role = role;
    Entries().push_back(entry);
}

void SetBinding(OSMesaContext context, const Binding& binding) {
    if (Entry* entry = Find(context)) entry->binding = binding;
}

void Unregister(OSMesaContext context) {
    auto& entries = Entries();
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [context](const Entry& e) { return e.context == context; });
    if (it != entries.end()) entries.erase(it);
}

bool IsRegistered(OSMesaContext context) {
    return Find(context) != nullptr;
}

bool SameShareGroup(OSMesaContext a, OSMesaContext b) {
    const Entry* ea = Find(a);
    const Entry* eb = Find(b);
    return ea && eb && ea->group == eb->group;
}

int ShareGroupOf(OSMesaContext context) {
    const Entry* entry = Find(context);
    return entry ? entry->group : 0;
}

OSMesaContext GroupMember(int group) {
    if (group == 0) return nullptr;
    for (const Entry& entry : Entries())
        if (entry.group == group) return entry.context;
    return nullptr;
}

OSMesaContext ShareRoot() {
    for (const Entry& entry : Entries())
        if (entry.role == Role::ViewSurface) return entry.context;
    return nullptr;
}

bool Bind(OSMesaContext context, const Binding& binding) {
    if (!context || !binding.buffer || binding.width < 1 || binding.height < 1 ||
        binding.width > kMaxSidePixels || binding.height > kMaxSidePixels)
        return false;
    const OSMesaContext current = OSMesaGetCurrentContext();
    if (current && current != context) OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    if (!OSMesaMakeCurrent(context, binding.buffer, GL_UNSIGNED_BYTE, binding.width, binding.height))
        return false;
    OSMesaPixelStore(OSMESA_Y_UP, binding.topDown ? 0 : 1);
    // With the GL entry points resolved to another library, calls go nowhere and draw nothing, silently.
    return glGetString(GL_RENDERER) != nullptr;
}

bool BindRegistered(OSMesaContext context) {
    const Entry* entry = Find(context);
    return entry && Bind(context, entry->binding);
}

void Release() {
    if (OSMesaGetCurrentContext()) OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
}

SavedCurrent::SavedCurrent() : context_(OSMesaGetCurrentContext()) {
    if (!context_) return;
    registered_ = IsRegistered(context_);
    if (registered_) return;
    GLint width = 0, height = 0, format = 0, yUp = 1;
    void* buffer = nullptr;
    OSMesaGetIntegerv(OSMESA_Y_UP, &yUp);
    if (OSMesaGetColorBuffer(context_, &width, &height, &format, &buffer)) {
        binding_.buffer = buffer;
        binding_.width = width;
        binding_.height = height;
        binding_.topDown = yUp == 0;
    }
}

void SavedCurrent::Restore() {
    if (restored_) return;
    restored_ = true;
    if (OSMesaGetCurrentContext() == context_) return;
    if (!context_) {
        Release();
        return;
    }
    // A context of ours may have been destroyed meanwhile, or rebound to a new buffer by a resize.
    const bool bound = registered_ ? BindRegistered(context_) : Bind(context_, binding_);
    if (!bound) Release();
}

} // namespace tsm::glctx
