// Cuts without re-encoding: the copy must decode to exactly the selected frames of the
// source's own decode (FFmpeg for MP3 and FLAC, libvorbis for Ogg Vorbis, the bytes for
// WAV), at positions inside frames, on boundaries, at both ends and two frames apart, on
// material that fills the MP3 bit reservoir; FLAC copies carry the MD5 of the selection and
// pass `flac -t`; Opus copies have exactly the selection's length and converge on the
// source's decode after the pre-roll; refusals say why and leave nothing behind; a
// cancelled copy is a finished file of the selection's first part.
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"
#include "engine/lossless/FileCopier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

/// How a source is decoded for the comparison: the decoder the format's players use. The
/// ffmpeg program alone, without the fixtures' probes: a cut has the source's rate and
/// channels, and the suite decodes some fifty cuts.
fixtures::Decoded decodeAs(const QString &path, int channels)
{
    if (path.endsWith(QStringLiteral(".ogg")))
        return writertest::decodeWithEngine(path);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-f"),
                  QStringLiteral("f32le"), QStringLiteral("-")});
    fixtures::Decoded decoded;
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return decoded;
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    decoded.channels = channels;
    decoded.samples.resize(size_t(raw.size()) / sizeof(float));
    std::memcpy(decoded.samples.data(), raw.constData(), decoded.samples.size() * sizeof(float));
    return decoded;
}

/// Frames mpg123 decodes from `path` with its gapless trimming; -1 when it is not installed.
qint64 mpg123Frames(const QString &path, int channels)
{
    QProcess mpg123;
    mpg123.start(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-s"),
                                            QStringLiteral("-e"), QStringLiteral("s16"), path});
    if (!mpg123.waitForStarted(10000))
        return -1;
    mpg123.waitForFinished(60000);
    return mpg123.readAllStandardOutput().size() / (2 * channels);
}

/// The selection as a slice of a decode.
std::vector<float> slice(const fixtures::Decoded &d, qint64 begin, qint64 end)
{
    return {d.samples.begin() + begin * d.channels, d.samples.begin() + end * d.channels};
}

QString firstDifference(const std::vector<float> &got, const std::vector<float> &want, int channels)
{
    if (got.size() != want.size())
        return QStringLiteral("%1 frames, want %2")
            .arg(got.size() / channels)
            .arg(want.size() / channels);
    for (size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i])
            return QStringLiteral("differs from frame %1 on").arg(i / size_t(channels));
    return {};
}

/// How a re-paged Ogg Vorbis file lays out its packets: the layouts other encoders and
/// taggers make, all of which libvorbis plays.
struct OggLayout
{
    int audioOnHeaderPage = 0; ///< audio packets on the setup header's page (granule 0)
    long pageBytes = 4096;     ///< page size; small pages split packets, some end none
    int64_t granuleOffset = 0; ///< added to every granule: < 0 trims the start, > 0 starts late
    int64_t endTrim = 0;       ///< samples the last page's granule drops
};

