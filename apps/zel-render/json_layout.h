// Scene files laid out as people write them: one key a line, and an array of plain values (a
// point, a colour, a keyframe) on one line, rather than one number a line.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace zelrender {

// `document` as text, indented by `indent` repeats of `indentChar` a level; no final newline.
std::string sceneFileText(const nlohmann::ordered_json& document, int indent = 2,
                          char indentChar = ' ');

}  // namespace zelrender
