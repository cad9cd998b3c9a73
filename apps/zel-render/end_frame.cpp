#include "apps/zel-render/end_frame.h"

#include <cmath>
#include <optional>
#include <stdexcept>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/render_job.h"
#include "host/json_layout.h"
#include "host/message_text.h"
#include "host/number_text.h"
#include "host/param_assignment.h"
#include "host/scene.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// The indentation of the first indented line: its run of spaces or tabs. Nothing for text on one
// line, which is written back on one line; two spaces when no line is indented.
std::optional<std::string> indentationOf(const std::string& text)
{
    const std::size_t newline = text.find('\n');
    if (newline == std::string::npos) {
        return std::nullopt;
    }
    for (std::size_t at = newline; at != std::string::npos; at = text.find('\n', at + 1)) {
        const char c = at + 1 < text.size() ? text[at + 1] : '\n';
        if (c == ' ' || c == '\t') {
            const std::size_t end = text.find_first_not_of(c, at + 1);
            return std::string((end == std::string::npos ? text.size() : end) - at - 1, c);
        }
    }
    return "  ";
}

}  // namespace

void checkRewritableScene(const fs::path& scene)
{
    const std::string usage = ": zel-render SCENE.json --set-end-frame TIME";
    if (scene.empty()) {
        throw std::invalid_argument(
            "--set-end-frame writes the loop values into a scene file, and none was given" + usage);
    }
    std::error_code error;
    const fs::file_status status = fs::status(scene, error);
    if (isStreamPath(scene) || (fs::exists(status) && !fs::is_regular_file(status))) {
        throw std::invalid_argument(
            "--set-end-frame writes the loop values into the scene file, and " +
            (scene == "-" ? std::string("standard input") : scene.string()) +
            " is not a file it can rewrite" + usage);
    }
}

std::int32_t endFrameTime(std::string_view text, const Composition& composition)
{
    const double duration = composition.seconds(composition.duration);
    const std::int32_t frames = composition.frameCount();
    // A bare number is seconds, as it always was here, so that scripts keep their meaning.
    const std::optional<TypedTime> time = parseTime(text, true);
    // The end itself is accepted: a loop whose last frame comes just before it closes there.
    if (!time || (time->seconds ? time->number > duration : time->number > frames)) {
        throw std::invalid_argument("--set-end-frame takes a time from 0 to " +
                                    formatNumber(duration) + " s, the composition's duration, in "
                                    "seconds (such as 2.5 or 2.5s) or as a frame from 0f to " +
                                    std::to_string(frames) + "f; got " + inQuotes(text));
    }
    return time->seconds
               ? static_cast<std::int32_t>(std::llround(time->number * composition.timeScale))
               : static_cast<std::int32_t>(time->number) * composition.timeStep;
}

std::vector<std::pair<std::string, double>> pressSetEndFrame(EffectHost& host, std::int32_t time)
{
    const int button = findControl(host.params(), "Loop Setup Helper");
    std::vector<std::pair<std::string, double>> values;
    for (const auto& [index, def] : host.userChangedParam(button, time)) {
        // The loop controls are sliders; a scene holds nothing else the button could change.
        if (def.param_type == PF_Param_FLOAT_SLIDER) {
            values.emplace_back(std::string(host.params().at(index).name()), def.u.fs_d.value);
        }
    }
    if (values.empty()) {
        throw CommandFailed("\"Set End Frame\" changed no loop values: the module could not "
                            "read the values at time 0");
    }
    return values;
}

void writeControls(const fs::path& file, const std::string& original,
                   const std::vector<std::pair<std::string, double>>& values)
{
    Json document;
    try {
        document = Json::parse(original);
    } catch (const Json::parse_error& e) {
        throw std::runtime_error(file.string() + ": is not JSON: " + e.what());
    }
    Json& controls = document["controls"];
    for (const auto& [name, value] : values) {
        controls[name] = numberJson(value);
    }
    const std::optional<std::string> indent = indentationOf(original);
    std::string text = indent ? sceneFileText(document, static_cast<int>(indent->size()),
                                              indent->front())
                              : document.dump();
    if (!original.empty() && original.back() == '\n') {
        text += '\n';
    }

    std::string temporary = ".";
    temporary += file.filename().string();
    temporary += ".new";
    try {
        replaceWhole(file, text, file.parent_path() / temporary);
    } catch (const std::runtime_error& e) {
        throw OutputFailed(file.string() + ": cannot be written (" + e.what() +
                           "); it is left as it was");
    }
}

}  // namespace zelrender
