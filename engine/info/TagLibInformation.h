#pragma once

#include "engine/api/AudioInformation.h"
#include "engine/info/TagFiles.h"

#include <functional>

namespace engine {

/// The information object: the format description through FFmpeg, the tags through TagLib.
class TagLibInformation : public AudioInformation
{
public:
    /// Fails only when the file cannot be opened or its streams cannot be read. Tags that
    /// TagLib cannot read leave the values at "none", since the sound may still play.
    Status readInformation(const QString &path) override;
    QString sourceFormatDescription() const override { return m_description; }
    const TagValues &tags() const override { return m_tags; }
    void setTags(const TagValues &tags) override { m_tags = tags; }
    /// Writes into a copy beside the file and puts it in place of the file only when
    /// everything was written, so a failure leaves the file as it was.
    Status writeTags(const QString &path) override;
    /// The same way: into a copy that replaces the file.
    Result<QByteArray> tagsInHeader(const QByteArray &header) override;
    Status writeGainTags(const QString &path, const GainTags &gain) override;

private:
    using TagWrite = std::function<Status(const QString &copy, TagFormat format)>;
    Status writeInCopy(const QString &path, const TagWrite &write);

    QString m_description;
    TagValues m_tags;
};

} // namespace engine
