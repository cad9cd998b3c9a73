#include "host/persistent_settings.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "host/user_directories.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

PersistentSettings* gSettings = nullptr;

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    const std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool storable(const std::string& name, const char* forbidden)
{
    return !name.empty() && name.find_first_of(forbidden) == std::string::npos &&
           name == trimmed(name);
}

PersistentSettings* fromBlob(AEGP_PersistentBlobH blob)
{
    return reinterpret_cast<PersistentSettings*>(blob);
}

}  // namespace

const AEGP_PersistentDataSuite3 PersistentSettings::kSuite = {
    [](AEGP_PersistentBlobH* blob) {
        *blob = reinterpret_cast<AEGP_PersistentBlobH>(gSettings);
        return gSettings != nullptr ? PF_Err{PF_Err_NONE} : PF_Err{PF_Err_BAD_CALLBACK_PARAM};
    },
    [](AEGP_PersistentBlobH blob, const char* section, const char* key, const char* value) {
        if (blob == nullptr || section == nullptr || key == nullptr || value == nullptr) {
            return PF_Err{PF_Err_BAD_CALLBACK_PARAM};
        }
        return fromBlob(blob)->set(section, key, value) ? PF_Err{PF_Err_NONE}
                                                        : PF_Err{PF_Err_INVALID_ARGUMENT};
    },
    [](AEGP_PersistentBlobH blob, const char* section, const char* key, const char* defaultValue,
       uint32_t bufferSize, char* buffer, uint32_t* actualSize) {
        if (blob == nullptr || section == nullptr || key == nullptr) {
            return PF_Err{PF_Err_BAD_CALLBACK_PARAM};
        }
        const std::optional<std::string> stored = fromBlob(blob)->get(section, key);
        const std::string value = stored ? *stored : (defaultValue != nullptr ? defaultValue : "");
        if (actualSize != nullptr) {
            *actualSize = static_cast<uint32_t>(value.size() + 1);
        }
        if (buffer != nullptr && bufferSize > 0) {
            const std::size_t copied = std::min<std::size_t>(value.size(), bufferSize - 1);
            std::memcpy(buffer, value.data(), copied);
            buffer[copied] = '\0';
        }
        return PF_Err{PF_Err_NONE};
    },
    [](AEGP_PersistentBlobH blob, const char* section, const char* key) {
        if (blob == nullptr || section == nullptr || key == nullptr) {
            return PF_Err{PF_Err_BAD_CALLBACK_PARAM};
        }
        return fromBlob(blob)->erase(section, key) ? PF_Err{PF_Err_NONE}
                                                   : PF_Err{PF_Err_INVALID_ARGUMENT};
    },
};

PersistentSettings::PersistentSettings(std::filesystem::path file, const HostOutput* output)
    : file_(std::move(file)), output_(output)
{
    gSettings = this;
    if (file_.empty() || !std::filesystem::exists(file_)) {
        return;
    }
    std::ifstream in(file_);
    if (!in) {
        if (output_ != nullptr) {
            output_->note("cannot read the preferences " + file_.string());
        }
        return;
    }
    std::string section;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            sections_[section][trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
        }
    }
}

PersistentSettings::~PersistentSettings()
{
    if (gSettings == this) {
        gSettings = nullptr;
    }
}

std::filesystem::path PersistentSettings::defaultFile()
{
    const std::filesystem::path directory = userDirectory("XDG_CONFIG_HOME", ".config");
    return directory.empty() ? directory : directory / "preferences.ini";
}

std::optional<std::string> PersistentSettings::get(const std::string& section,
                                                   const std::string& key) const
{
    const auto s = sections_.find(section);
    if (s == sections_.end()) {
        return std::nullopt;
    }
    const auto k = s->second.find(key);
    return k == s->second.end() ? std::nullopt : std::optional<std::string>(k->second);
}

bool PersistentSettings::set(const std::string& section, const std::string& key,
                             const std::string& value)
{
    if (!storable(section, "]\n\r") || !storable(key, "=\n\r") ||
        value.find_first_of("\n\r") != std::string::npos || value != trimmed(value)) {
        return false;
    }
    if (get(section, key) == value) {
        return true;
    }
    sections_[section][key] = value;
    return save();
}

bool PersistentSettings::erase(const std::string& section, const std::string& key)
{
    const auto s = sections_.find(section);
    if (s == sections_.end() || s->second.erase(key) == 0) {
        return true;
    }
    if (s->second.empty()) {
        sections_.erase(s);
    }
    return save();
}

bool PersistentSettings::save() const
{
    if (file_.empty()) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    std::ostringstream text;
    text << "# Settings that effects keep in zel-render, by section.\n";
    for (const auto& [section, entries] : sections_) {
        text << '[' << section << "]\n";
        for (const auto& [key, value] : entries) {
            text << key << " = " << value << '\n';
        }
    }
    try {
        // Worker processes may save at once, each under its own name.
        replaceWhole(file_, text.str(), temporaryName(file_));
    } catch (const std::runtime_error& e) {
        if (output_ != nullptr) {
            output_->note(std::string("cannot write the preferences: ") + e.what());
        }
        return false;
    }
    return true;
}

}  // namespace zelrender
