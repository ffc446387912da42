#pragma once

#include "FfmpegPtr.h"
#include "Status.h"

#include <QString>

namespace engine {

/// Opens `path` for demuxing as a plain local file, with FFmpeg's audio demuxers only: no
/// other protocol, and no demuxer that follows names of other files or addresses written
/// inside the file (playlists, concat lists, image sequences).
Result<FormatContextPtr> openLocalAudioInput(const QString &path);

} // namespace engine
