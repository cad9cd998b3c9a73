#include "host/scene_check.h"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "host/image_code.h"
#include "host/message_text.h"
#include "host/scene_names.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// Far beyond what a scene holds, and bounds on what a hostile one costs: the place of every level
// is kept while it is read, and the parser finds keys in an object one by one.
constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxKeyBytes = 1024;
constexpr std::size_t kMaxKeys = 1000;

// Line and column, from 1, of byte `offset` of `text`; columns count characters, not bytes.
std::string lineAndColumn(std::string_view text, std::size_t offset)
{
    const std::string_view before = text.substr(0, offset);
    const std::size_t lineStart = before.rfind('\n') + 1;  // 0 on the first line
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const auto column = 1 + std::count_if(before.begin() + static_cast<std::ptrdiff_t>(lineStart),
                                          before.end(), [](char c) {
                                              // Every byte but those that continue a UTF-8 one.
                                              return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                                          });
    return std::to_string(line) + ":" + std::to_string(column);
}

// The parser's message without its identifier and its own count of lines and columns.
std::string reasonOf(const std::string& what)
{
    const std::size_t id = what.find("] ");
    std::string reason = id == std::string::npos ? what : what.substr(id + 2);
    if (reason.starts_with("parse error")) {
        reason.erase(0, std::min(reason.size(), reason.find(": ") + 2));
    }
    return reason;
}

// Reads a text as JSON for what the parser would let through: where the text stops being JSON,
// and a key given twice in one object, whose first value the parser would drop unnoticed.
class JsonCheck : public nlohmann::json_sax<Json> {
public:
    bool null() override { return element(); }
    bool boolean(bool) override { return element(); }
    bool number_integer(number_integer_t) override { return element(); }
    bool number_unsigned(number_unsigned_t) override { return element(); }
    bool number_float(number_float_t, const string_t&) override { return element(); }
    bool string(string_t&) override { return element(); }
    bool binary(binary_t&) override { return element(); }
    bool start_object(std::size_t) override { return open(false); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& key) override
    {
        Level& object = levels_.back();
        if (key.size() > kMaxKeyBytes || object.keys.size() == kMaxKeys) {
            fault_ = (object.place.empty() ? "the scene" : abridged(object.place)) + " holds " +
                     (key.size() > kMaxKeyBytes
                          ? "a key of " + std::to_string(key.size()) + " bytes; keys are at most " +
                                std::to_string(kMaxKeyBytes)
                          : "more than " + std::to_string(kMaxKeys) + " keys; a scene's objects "
                                                                        "hold a few");
            return false;
        }
        // Controls go by name, quoted as everything else says them.
        object.next =
            object.place.empty()
                ? oneLine(key)
                : object.place + "." + (object.place == "controls" ? inQuotes(key) : oneLine(key));
        if (!object.keys.insert(key).second) {
            fault_ = object.next + " is given twice; each key goes once in its object";
            return false;
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string& token,
                     const Json::exception& e) override
    {
        // The parser counts the bytes read, the faulty one included.
        position_ = position > 0 ? position - 1 : 0;
        // A number beyond a double's range is JSON, but no value a scene can hold.
        constexpr int kNumberOverflow = 406;
        fault_ = e.id == kNumberOverflow
                     ? (upcoming().empty() ? "the scene" : upcoming()) +
                           " takes a finite number; got " + abridged(token)
                     : "not JSON: " + reasonOf(e.what());
        return false;
    }

    // Where the text went wrong, in bytes; none for a key given twice.
    std::optional<std::size_t> position() const { return position_; }
    const std::string& fault() const { return fault_; }

private:
    struct Level {
        std::string place;
        bool array = false;
        std::size_t count = 0;  // the elements read, in an array
        std::string next;       // the place of the value after the last key, in an object
        std::set<std::string> keys;
    };

    // The place of the value about to be read.
    std::string upcoming() const
    {
        if (levels_.empty()) {
            return "";
        }
        const Level& level = levels_.back();
        return level.array ? level.place + "[" + std::to_string(level.count) + "]" : level.next;
    }

    bool open(bool array)
    {
        if (levels_.size() == kMaxDepth) {
            fault_ = abridged(upcoming()) + " is nested more than " + std::to_string(kMaxDepth) +
                     " levels deep; a scene nests a few";
            return false;
        }
        levels_.push_back({upcoming(), array, 0, "", {}});
        return true;
    }

    bool close()
    {
        levels_.pop_back();
        return element();
    }

    bool element()
    {
        if (!levels_.empty() && levels_.back().array) {
            ++levels_.back().count;
        }
        return true;
    }

    std::vector<Level> levels_;
    std::optional<std::size_t> position_;
    std::string fault_;
};

}  // namespace

void checkSceneText(const std::string& text, const std::string& source)
{
    JsonCheck check;
    if (!Json::sax_parse(text, &check)) {
        const std::optional<std::size_t> at = check.position();
        std::string message = source;
        if (at) {
            message += ':';
            message += lineAndColumn(text, *at);
        }
        message += ": ";
        message += check.fault();
        throw std::invalid_argument(message);
    }
}

std::string whyUnreadable(const fs::path& file)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    return error ? error.message() : fs::is_directory(status) ? "it is a directory" : "";
}

std::pair<std::int32_t, std::int32_t> layerImageSize(const fs::path& file)
{
    if (const std::string why = whyUnreadable(file); !why.empty()) {
        throw std::runtime_error(why);
    }
    return imageCode().layerImageSize(file);
}

std::string whyNotAnImage(const fs::path& file)
{
    try {
        layerImageSize(file);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

void checkLayerImages(const Scene& scene)
{
    for (const LayerKey& layer : kLayerKeys) {
        const fs::path* file = layerFile(scene, layer);
        if (file == nullptr) {
            continue;
        }
        if (const std::string why = whyNotAnImage(*file); !why.empty()) {
            throw std::invalid_argument(scene.source + ": layers." + layer.key +
                                        ": cannot read the image " + file->string() + ": " +
                                        oneLine(why));
        }
    }
}

}  // namespace zelrender
