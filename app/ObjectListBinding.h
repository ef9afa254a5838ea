// What the Object List shows and which flag its selection stands for: without a development every solid
// is listed and a selected line means the solid takes part in unfolding (inDevelopment); with a
// development only the solids in it are listed and a selected line means the solid is shown.
#pragma once

#include "model/Document.h"

#include <string>
#include <vector>

namespace tsm {

enum class ObjectListFlag { InDevelopment, Shown };

class ObjectListBinding {
public:
    // Takes the document's solids as they are now; rebuild after an open or a development change.
    explicit ObjectListBinding(Document* document = nullptr);

    ObjectListFlag Flag() const { return flag_; }
    size_t Count() const { return solids_.size(); }
    std::string Name(size_t line) const;
    bool IsSelected(size_t line) const;
    // Sets the bound flag of the line's solid; false (nothing changed) for a line past the end.
    bool SetSelected(size_t line, bool selected);
    void SelectAll(bool selected);

private:
    std::vector<Solid*> solids_;
    ObjectListFlag flag_ = ObjectListFlag::InDevelopment;
};

} // namespace tsm
