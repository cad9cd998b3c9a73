// --set-end-frame: pressing the module's "Set End Frame" button, which fills the seamless-loop
// controls from the values at time 0 and at the current time, and writing the values it gives
// into the scene file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/composition.h"
#include "host/effect_host.h"

namespace zelrender {

// The composition time, in its time units, of a time as typed: seconds ("2.5" or "2.5s") or a
// frame ("60f"). Throws std::invalid_argument for other text and for a time outside 0 to the
// composition's duration.
std::int32_t endFrameTime(std::string_view text, const Composition& composition);

// Refuses, with std::invalid_argument, a scene that the loop values cannot be written into: none,
// or standard input, a pipe, a FIFO or a device, which cannot be rewritten.
void checkRewritableScene(const std::filesystem::path& scene);

// Presses "Set End Frame" (the "Loop Setup Helper" control) with the current time at `time` and
// returns the sliders the module changed, by name, in the order of the controls. Throws
// CommandFailed when the module changed none.
std::vector<std::pair<std::string, double>> pressSetEndFrame(EffectHost& host, std::int32_t time);

// Makes each named value a constant under the "controls" of the scene file, whose text the scene
// was read from (`original`): in its place where the control is there already, after the others
// where not. Everything else stays as it was, keys in their order, and the file keeps its
// indentation. The new text goes to a temporary file beside it (".NAME.new"), renamed over it
// once whole; throws OutputFailed naming the file and the failure, and the file is then left as
// it was.
void writeControls(const std::filesystem::path& file, const std::string& original,
                   const std::vector<std::pair<std::string, double>>& values);

}  // namespace zelrender
