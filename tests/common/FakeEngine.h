#pragma once

#include "engine/api/AudioFile.h"
#include "engine/api/AudioInformation.h"
#include "engine/api/AudioPlayer.h"
#include "engine/api/AudioWriter.h"
#include "engine/api/EngineFactory.h"
#include "engine/api/PeakComputer.h"

#include <QStringList>

#include <functional>
#include <map>

/// Engine objects that record every call in one shared log ("FileW.createForWriting(/out/a.mp3)")
/// and answer from what the test set up. Objects are named by creation order, as the window is
/// expected to create them; a window that creates them in another order shows up in the log.
namespace fakes {

struct Log
{
    QStringList calls;
    void add(const QString &call) { calls.append(call); }
    /// The calls that start with `prefix`, in order.
    QStringList matching(const QString &prefix) const;
};

class FakeAudioFile : public engine::AudioFile
{
public:
    FakeAudioFile(QString name, Log &log) : m_name(std::move(name)), m_log(log) {}

    // What the test sets up.
    int32_t rate = 44100;
    int32_t channels = 2;
    int64_t frames = 0; ///< length of the source a test "opens"
    bool openFails = false;

    // What the object has seen.
    int64_t position = 0;
    bool isOpen = false;

    engine::Status openForReading(const QString &path) override;
    engine::Result<int32_t> sampleRate() const override { return rate; }
    engine::Result<int32_t> channelCount() const override { return channels; }
    engine::Result<int64_t> length() const override { return frames; }
    engine::Result<int64_t> seek(int64_t frame) override;
    engine::Status readBlock(int32_t count, engine::SampleBlock &block) override;
    engine::Status close() override;

private:
    QString m_name;
    Log &m_log;
};

/// The writer of one destination, logged as "FileW" as the original destination object was.
class FakeWriter : public engine::AudioWriter
{
public:
    /// `writesBeforeFailure` is the factory's, so that it counts across cuts.
    FakeWriter(Log &log, int &writesBeforeFailure)
        : m_log(log), m_writesBeforeFailure(writesBeforeFailure)
    {}

    engine::Status setInputFormat(int32_t sampleRate, int32_t channelCount) override;
    engine::Status write(const engine::SampleBlock &block) override;
    engine::Status check(const engine::SampleBlock &) const override
    {
        return engine::Status::success();
    }
    engine::Status finish() override;
    void discard() override;

private:
    Log &m_log;
    int &m_writesBeforeFailure;
};

class FakePlayer : public engine::AudioPlayer
{
public:
    explicit FakePlayer(Log &log) : m_log(log) {}

    int32_t rate = 0;
    int32_t channels = 0;
    int64_t played = 0;
    bool running = false;
    bool silent = false;
    std::vector<engine::SampleBlock> queue;

    engine::Status setPlayerFormat(int32_t sampleRate, int32_t channelCount) override;
    engine::Result<int32_t> blockSizeForMilliseconds(int32_t milliseconds) const override;
    engine::Status startOutput() override;
    engine::Status queueBlock(const engine::SampleBlock &block) override;
    engine::Status stopOutput() override;
    engine::Status resetQueue() override;
    engine::Result<int64_t> playedSamples() const override { return played; }
    engine::Result<int64_t> samplesToMilliseconds(int64_t frames) const override;
    bool isSilent() const override { return silent; }

private:
    Log &m_log;
};

class FakeInformation : public engine::AudioInformation
{
public:
    explicit FakeInformation(Log &log) : m_log(log) {}

    QString description = QStringLiteral("MPEG Layer 3; 44,100 Hz; 128 Kbps; Stereo;");
    bool readFails = false;
    bool writeFails = false;
    engine::TagValues values;
    std::map<QString, engine::TagValues> written;

    engine::Status readInformation(const QString &path) override;
    QString sourceFormatDescription() const override { return description; }
    const engine::TagValues &tags() const override { return values; }
    void setTags(const engine::TagValues &tags) override { values = tags; }
    engine::Status writeTags(const QString &path) override;

private:
    Log &m_log;
};

/// Answers describeCopy with `description` (or `refusal` when set) and records each cut.
class FakeLosslessCutter : public engine::LosslessCutter
{
public:
    explicit FakeLosslessCutter(Log &log) : m_log(log) {}
    QString description = QStringLiteral("MP3 as in the source: 44,100 Hz, Joint Stereo, 128 Kbps");
    QString refusal;
    /// What cut() answers; CannotCopy makes the window re-encode after all.
    engine::Status cutOutcome;

    engine::Result<QString> describeCopy(const QString &sourcePath,
                                         engine::OutputFormat format) override;
    engine::Status cut(const QString &sourcePath, const QString &destPath, int64_t beginFrame,
                       int64_t endFrame, const engine::JobCallbacks &callbacks) override;
    /// Records the preparation; each copy of what it gives is recorded and answered as a cut.
    engine::Result<std::unique_ptr<engine::CopySource>>
    prepare(const QString &sourcePath, engine::OutputFormat format) override;

private:
    Log &m_log;
};

/// Answers every sheet with the factory's `parts` (or `refusal`) and records what is written.
class FakeCueSheets : public engine::CueSheets
{
public:
    explicit FakeCueSheets(const engine::PartList &answer) : parts(answer) {}
    const engine::PartList &parts;
    QString refusal;
    mutable std::map<QString, engine::PartList> written;