/// Re-pages the Ogg Vorbis file `from` into `to` after `layout`, with libogg.
bool repageOgg(const QString &from, const QString &to, const OggLayout &layout)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char *buffer = ogg_sync_buffer(&sync, long(bytes.size()));
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    ogg_sync_wrote(&sync, long(bytes.size()));
    ogg_stream_state stream;
    bool haveStream = false;
    std::vector<QByteArray> packets;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!haveStream) {
            ogg_stream_init(&stream, ogg_page_serialno(&page));
            haveStream = true;
        }
        ogg_stream_pagein(&stream, &page);
        ogg_packet op;
        while (ogg_stream_packetout(&stream, &op) == 1)
            packets.emplace_back(reinterpret_cast<const char *>(op.packet), qsizetype(op.bytes));
    }
    ogg_sync_clear(&sync);
    if (!haveStream || packets.size() < 10)
        return false;
    const int serial = stream.serialno;
    ogg_stream_clear(&stream);

    // The granule of every audio packet: the samples decoded through it.
    vorbis_info info;
    vorbis_comment comment;
    vorbis_info_init(&info);
    vorbis_comment_init(&comment);
    std::vector<int64_t> granules(packets.size(), 0);
    long previous = -1;
    int64_t decoded = 0;
    for (size_t i = 0; i < packets.size(); ++i) {
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(packets[i].data());
        op.bytes = long(packets[i].size());
        op.b_o_s = i == 0;
        if (i < 3) {
            vorbis_synthesis_headerin(&info, &comment, &op);
            continue;
        }
        const long block = vorbis_packet_blocksize(&info, &op);
        if (previous > 0)
            decoded += previous / 4 + block / 4;
        previous = block;
        granules[i] = std::max<int64_t>(0, decoded + layout.granuleOffset);
    }
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    granules.back() -= layout.endTrim;

    QFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    ogg_stream_init(&stream, serial);
    auto write = [&](bool flush) {
        while ((flush ? ogg_stream_flush(&stream, &page)
                      : ogg_stream_pageout_fill(&stream, &page, int(layout.pageBytes))) != 0) {
            out.write(reinterpret_cast<const char *>(page.header), page.header_len);
            out.write(reinterpret_cast<const char *>(page.body), page.body_len);
        }
    };
    const size_t headerPackets = 3 + size_t(layout.audioOnHeaderPage);
    for (size_t i = 0; i < packets.size(); ++i) {
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char *>(packets[i].data());
        op.bytes = long(packets[i].size());
        op.b_o_s = i == 0;
        op.e_o_s = i + 1 == packets.size();
        op.granulepos = i < headerPackets ? 0 : granules[i];
        ogg_stream_packetin(&stream, &op);
        // The identification header alone, then the rest of the headers' page.
        if (i == 0 || i + 1 == headerPackets || op.e_o_s)
            write(true);
        else if (i >= headerPackets)
            write(false);
    }
    ogg_stream_clear(&stream);
    return out.error() == QFileDevice::NoError;
}

/// The ffmpeg program's decode of `path` as raw little-endian integers of `bits` bits: what
/// a FLAC file's STREAMINFO MD5 is taken of.
QByteArray decodeRaw(const QString &path, int bits)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-f"),
                  bits == 24 ? QStringLiteral("s24le") : QStringLiteral("s16le"),
                  QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    return ffmpeg.readAllStandardOutput();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The RMS of the difference from frame `from` on, in dB of full scale.
double differenceDb(const std::vector<float> &got, const std::vector<float> &want, int channels,
                    qint64 from)
{
    double power = 0;
    const size_t start = size_t(from) * size_t(channels);
    for (size_t i = start; i < got.size(); ++i)
        power += double(got[i] - want[i]) * double(got[i] - want[i]);
    power /= double(std::max<size_t>(1, got.size() - start));
    return power > 0 ? 10 * std::log10(power) : -300;
}

} // namespace

class LosslessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exactSelection_data();
    void exactSelection();
    void oddlyPagedOgg_data();
    void oddlyPagedOgg();
    void flacAndOpusAcrossTheFile_data();
    void flacAndOpusAcrossTheFile();
    void wavIsTheSourcesSlice();
    void refusalsSayWhy_data();
    void refusalsSayWhy();
    void cancelFinishesWhatWasCopied_data();
    void cancelFinishesWhatWasCopied();
    void sourceShrinksDuringTheCopy_data() { cancelFinishesWhatWasCopied_data(); }
    void sourceShrinksDuringTheCopy();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void LosslessTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
}

