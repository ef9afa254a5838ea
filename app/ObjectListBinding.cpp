#include "app/ObjectListBinding.h"

namespace tsm {

ObjectListBinding::ObjectListBinding(Document* document) {
    if (document == nullptr || document->model == nullptr) return;
    flag_ = document->development ? ObjectListFlag::Shown : ObjectListFlag::InDevelopment;
    for (const auto& solid : document->model->solids) {
        if (solid == nullptr) continue;
        if (flag_ == ObjectListFlag::Shown && !solid->inDevelopment) continue;
        solids_.push_back(solid.get());
    }
}

std::string ObjectListBinding::Name(size_t line) const {
    return line < solids_.size() ? solids_[line]->name : std::string();
}

bool ObjectListBinding::IsSelected(size_t line) const {
    if (line >= solids_.size()) return false;
    return flag_ == ObjectListFlag::Shown ? solids_[line]->shown : solids_[line]->inDevelopment;
}

bool ObjectListBinding::SetSelected(size_t line, bool selected) {
    if (line >= solids_.size()) return false;
    (flag_ == ObjectListFlag::Shown ? solids_[line]->shown : solids_[line]->inDevelopment) = selected;
    return true;
}

void ObjectListBinding::SelectAll(bool selected) {
    for (size_t i = 0; i < solids_.size(); ++i) SetSelected(i, selected);
}

} // namespace tsm
