// The host's persistent settings: sections of key = value lines in a small preferences file,
// offered to the module as the persistent data suite.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "host/host_output.h"
#include "sdk/aegp_suites.h"

namespace zelrender {

class PersistentSettings {
public:
    // Reads `file` when it exists; an empty path keeps the settings in memory only. A file that
    // cannot be read or written is noted through `output` (null: only the module learns that an
    // entry was not stored) and left alone.
    explicit PersistentSettings(std::filesystem::path file, const HostOutput* output = nullptr);
    ~PersistentSettings();
    PersistentSettings(const PersistentSettings&) = delete;
    PersistentSettings& operator=(const PersistentSettings&) = delete;

    // $XDG_CONFIG_HOME/zel/preferences.ini (~/.config/zel/ by default).
    static std::filesystem::path defaultFile();

    std::optional<std::string> get(const std::string& section, const std::string& key) const;
    // Both write the whole file anew when something changed (to a temporary name, then renamed
    // over the old one, so a failed write never leaves half a file). False when the entry cannot
    // be stored: a line break in any part, '=' or ']' in a key or section name, or a failed write.
    bool set(const std::string& section, const std::string& key, const std::string& value);
    bool erase(const std::string& section, const std::string& key);

    // The suite's table; its blob is the one PersistentSettings alive at the time.
    static const AEGP_PersistentDataSuite3 kSuite;

private:
    bool save() const;

    std::filesystem::path file_;
    const HostOutput* output_;
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

}  // namespace zelrender
