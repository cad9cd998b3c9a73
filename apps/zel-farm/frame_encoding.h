// The last job of a farm run that writes a video: the frames the tasks rendered, encoded as a
// local run encodes them.
#pragma once

#include "apps/zel-farm/farm_command_line.h"

namespace zelrender {

// Reads each frame of the request's range from request.encodeFrom, hands its pixels to ffmpeg as
// a local run hands the rendered frames, and, once the video is whole under its name, removes
// the frames and, once empty, their folder. Throws OutputFailed naming a frame that cannot be
// read, and as VideoEncoder throws; the frames are then kept.
void encodeFrames(const FarmRequest& request);

}  // namespace zelrender
