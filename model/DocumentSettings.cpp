#include "model/DocumentSettings.h"

namespace tsm {

Settings DocumentSettings(const Settings& settings, const Document* document) {
    return document ? WithDisplay(settings, document->display) : settings;
}

void KeepSettings(const Settings& changed, Settings& settings, Document* document) {
    settings = changed;
    if (document) document->display = changed.display();
}

} // namespace tsm
