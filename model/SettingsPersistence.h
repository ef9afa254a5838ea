// Reading the preferences at start-up, writing them at close, and the "Reset to Default" command.
//
// The preferences live in a SettingsStore file under two keys of our own, "Settings" (paths and the
// first-launch flag) and "Options" (everything else and the colour table). Every store failure is silent
// except during a reset; a missing value or one of the wrong type or size leaves the current value.
#pragma once

#include "model/Prompt.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"

#include <string>

namespace tsm {

extern const char* const kSettingsKeyPath;    // "Software\quillonsoft\tessalyvuvoza2en\Settings"
extern const char* const kOptionsKeyPath;     // "Software\quillonsoft\tessalyvuvoza2en\Options"
extern const char* const kApplicationKeyPath; // the key holding both
// The window placement, bar state and recent-file list are kept under
// "Software\" + company + "\" + application title + "\".
extern const char* const kRegistryCompanyName; // "Quillon Software Ltd."
extern const char* const kApplicationTitle;    // "TessalyVuvoza2": the settings key only, never shown
std::string FrameworkKeyPath();

// The store of one program run, the file it came from, and whether a reset is pending: after a reset the
// preferences are no longer written, so that the next start uses the defaults.
class SettingsSession {
public:
    explicit SettingsSession(std::string storePath = DefaultSettingsFilePath());

    SettingsStore& store() { return store_; }
    const SettingsStore& store() const { return store_; }
    const std::string& storePath() const { return storePath_; }

    // Replaces the store with the file's contents; a missing file gives an empty store.
    Outcome ReadStore();
    Outcome WriteStore() const;

    bool resetPending() const { return resetPending_; }
    void MarkResetPending() { resetPending_ = true; }

private:
    std::string storePath_;
    SettingsStore store_;
    bool resetPending_ = false;
};

// The folder of the running executable, ending in '/'; empty when it cannot be found.
std::string ProgramDirectory();

// Sets the three paths to their defaults under `programDir` (ending in '/'), then takes every valid stored
// "Settings" and "Options" value. Creates both keys in the store, as opening them for writing would.
void LoadSettings(SettingsSession& session, Settings& settings, const std::string& programDir);

// Clears firstLaunch, writes the "Settings" values and, unless a reset is pending, every "Options" value
// and the colour table; then writes the store file. Fails with a reason when the file cannot be written.
Outcome SaveSettings(SettingsSession& session, Settings& settings);

// The "Reset to Default" command: after the user confirms, deletes the "Options" key and the framework's
// "ControlBars" and "Window" keys, writes the store file and marks the reset pending. The settings in
// memory stay as they are until the program ends.
void ResetConfigurations(SettingsSession& session, IPrompt& prompt);

} // namespace tsm