void LosslessTest::exactSelection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<int>("frameSamples");
    const auto mp3 = [](const char *options) {
        return QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")} +
               QString::fromLatin1(options).split(u' ');
    };
    const auto ogg = [](const char *quality) {
        return QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                           QStringLiteral("-q:a"), QString::fromLatin1(quality)};
    };
    QTest::newRow("MPEG-1 44.1k stereo CBR") << "cbr.mp3" << 44100 << 2 << mp3("-b:a 128k") << 1152;
    QTest::newRow("MPEG-1 48k stereo VBR") << "vbr48.mp3" << 48000 << 2 << mp3("-q:a 2") << 1152;
    QTest::newRow("MPEG-1 44.1k mono, no LAME header")
        << "noheader.mp3" << 44100 << 1 << mp3("-b:a 96k -write_xing 0") << 1152;
    QTest::newRow("MPEG-2 22.05k mono CBR") << "m22.mp3" << 22050 << 1 << mp3("-b:a 32k") << 576;
    QTest::newRow("MPEG-2 24k stereo VBR") << "m24.mp3" << 24000 << 2 << mp3("-q:a 5") << 576;
    QTest::newRow("MPEG-2.5 8k mono") << "m8.mp3" << 8000 << 1 << mp3("-b:a 16k") << 576;
    QTest::newRow("MPEG-1 with CRC (lame)") << "crc.mp3" << 44100 << 2 << QStringList() << 1152;
    QTest::newRow("Vorbis 44.1k stereo") << "q3.ogg" << 44100 << 2 << ogg("3") << 1024;
    QTest::newRow("Vorbis 22.05k mono") << "q0.ogg" << 22050 << 1 << ogg("0") << 1024;
}

void LosslessTest::exactSelection()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QStringList, codec);
    QFETCH(int, frameSamples);
    const QString source = path(name);
    if (codec.isEmpty()) {
        // FFmpeg's LAME wrapper has no CRC option; the lame program protects every frame.
        const QString wav = path(QStringLiteral("crc-source.wav"));
        QVERIFY(fixtures::makeAttacks(wav, 2.2, rate, channels, {}));
        QProcess lame;
        lame.start(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("-p"), QStringLiteral("-V"),
                    QStringLiteral("3"), wav, source});
        if (!lame.waitForStarted(10000))
            QSKIP("the lame program is not installed");
        QVERIFY(lame.waitForFinished(60000) && lame.exitCode() == 0);
    } else {
        QVERIFY(fixtures::makeAttacks(source, 2.2, rate, channels, codec));
    }
    const fixtures::Decoded whole = decodeAs(source, channels);
    const qint64 length = whole.frames();
    QVERIFY(length > 24 * frameSamples);
    const qint64 f = frameSamples;
    // The whole file, the LAME delay's frame boundaries and plain multiples, two frames
    // starting inside one just after the silence (the reservoir is full there), the very end.
    const std::pair<qint64, qint64> cuts[] = {{0, length},
                                              {f * 10 - 1105, f * 20 - 1105},
                                              {f * 10 + 3, f * 20},
                                              {rate + 7, rate + 2 * f + 7},
                                              {length - 2 * f - 11, length}};
    engine::FileCopier copier;
    for (const auto &[begin, end] : cuts) {
        const QString dest = path(QStringLiteral("cut.") + QFileInfo(name).suffix());
        QFile::remove(dest);
        const engine::Status s = copier.cut(source, dest, begin, end, {});
        QVERIFY2(s.ok(), qPrintable(s.description()));
        const fixtures::Decoded cut = decodeAs(dest, channels);
        const QString difference = firstDifference(cut.samples, slice(whole, begin, end), channels);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("%1..%2: %3").arg(begin).arg(end).arg(difference)));
        if (name.endsWith(QStringLiteral(".mp3"))) {
            const qint64 mpg123 = mpg123Frames(dest, channels);
            QVERIFY2(mpg123 < 0 || mpg123 == end - begin,
                     qPrintable(QStringLiteral("%1..%2: mpg123 gives %3 frames")
                                    .arg(begin)
                                    .arg(end)
                                    .arg(mpg123)));
        }
    }
}

void LosslessTest::oddlyPagedOgg_data()
{
    QTest::addColumn<int>("audioOnHeaderPage");
    QTest::addColumn<int>("pageBytes");
    QTest::addColumn<int>("granuleOffset");
    QTest::addColumn<int>("endTrim");
    QTest::newRow("plain pages") << 0 << 4096 << 0 << 0;
    QTest::newRow("audio on the header page") << 2 << 4096 << 0 << 0;
    QTest::newRow("one audio packet on the header page") << 1 << 4096 << 0 << 0;
    QTest::newRow("pages without a finished packet") << 0 << 90 << 0 << 0;
    QTest::newRow("packets continued across pages") << 0 << 700 << 0 << 0;
    QTest::newRow("last page trims the end") << 0 << 4096 << 0 << 900;
    QTest::newRow("first page trims the start") << 0 << 300 << -700 << 0;
    QTest::newRow("granules start after 0") << 0 << 4096 << 5000 << 0;
    QTest::newRow("all at once") << 2 << 300 << 0 << 700;
}