    engine::Result<engine::PartList> read(const QString &, int32_t, int64_t) const override
    {
        if (!refusal.isEmpty())
            return engine::Status::failure(refusal);
        return parts;
    }
    engine::Status write(const QString &cuePath, const QString &, const engine::PartList &list,
                         int32_t) const override
    {
        written[cuePath] = list;
        return engine::Status::success();
    }
};

/// Answers every search with the factory's `pauses`.
class FakePauseFinder : public engine::PauseFinder
{
public:
    explicit FakePauseFinder(const std::vector<engine::Pause> &answer) : pauses(answer) {}
    const std::vector<engine::Pause> &pauses;
    engine::Result<std::vector<engine::Pause>>
    findPauses(const QString &, const engine::Peaks &, const engine::PauseSettings &) const override
    {
        return pauses;
    }
};

/// Peaks of a source whose computation has finished at once: described, nothing in them.
class FakePeaks : public engine::Peaks
{
public:
    bool described() const override { return true; }
    int64_t length() const override { return 0; }
    int32_t channelCount() const override { return 2; }
    int32_t sampleRate() const override { return 44100; }
    int64_t finestFrames() const override { return 256; }
    std::optional<engine::PeakSpan> span(int32_t, int64_t, int64_t) const override
    {
        return std::nullopt;
    }
    int64_t knownFrames() const override { return 0; }
    bool finished() const override { return true; }
    engine::Status status() const override { return engine::Status::success(); }
};

/// A peak computer that is finished as soon as it starts; it reads no frames.
class FakePeakComputer : public engine::PeakComputer
{
public:
    void start(const QString &) override { m_peaks = std::make_shared<FakePeaks>(); }
    void stop() override { m_peaks.reset(); }
    std::shared_ptr<const engine::Peaks> peaks() const override { return m_peaks; }
    void requestFrames(int64_t, int64_t) override {}
    std::shared_ptr<const engine::FrameWindow> frames() const override { return nullptr; }

private:
    std::shared_ptr<const engine::Peaks> m_peaks;
};

class FakeEngineFactory : public engine::EngineFactory
{
public:
    /// `withPeaks`: the window gets a peak computer (finished at once), as the program does.
    explicit FakeEngineFactory(bool withPeaks = false) : m_withPeaks(withPeaks) {}
    std::unique_ptr<engine::PeakComputer> createPeakComputer() override
    {
        if (!m_withPeaks)
            return nullptr;
        return std::make_unique<FakePeakComputer>();
    }
    /// Mutable: the writers, which the factory's const face makes, log here too.
    mutable Log log;
    // The objects handed out, kept for the test to reach (the window owns them).
    FakeInformation *information = nullptr;
    std::vector<FakeAudioFile *> files; ///< in creation order: FileR, AudioFile
    FakePlayer *player = nullptr;
    FakeLosslessCutter *copier = nullptr;
    /// What every cue sheet holds, and what the pause finder finds.
    engine::PartList cueParts;
    std::vector<engine::Pause> pauses;
    // What the writers do, and what they were made from.
    mutable int writesBeforeFailure = -1; ///< writes that succeed before each further one fails
    bool createFails = false;
    mutable std::vector<engine::OutputChoice> writtenOutputs;
    // What the engine says of an output.
    QString mp3Description = QStringLiteral("MPEG Layer-3, 44 kHz, 128 kbps, Stereo; ");
    QString wmaDescriptionPrefix = QStringLiteral("WMA profile ");
    engine::Status checkAnswer;

    std::unique_ptr<engine::AudioInformation> createInformation() override;
    std::unique_ptr<engine::AudioFile> createAudioFile() override;
    std::unique_ptr<engine::AudioPlayer> createPlayer() override;
    /// Not logged: the creation order above is the window's contract with the engine.
    std::unique_ptr<engine::LosslessCutter> createLosslessCutter() override;
    std::unique_ptr<engine::CueSheets> createCueSheets() override
    {
        return std::make_unique<FakeCueSheets>(cueParts);
    }
    std::unique_ptr<engine::PauseFinder> createPauseFinder() override
    {
        return std::make_unique<FakePauseFinder>(pauses);
    }
    /// Logged as "FileW.createForWriting(path)".
    engine::Result<std::unique_ptr<engine::AudioWriter>>
    createWriter(const QString &path, const engine::OutputChoice &output) const override;
    engine::Status checkOutput(const engine::OutputChoice &) const override { return checkAnswer; }
    engine::Result<QString> describeOutput(const engine::OutputChoice &output) const override;

private:
    bool m_withPeaks = false;
};

} // namespace fakes
