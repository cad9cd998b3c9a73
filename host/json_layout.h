// Scene files laid out as people write them: one key a line, and an array of plain values (a
// point, a colour, a keyframe) on one line, rather than one number a line.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace zelrender {

// `document` as text, indented by `indent` repeats of `indentChar` a level; no final newline.
std::string sceneFileText(const nlohmann::ordered_json& document, int indent = 2,
                          char indentChar = ' ');

// Whole numbers as integers, so that 100 is written 100 rather than 100.0.
nlohmann::ordered_json numberJson(double value);

}  // namespace zelrender