void LosslessTest::oddlyPagedOgg()
{
    QFETCH(int, audioOnHeaderPage);
    QFETCH(int, pageBytes);
    QFETCH(int, granuleOffset);
    QFETCH(int, endTrim);
    const QString normal = path(QStringLiteral("normal.ogg"));
    if (!QFile::exists(normal))
        QVERIFY(fixtures::makeAttacks(normal, 3.0, 44100, 2,
                                      {QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                       QStringLiteral("-q:a"), QStringLiteral("3")}));
    const QString source = path(QStringLiteral("paged.ogg"));
    QVERIFY(repageOgg(normal, source, {audioOnHeaderPage, pageBytes, granuleOffset, endTrim}));
    const fixtures::Decoded whole = decodeAs(source, 2);
    const qint64 length = whole.frames();
    QVERIFY(length > 44100);
    // The start, the first packets, the middle, and ends in the last page.
    const std::pair<qint64, qint64> cuts[] = {{0, 20000},
                                              {100, 3000},
                                              {length / 3 + 17, 2 * length / 3},
                                              {length - 5000, length - 200},
                                              {length - 1500, length},
                                              {0, length}};
    engine::FileCopier copier;
    int copied = 0;
    for (const auto &[begin, end] : cuts) {
        const QString dest = path(QStringLiteral("paged cut.ogg"));
        QFile::remove(dest);
        const engine::Status s = copier.cut(source, dest, begin, end, {});
        // libvorbisfile drops the start trimming out of the middle of the first page; a
        // selection across that gap cannot be copied and is refused with the reason.
        if (granuleOffset < 0 && s.code() == engine::StatusCode::CannotCopy &&
            s.reason().contains(QLatin1String("first page")))
            continue;
        QVERIFY2(s.ok(), qPrintable(s.description()));
        ++copied;
        const QString difference =
            firstDifference(decodeAs(dest, 2).samples, slice(whole, begin, end), 2);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("%1..%2: %3").arg(begin).arg(end).arg(difference)));
    }
    // At least the cuts in the last page, past the first one.
    QVERIFY(copied >= 2);
}

void LosslessTest::flacAndOpusAcrossTheFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("codec"); ///< empty: the flac program's encode
    QTest::addColumn<int>("block");         ///< samples per FLAC block or Opus packet
    QTest::addColumn<int>("bits");          ///< 0 for Opus
    const auto args = [](const char *options) { return QString::fromLatin1(options).split(u' '); };
    QTest::newRow("FLAC 16 bit 44.1k stereo")
        << "s16.flac" << 44100 << 2 << args("-c:a flac -sample_fmt s16") << 4608 << 16;
    QTest::newRow("FLAC 24 bit 48k mono")
        << "s24.flac" << 48000 << 1 << args("-c:a flac -sample_fmt s32") << 4608 << 24;
    QTest::newRow("FLAC 16 bit from the flac program")
        << "program.flac" << 44100 << 2 << QStringList() << 4096 << 16;
    QTest::newRow("FLAC with an ID3v2 tag in front, as some taggers write")
        << "id3.flac" << 44100 << 2 << args("-c:a flac -sample_fmt s16") << 4608 << 16;
    QTest::newRow("Opus 128 kbit/s stereo")
        << "celt.opus" << 48000 << 2 << args("-c:a libopus -b:a 128k") << 960 << 0;
    QTest::newRow("Opus 24 kbit/s mono voip, 60 ms packets")
        << "silk.opus" << 48000 << 1
        << args("-c:a libopus -b:a 24k -application voip -frame_duration 60") << 2880 << 0;
}

