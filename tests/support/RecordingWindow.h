#pragma once

#include "model/DocumentController.h"

#include <string>
#include <vector>

namespace tsm::test {

// Records what the controller asks of the window, in order.
class RecordingWindow : public IDocumentWindow {
public:
    void SetTitle(const std::string& title) override { calls.push_back("title:" + title); }
    void AddRecentFile(const std::string& path) override { calls.push_back("recent:" + path); }
    void RefreshDocumentPanels() override { calls.push_back("panels"); }
    void UpdateAllViews(UpdateHint hint) override {
        calls.push_back("hint:" + std::to_string(static_cast<int>(hint)));
    }
    std::vector<std::string> calls;
};

} // namespace tsm::test
