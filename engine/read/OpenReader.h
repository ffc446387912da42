#pragma once

#include "engine/api/AudioReader.h"
#include "engine/ffmpeg/ByteSource.h"

#include <QString>

#include <memory>

namespace engine {

/// The reader that places every frame of `path` exactly: libvorbisfile for Ogg Vorbis,
/// FFmpeg for everything else.
Result<std::unique_ptr<AudioReader>> openAudioReader(const QString &path,
                                                     const SourceOpener &source = localFiles());

} // namespace engine