void LosslessTest::flacAndOpusAcrossTheFile()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(QStringList, codec);
    QFETCH(int, block);
    QFETCH(int, bits);
    const QString source = path(name);
    const bool haveFlac = !QStandardPaths::findExecutable(QStringLiteral("flac")).isEmpty();
    if (codec.isEmpty()) {
        if (!haveFlac)
            QSKIP("the flac program is not installed");
        const QString wav = path(QStringLiteral("program-source.wav"));
        QVERIFY(fixtures::makeAttacks(wav, 8.0, rate, channels, {}));
        QProcess flac;
        flac.start(QStringLiteral("flac"),
                   {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), source, wav});
        QVERIFY(flac.waitForFinished(60000) && flac.exitCode() == 0);
    } else {
        // Silence, then clicks, hits and noise bursts: every kind of block the codecs have.
        QVERIFY(fixtures::makeAttacks(source, 8.0, rate, channels, codec));
    }
    if (name.startsWith(u"id3")) {
        // ID3v2.3 with a title and padding; FFmpeg's reader skips it as the copier must.
        QByteArray frame = QByteArrayLiteral("TIT2\0\0\0\x06\0\0\0Intro");
        QByteArray tag = QByteArrayLiteral("ID3\x03\0\0\0\0\x01\0") + frame;
        tag.append(128 + 10 - tag.size(), '\0');
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray audio = file.readAll();
        QVERIFY(file.seek(0) && file.write(tag + audio) == tag.size() + audio.size());
    }
    const bool opus = bits == 0;
    const fixtures::Decoded whole = decodeAs(source, channels);
    const qint64 length = whole.frames();
    QVERIFY(length > 30 * block);
    // Packet edges in the decode lie the pre-skip before the stream's.
    const QByteArray bytes = fileBytes(source);
    const qsizetype head = bytes.indexOf("OpusHead");
    const qint64 offset =
        opus ? qint64(uint8_t(bytes[head + 10]) | uint8_t(bytes[head + 11]) << 8) : 0;
    const auto edge = [&](qint64 k) { return std::max<qint64>(0, k * block - offset); };
    std::vector<std::pair<qint64, qint64>> cuts = {
        {0, length},                          // the whole file
        {edge(30), edge(36)},                 // both on edges
        {edge(30) + 1, edge(36) - 1},         // both a sample inside
        {edge(31) - 15, edge(35) + 15},       // 15 samples before and after an edge
        {edge(32) - 1, edge(34) + 1},         // a sample on either side: blocks merge
        {edge(33) + 5, edge(33) + block - 3}, // inside one block
        {edge(25) + 100, edge(26) + 7},       // a short tail behind a re-encoded head
        {length - block - 7, length}};        // to the end
    // And positions across the whole file, silence, attacks and bursts alike.
    QRandomGenerator random(31);
    while (cuts.size() < 24) {
        const qint64 begin = qint64(random.bounded(quint32(length - 64)));
        const qint64 most = std::min<qint64>(length - begin, length / 3);
        cuts.emplace_back(begin, begin + 32 + qint64(random.bounded(quint32(most - 32))));
    }
    const QByteArray raw = opus ? QByteArray() : decodeRaw(source, bits);
    const qsizetype frameBytes = qsizetype(channels * bits / 8);
    engine::FileCopier copier;
    int copied = 0;
    for (const auto &[begin, end] : cuts) {
        const QString where = QStringLiteral("%1..%2: ").arg(begin).arg(end);
        const QString dest = path(QStringLiteral("sweep cut.") + QFileInfo(name).suffix());
        QFile::remove(dest);
        const engine::Status s = copier.cut(source, dest, begin, end, {});
        // Refused only where Begin and End share a packet (the fixed packet grid of these
        // files says which).
        const bool onePacket =
            (begin + offset) / block == (end - 1 + offset) / block && (begin + offset) % block != 0;
        if (opus && onePacket) {
            QCOMPARE(s.reason(), QStringLiteral("the selection lies within one Opus packet"));
            continue;
        }
        QVERIFY2(s.ok(), qPrintable(where + s.description()));
        ++copied;
        const fixtures::Decoded cut = decodeAs(dest, channels);
        const std::vector<float> want = slice(whole, begin, end);
        if (opus) {
            QVERIFY2(cut.frames() == end - begin,
                     qPrintable(where + QStringLiteral("%1 frames").arg(cut.frames())));
            // The decoder restarts at the copy's first packet; by Begin it has converged on
            // the source's decode, over the whole part and over its first 20 ms alike.
            const double db = differenceDb(cut.samples, want, channels, 0);
            const size_t first20ms = std::min<size_t>(want.size(), size_t(960 * channels));
            const double headDb =
                differenceDb({cut.samples.begin(), cut.samples.begin() + first20ms},
                             {want.begin(), want.begin() + first20ms}, channels, 0);
            QVERIFY2(db < -50 && headDb < -50,
                     qPrintable(where + QStringLiteral("difference %1 dBFS, %2 dBFS in the first "
                                                       "20 ms")
                                            .arg(db)
                                            .arg(headDb)));
            continue;
        }
        const QString difference = firstDifference(cut.samples, want, channels);
        QVERIFY2(difference.isEmpty(), qPrintable(where + difference));
        // STREAMINFO's MD5, after "fLaC" and the block's header and 18 bytes of sizes,
        // against one made here of the source's own decode.
        const QByteArray md5 = QCryptographicHash::hash(
            raw.mid(begin * frameBytes, (end - begin) * frameBytes), QCryptographicHash::Md5);
        QCOMPARE(fileBytes(dest).mid(26, 16).toHex(), md5.toHex());
        if (haveFlac) {
            QProcess test;
            test.start(QStringLiteral("flac"), {QStringLiteral("-t"), QStringLiteral("-s"), dest});
            QVERIFY(test.waitForFinished(60000));
            QVERIFY2(test.exitCode() == 0,
                     qPrintable(where + QString::fromUtf8(test.readAllStandardError())));
        }
    }
    QVERIFY(copied >= int(cuts.size()) - 2);
}

