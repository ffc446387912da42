#pragma once

#include "engine/api/LosslessCutter.h"
#include "engine/lossless/Mp3Frames.h"

namespace engine {

QString describeMp3(const Mp3Stream &stream);
/// The frames covering [begin, end) with the decoder's pre-roll, behind a silent frame that
/// carries the bit reservoir the first of them reaches back into, and a Xing/LAME header
/// whose delay and padding trim the decode to exactly the selection; `tags` (an ID3v2 tag,
/// or nothing) in front of them all.
Status copyMp3(SourceFile &source, const Mp3Stream &stream, const QString &destPath, int64_t begin,
               int64_t end, const JobCallbacks &callbacks, const QByteArray &tags = {});
/// The source ready for copies, its frames indexed once by `stream`.
std::unique_ptr<CopySource> prepareMp3(std::unique_ptr<SourceFile> source, Mp3Stream stream);

} // namespace engine
