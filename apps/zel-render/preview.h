// --preview: the frames shown in a window as they render, so that a scene can be looked at before
// any file is written.
#pragma once

#include "apps/zel-render/render_job.h"
#include "host/zel_host.h"

namespace zelrender {

// Renders `frames` of the scene and shows each over its background (or black) in a window of
// ffplay's as it comes, at the composition's frame rate over the step; then shows them again and again from the first, until
// the window is closed. What ffplay says goes where the module's messages go (stderr when
// `verbose`); unless `quiet`, a line on stderr says how to end. Throws EncoderUnavailable when
// ffplay cannot be run, and OutputFailed with its last line when it fails rather than close.
void previewFrames(EffectHost& host, const Scene& scene, EffectHost::RenderPath path,
                   const FrameRange& frames, bool verbose, bool quiet);

}  // namespace zelrender