void LosslessTest::wavIsTheSourcesSlice()
{
    // 24-bit mono has 3-byte frames: a slice off by a byte would shift every sample.
    for (const char *format : {"pcm_s16le", "pcm_s24le", "pcm_f32le"}) {
        const QString source = path(QStringLiteral("%1.wav").arg(QLatin1String(format)));
        const int channels = QByteArray(format) == "pcm_s24le" ? 1 : 2;
        QVERIFY(fixtures::makeTone(source, 2.0, 48000, channels,
                                   {QStringLiteral("-c:a"), QString::fromLatin1(format)}));
        QFile in(source);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        const qsizetype data = bytes.indexOf("data") + 8;
        const int frameBytes = channels * (QByteArray(format) == "pcm_s16le"   ? 2
                                           : QByteArray(format) == "pcm_s24le" ? 3
                                                                               : 4);
        const QString dest = path(QStringLiteral("cut.wav"));
        QVERIFY(engine::FileCopier().cut(source, dest, 4801, 90001, {}).ok());
        QFile out(dest);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray copied = out.readAll();
        QCOMPARE(copied.mid(copied.indexOf("data") + 8),
                 bytes.mid(data + 4801 * frameBytes, (90001 - 4801) * frameBytes));
        QCOMPARE(fixtures::decodeWithFfmpeg(dest).frames(), 90001 - 4801);
    }
}

void LosslessTest::refusalsSayWhy_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<qint64>("begin");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<QString>("reason");
    QTest::newRow("another format")
        << "a.mp3"
        << "cut.ogg" << qint64(0) << qint64(44100) << "the source is MP3";
    QTest::newRow("inside one MP3 frame")
        << "a.mp3"
        << "cut.mp3" << qint64(1152 * 5 - 1105 + 10) << qint64(1152 * 6 - 1105 - 10)
        << "the selection lies within one MP3 frame";
    QTest::newRow("inside the first Ogg packet")
        << "a.ogg"
        << "cut.ogg" << qint64(10000) << qint64(10010)
        << "the selection ends within the first Ogg packet";
    QTest::newRow("chained Ogg") << "chained.ogg"
                                 << "cut.ogg" << qint64(0) << qint64(44100) << "a chained Ogg file";
    QTest::newRow("A-law WAV") << "alaw.wav"
                               << "cut.wav" << qint64(0) << qint64(4000)
                               << "the WAV file is not PCM";
    QTest::newRow("8-bit FLAC") << "u8.flac"
                                << "cut.flac" << qint64(0) << qint64(4000)
                                << "the FLAC source is 8-bit; 16- and 24-bit FLAC is copied";
    // A copy carries every frame's CRC over; its own decode must see a damaged one.
    QTest::newRow("damaged FLAC frame")
        << "damaged.flac"
        << "cut.flac" << qint64(0) << qint64(88200) << "the FLAC stream is damaged";
    QTest::newRow("FLAC under 16 samples")
        << "a.flac"
        << "cut.flac" << qint64(5000) << qint64(5015) << "the selection is shorter than 16 samples";
    // Packet 50 covers 48,000..48,960 of the stream, less libopus's pre-skip of 312.
    QTest::newRow("inside one Opus packet") << "a.opus"
                                            << "cut.opus" << qint64(47700) << qint64(47800)
                                            << "the selection lies within one Opus packet";
    QTest::newRow("Opus into OGG")
        << "a.opus"
        << "cut.ogg" << qint64(0) << qint64(44100) << "the source is Opus";
}

void LosslessTest::refusalsSayWhy()
{
    QFETCH(QString, source);
    QFETCH(QString, dest);
    QFETCH(qint64, begin);
    QFETCH(qint64, end);
    QFETCH(QString, reason);
    const QString src = path(source);
    if (!QFile::exists(src)) {
        if (source == QStringLiteral("chained.ogg")) {
            // Two links with their own serial numbers, one after the other.
            QByteArray links;
            for (const char *offset : {"0", "77"}) {
                const QString link = path(QStringLiteral("link%1.ogg").arg(QLatin1String(offset)));
                QVERIFY(fixtures::makeTone(link, 1.0, 44100, 2,
                                           {QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                            QStringLiteral("-serial_offset"),
                                            QString::fromLatin1(offset)}));
                QFile f(link);
                QVERIFY(f.open(QIODevice::ReadOnly));
                links += f.readAll();
            }
            QFile chained(src);
            QVERIFY(chained.open(QIODevice::WriteOnly));
            chained.write(links);
        } else if (source == QStringLiteral("damaged.flac")) {
            QVERIFY(fixtures::makeTone(src, 2.0, 44100, 2,
                                       {QStringLiteral("-c:a"), QStringLiteral("flac")}));
            QFile file(src);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x10);
            QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        } else if (source == QStringLiteral("u8.flac")) {
            // FFmpeg's encoder writes 16 and 24 bits only; the flac program takes 8.
            const QString wav = path(QStringLiteral("u8.wav"));
            QVERIFY(fixtures::makeTone(wav, 1.0, 44100, 2,
                                       {QStringLiteral("-c:a"), QStringLiteral("pcm_u8")}));
            QProcess flac;
            flac.start(QStringLiteral("flac"),
                       {QStringLiteral("-s"), QStringLiteral("-o"), src, wav});
            if (!flac.waitForStarted(10000))
                QSKIP("the flac program is not installed");
            QVERIFY(flac.waitForFinished(60000) && flac.exitCode() == 0);
        } else {
            const QStringList codec =
                source.endsWith(QStringLiteral(".mp3"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}
                : source.endsWith(QStringLiteral(".ogg"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis")}
                : source.endsWith(QStringLiteral(".flac"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("flac")}
                : source.endsWith(QStringLiteral(".opus"))
                    ? QStringList{QStringLiteral("-c:a"), QStringLiteral("libopus")}
                    : QStringList{QStringLiteral("-c:a"), QStringLiteral("pcm_alaw")};
            QVERIFY(fixtures::makeTone(src, 1.0, 44100, 2, codec));
        }
    }
    engine::FileCopier copier;
    const auto format = engine::outputFormatOf(dest);
    QVERIFY(format);
    const auto described = copier.describeCopy(src, format->format);
    QFile::remove(path(dest));
    const engine::Status cut = copier.cut(src, path(dest), begin, end, {});
    QCOMPARE(cut.code(), engine::StatusCode::CannotCopy);
    QCOMPARE(cut.reason(), reason);
    QVERIFY2(cut.description().contains(src), qPrintable(cut.description()));
    // The copy's own checks come only with the selection, and a damaged frame only with
    // its decode; the source's come already here.
    if (!reason.startsWith(QStringLiteral("the selection")) && !reason.contains(u"damaged"))
        QCOMPARE(described.status().reason(), reason);
    else
        QVERIFY(described.ok());
    QVERIFY(!QFile::exists(path(dest)));
}

void LosslessTest::cancelFinishesWhatWasCopied_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codec");
    // Noise, so that ten seconds take more than one step of the copy in every format.
    QTest::newRow("MP3") << "long.mp3"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                        QStringLiteral("-b:a"), QStringLiteral("320k")};
    QTest::newRow("Ogg") << "long.ogg"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis"),
                                        QStringLiteral("-q:a"), QStringLiteral("10")};
    QTest::newRow("WAV") << "long.wav"
                         << QStringList{QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")};
    QTest::newRow("FLAC") << "long.flac"
                          << QStringList{QStringLiteral("-c:a"), QStringLiteral("flac"),
                                         QStringLiteral("-sample_fmt"), QStringLiteral("s16")};
}

void LosslessTest::cancelFinishesWhatWasCopied()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    const QString source = path(name);
    QVERIFY(fixtures::runFfmpeg(
        QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("anoisesrc=r=44100:a=0.5:d=10")} +
        QStringList{QStringLiteral("-ac"), QStringLiteral("2")} + codec + QStringList{source}));
    const fixtures::Decoded whole = decodeAs(source, 2);
    const qint64 begin = 12345;
    const qint64 end = whole.frames() - 4321;
    const QString dest = path(QStringLiteral("cancelled.") + QFileInfo(name).suffix());
    std::vector<float> progress;
    engine::JobCallbacks callbacks;
    callbacks.progress = [&](float percent) { progress.push_back(percent); };
    callbacks.goOn = [] { return false; };
    const engine::Status s = engine::FileCopier().cut(source, dest, begin, end, callbacks);
    QVERIFY2(s.ok(), qPrintable(s.description()));
    const fixtures::Decoded cut = decodeAs(dest, 2);
    QVERIFY2(cut.frames() > 0 && cut.frames() < end - begin,
             qPrintable(QString::number(cut.frames())));
    QCOMPARE(firstDifference(cut.samples, slice(whole, begin, begin + cut.frames()), 2), QString());
    QVERIFY(progress.size() >= 2);
    QVERIFY(progress[1] > 0 && progress[1] < 100);
}

void LosslessTest::sourceShrinksDuringTheCopy()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    const QString source = path(QStringLiteral("shrinking ") + name);
    QVERIFY(fixtures::runFfmpeg(
        QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("anoisesrc=r=44100:a=0.5:d=40")} +
        QStringList{QStringLiteral("-ac"), QStringLiteral("2")} + codec + QStringList{source}));
    const qint64 frames = decodeAs(source, 2).frames();
    const QString dest = path(QStringLiteral("older.") + QFileInfo(name).suffix());
    const QByteArray older("The older file, which a failed cut must leave as it was.");
    {
        QFile file(dest);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(older);
    }
    // Another program cuts the source to a tenth as soon as the copy has begun; forty
    // seconds are more than the copier reads ahead.
    engine::JobCallbacks callbacks;
    callbacks.progress = [&](float percent) {
        if (percent > 0)
            QFile::resize(source, QFileInfo(source).size() / 10);
    };
    const engine::Status s = engine::FileCopier().cut(source, dest, 0, frames, callbacks);
    QVERIFY(!s.ok());
    QVERIFY2(s.description().contains(source) && s.description().contains(QLatin1String("shorter")),
             qPrintable(s.description()));
    QFile file(dest);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), older);
    QCOMPARE(QDir(m_dir.path()).entryList({QFileInfo(dest).fileName() + u'*'}, QDir::Files),
             QStringList{QFileInfo(dest).fileName()});
}

QTEST_GUILESS_MAIN(LosslessTest)
#include "tst_lossless.moc"
