// The information object against independent tools: files and tags made by the ffmpeg
// program, tags checked by ffprobe and mutagen, audio compared through the ffmpeg decoder.
#include "Fixtures.h"
#include "engine/factory/Initialise.h"
#include "engine/info/TagLibInformation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fileref.h>
#include <tfile.h>
#include <tpropertymap.h>

using engine::TagValues;

namespace {

// Reads the seven fields with mutagen, each from the frame or attribute that format keeps
// it in; fields that are missing or empty are left out.
const char *const kMutagenDump = R"(
import json, sys, mutagen
f = mutagen.File(sys.argv[1])
tags = f.tags if f is not None else None
out = {}
def put(key, value):
    value = str(value).strip() if value is not None else ''
    if value:
        out[key] = value
if tags is None:
    pass
elif isinstance(tags, mutagen.id3.ID3):
    for key, frame in (('title', 'TIT2'), ('artist', 'TPE1'), ('album', 'TALB'),
                       ('genre', 'TCON'), ('year', 'TDRC'), ('track', 'TRCK')):
        if frame in tags:
            put(key, tags[frame].text[0])
    comments = tags.getall('COMM')
    if comments:
        put('comment', comments[0].text[0])
    out['id3'] = '2.%d' % tags.version[1]
elif isinstance(tags, mutagen.asf.ASFTags):
    for key, name in (('title', 'Title'), ('artist', 'Author'), ('album', 'WM/AlbumTitle'),
                      ('genre', 'WM/Genre'), ('year', 'WM/Year'), ('track', 'WM/TrackNumber'),
                      ('comment', 'Description')):
        if name in tags:
            put(key, tags[name][0].value)
else:
    for key, names in (('title', ['title']), ('artist', ['artist']), ('album', ['album']),
                       ('genre', ['genre']), ('year', ['date']), ('track', ['tracknumber']),
                       ('comment', ['comment', 'description'])):
        for name in names:
            if name in tags:
                put(key, tags[name][0])
                break
print(json.dumps(out))
)";

/// The seven values in the text form every reader shows, none left out.
QVariantMap expectedFields(const TagValues &v)
{
    QVariantMap map;
    auto put = [&map](const char *key, const QString &value) {
        if (!value.isEmpty())
            map.insert(QLatin1String(key), value);
    };
    put("title", v.title);
    put("artist", v.artist);
    put("album", v.album);
    put("genre", v.genre);
    put("year", v.date);
    put("track", v.track);
    put("comment", v.comment);
    return map;
}

QString mutagenPython()
{
    for (const QString &candidate :
         {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import mutagen")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return candidate;
    }
    return {};
}

QVariantMap mutagenFields(const QString &path)
{
    static const QString python = mutagenPython();
    if (python.isEmpty())
        qFatal("No python3 with mutagen (Debian package python3-mutagen) was found.");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromUtf8(kMutagenDump), path});
    process.waitForFinished(20000);
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitCode() != 0)
        qWarning("mutagen: %s", process.readAllStandardError().constData());
    return QJsonDocument::fromJson(out).object().toVariantMap();
}

/// ffprobe's format and stream tags, under the seven names.

QStringList ffmpegTagArgs(const TagValues &v)
{
    return {QStringLiteral("-metadata"), QStringLiteral("title=") + v.title,
            QStringLiteral("-metadata"), QStringLiteral("artist=") + v.artist,
            QStringLiteral("-metadata"), QStringLiteral("album=") + v.album,
            QStringLiteral("-metadata"), QStringLiteral("genre=") + v.genre,
            QStringLiteral("-metadata"), QStringLiteral("date=") + v.date,
            QStringLiteral("-metadata"), QStringLiteral("track=") + v.track,
            QStringLiteral("-metadata"), QStringLiteral("comment=") + v.comment};
}

const TagValues kSource{QStringLiteral("Grüße aus 東京"),
                        QStringLiteral("Ärtist"),
                        QStringLiteral("Albüm ☃"),
                        QStringLiteral("ünïcode comment"),
                        QStringLiteral("Rock"),
                        QStringLiteral("1999"),
                        QStringLiteral("7")};

QStringList codecArgs(const QString &extension)
{
    if (extension == QLatin1String("mp3"))
        return {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                QStringLiteral("128k")};
    if (extension == QLatin1String("ogg"))
        return {QStringLiteral("-c:a"), QStringLiteral("libvorbis"), QStringLiteral("-b:a"),
                QStringLiteral("128k")};
    if (extension == QLatin1String("wma"))
        return {QStringLiteral("-c:a"), QStringLiteral("wmav2"), QStringLiteral("-b:a"),
                QStringLiteral("128k")};
    return {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")};
}

} // namespace

class InformationTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    /// A 1.5 s tone in a Unicode-named file, tagged by ffmpeg with `tags` (or untagged).
    QString makeFile(const QString &extension, const TagValues *tags)
    {
        static int counter = 0;
        const QString path =
            m_dir.filePath(QStringLiteral("Tön %1 ☃.%2").arg(++counter).arg(extension));
        QStringList args = codecArgs(extension);
        if (tags)
            args += ffmpegTagArgs(*tags);
        else
            args += {QStringLiteral("-map_metadata"), QStringLiteral("-1"),
                     QStringLiteral("-fflags"), QStringLiteral("+bitexact")};
        if (!fixtures::makeTone(path, 1.5, 44100, 2, args))
            return {};
        return path;
    }

private slots:
    void initTestCase()
    {
        engine::initialise();
        QVERIFY(m_dir.isValid());
    }

    void describesFormats_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QStringList>("codec");
        QTest::addColumn<QString>("description");
        auto row = [](const char *name, const char *ext, int rate, int channels, QStringList codec,
                      const char *description) {
            QTest::newRow(name) << QString::fromLatin1(ext) << rate << channels << codec
                                << QString::fromUtf8(description);
        };
        const auto s = [](const char *text) { return QString::fromLatin1(text); };
        row("mp3 stereo", "mp3", 44100, 2, {s("-c:a"), s("libmp3lame"), s("-b:a"), s("128k")},
            "MPEG Layer 3; 44,100 Hz; 128 Kbps; Stereo;");
        row("mp3 mono", "mp3", 22050, 1, {s("-c:a"), s("libmp3lame"), s("-b:a"), s("64k")},
            "MPEG Layer 3; 22,050 Hz; 64 Kbps; Mono;");
        row("ogg stereo", "ogg", 44100, 2, {s("-c:a"), s("libvorbis"), s("-b:a"), s("128k")},
            "OGG Vorbis; 44,100 Hz; 128 Kbps; Stereo;");
        row("ogg mono", "ogg", 16000, 1, {s("-c:a"), s("libvorbis"), s("-b:a"), s("48k")},
            "OGG Vorbis; 16,000 Hz; 48 Kbps; Mono;");
        row("wma stereo", "wma", 44100, 2, {s("-c:a"), s("wmav2"), s("-b:a"), s("128k")},
            "Windows Media Audio 2; 44,100 Hz; 128 Kbps; Stereo;");
        row("wma mono", "wma", 22050, 1, {s("-c:a"), s("wmav2"), s("-b:a"), s("32k")},
            "Windows Media Audio 2; 22,050 Hz; 32 Kbps; Mono;");
        row("wav 16 bit stereo", "wav", 44100, 2, {s("-c:a"), s("pcm_s16le")},
            "PCM 16 bit; 44,100 Hz; 1,411 Kbps; Stereo;");
        row("wav 8 bit mono", "wav", 8000, 1, {s("-c:a"), s("pcm_u8")},
            "PCM 8 bit; 8,000 Hz; 64 Kbps; Mono;");
    }
    void describesFormats()
    {
        QFETCH(QString, extension);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(QStringList, codec);
        QFETCH(QString, description);
        const QString path = m_dir.filePath(QStringLiteral("described.") + extension);
        QVERIFY(fixtures::makeTone(path, 1.0, rate, channels, codec));
        engine::TagLibInformation information;
        QVERIFY(information.readInformation(path));
        QCOMPARE(information.sourceFormatDescription(), description);
    }

    void unusableFiles()
    {
        engine::TagLibInformation information;
        // A video without sound opens but has nothing to describe.
        const QString video = m_dir.filePath(QStringLiteral("video only.mkv"));
        QVERIFY(fixtures::runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"),
                                     QStringLiteral("-i"), QStringLiteral("testsrc=d=0.5:s=64x48"),
                                     QStringLiteral("-c:v"), QStringLiteral("mjpeg"), video}));
        QVERIFY(information.readInformation(video));
        QCOMPARE(information.sourceFormatDescription(), QString());

        const QString text = m_dir.filePath(QStringLiteral("not audio.mp3"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("This is a text file that only looks like an MP3 by its name.\n");
        file.close();
        for (const QString &path : {text, m_dir.filePath(QStringLiteral("missing.mp3"))}) {
            const engine::Status read = information.readInformation(path);
            QVERIFY(!read);
            QVERIFY2(read.description().contains(path), qPrintable(read.description()));
            QCOMPARE(information.sourceFormatDescription(), QString());
            QCOMPARE(information.tags(), TagValues{});
        }
    }

    void readsFfmpegTags_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("genre");
        for (const char *extension : {"mp3", "ogg", "wma", "wav"})
            QTest::newRow(extension) << QString::fromLatin1(extension) << QStringLiteral("Rock");
        QTest::newRow("unknown genre") << QStringLiteral("ogg") << QStringLiteral("Chiptune Noise");
    }
    void readsFfmpegTags()
    {
        QFETCH(QString, extension);
        QFETCH(QString, genre);
        QStringList args = codecArgs(extension) + ffmpegTagArgs(kSource);
        args[args.indexOf(QStringLiteral("genre=Rock"))] = QStringLiteral("genre=") + genre;
        const QString path = m_dir.filePath(QStringLiteral("tagged by ffmpeg ☃.") + extension);
        QVERIFY(fixtures::makeTone(path, 1.0, 44100, 2, args));
        engine::TagLibInformation information;
        QVERIFY(information.readInformation(path));
        TagValues expected = kSource;
        expected.genre = genre;
        QCOMPARE(information.tags(), expected);
    }

    void writesTags_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("sparse");
        for (const char *extension : {"mp3", "ogg", "wma", "wav"}) {
            QTest::addRow("%s all fields", extension) << QString::fromLatin1(extension) << false;
            QTest::addRow("%s fields removed", extension) << QString::fromLatin1(extension) << true;
        }
    }
    void writesTags()
    {
        QFETCH(QString, extension);
        QFETCH(bool, sparse);
        // Starts from a file with every field set, so that removing is seen.
        const QString path = makeFile(extension, &kSource);
        QVERIFY(!path.isEmpty());
        const fixtures::Decoded before = fixtures::decodeWithFfmpeg(path);
        QVERIFY(before.frames() > 0);

        TagValues values{QStringLiteral("Ωmega – новый"),
                         QStringLiteral("Künstler"),
                         QStringLiteral("専辑"),
                         QStringLiteral("Comentário"),
                         QStringLiteral("Hörspiel"),
                         QStringLiteral("2024"),
                         QStringLiteral("12")};
        if (sparse)
            values = TagValues{QStringLiteral("Only a title"), {}, {}, {}, {}, {}, {}};
        engine::TagLibInformation information;
        information.setTags(values);
        QVERIFY(information.writeTags(path));

        engine::TagLibInformation reader;
        QVERIFY(reader.readInformation(path));
        QCOMPARE(reader.tags(), values);
        QCOMPARE(fixtures::probeTags(path), expectedFields(values));
        QVariantMap byMutagen = mutagenFields(path);
        if (extension == QLatin1String("mp3"))
            QCOMPARE(byMutagen.take(QStringLiteral("id3")).toString(), QStringLiteral("2.3"));
        byMutagen.remove(QStringLiteral("id3")); // the WAV's ID3 chunk: any version
        QCOMPARE(byMutagen, expectedFields(values));

        const fixtures::Decoded after = fixtures::decodeWithFfmpeg(path);
        QCOMPARE(after.rate, before.rate);
        QVERIFY(after.samples == before.samples);
        if (extension == QLatin1String("mp3")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.seek(file.size() - 128));
            QVERIFY2(!file.read(3).startsWith("TAG"), "an ID3v1 tag was written");
        }
    }

    void writeFailures()
    {
        engine::TagLibInformation information;
        information.setTags(kSource);
        const QString missing = m_dir.filePath(QStringLiteral("missing ☃.mp3"));
        const engine::Status notThere = information.writeTags(missing);
        QVERIFY(!notThere);
        QVERIFY(notThere.description().contains(missing));
        // The reason stands on its own after the window's words.
        QCOMPARE(notThere.reason(), QStringLiteral("the file does not exist"));
        QVERIFY(!QFileInfo::exists(missing));

        const QString text = m_dir.filePath(QStringLiteral("text ☃.ogg"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray content("Only text in here.\n");
        file.write(content);
        file.close();
        const engine::Status notAudio = information.writeTags(text);
        QVERIFY(!notAudio);
        QVERIFY(notAudio.description().contains(text));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);

        const QString aiff = m_dir.filePath(QStringLiteral("uncompressed.aiff"));
        QVERIFY(fixtures::makeTone(aiff, 0.5, 44100, 1, {}));
        const engine::Status unsupported = information.writeTags(aiff);
        QVERIFY(!unsupported);
        QVERIFY(unsupported.description().contains(QLatin1String("WAV, FLAC and M4A")));
        QVERIFY(!unsupported.reason().contains(aiff));
        QVERIFY(unsupported.reason().contains(QLatin1String("WAV, FLAC and M4A")));
        // Nothing is left behind beside the files.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".*")}, QDir::Hidden | QDir::Files),
                 QStringList());
    }

    // What the tag transfer after a cut does, through the developer tool, between every
    // pair of formats: a full date, a track that counts the tracks, a genre that the ID3v1
    // list does not know. `held` is how the destination keeps them, as TagLib reads it.
    void toolCopiesTags_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("held");
        const QStringList together = {QStringLiteral("DATE=2004-05-17"),
                                      QStringLiteral("GENRE=Synthwave"),
                                      QStringLiteral("TRACKNUMBER=3/12")};
        const QStringList vorbis = {
            QStringLiteral("DATE=2004-05-17"), QStringLiteral("GENRE=Synthwave"),
            QStringLiteral("TRACKNUMBER=3"), QStringLiteral("TRACKTOTAL=12")};
        for (const char *from : {"mp3", "ogg", "wma", "wav"})
            for (const char *to : {"mp3", "ogg", "wma", "wav"})
                QTest::addRow("%s to %s", from, to)
                    << QString::fromLatin1(from) << QString::fromLatin1(to)
                    << (qstrcmp(to, "ogg") == 0 ? vorbis : together);
    }
    void toolCopiesTags()
    {
        QFETCH(QString, from);
        QFETCH(QString, extension);
        QFETCH(QStringList, held);
        TagValues tags = kSource;
        tags.genre = QStringLiteral("Synthwave");
        tags.date = QStringLiteral("2004-05-17");
        tags.track = QStringLiteral("3/12");
        const QString source = makeFile(from, &tags);
        const QString destination = makeFile(extension, nullptr);
        QVERIFY(!source.isEmpty() && !destination.isEmpty());
        QByteArray out;
        QByteArray err;
        QCOMPARE(fixtures::runTool({QStringLiteral("tags"), source, destination}, &out, &err), 0);
        QCOMPARE(QString::fromUtf8(out),
                 QStringLiteral("title=%1\nartist=%2\nalbum=%3\ngenre=Synthwave\n"
                                "year=2004-05-17\ntrack=3/12\ncomment=%4\n")
                     .arg(tags.title, tags.artist, tags.album, tags.comment));

        const TagLib::FileRef file(QFile::encodeName(destination).constData(), false);
        QVERIFY(file.file() && file.file()->isValid());
        const TagLib::PropertyMap properties = file.file()->properties();
        QStringList found;
        for (const char *key : {"DATE", "GENRE", "TRACKNUMBER", "TRACKTOTAL"})
            for (const TagLib::String &value : properties.value(key))
                found << QString::fromLatin1(key) + u'=' + QString::fromUtf8(value.toCString(true));
        QCOMPARE(found, held);

        // Other readers show a Vorbis TRACKNUMBER without its TRACKTOTAL.
        QVariantMap expected = expectedFields(tags);
        if (extension == QLatin1String("ogg"))
            expected[QStringLiteral("track")] = QStringLiteral("3");
        QCOMPARE(fixtures::probeTags(destination), expected);
        QVariantMap byMutagen = mutagenFields(destination);
        byMutagen.remove(QStringLiteral("id3"));
        QCOMPARE(byMutagen, expected);
        engine::TagLibInformation reader;
        QVERIFY(reader.readInformation(destination));
        QCOMPARE(reader.tags(), tags);

        QCOMPARE(fixtures::runTool({QStringLiteral("tags"), source,
                                    m_dir.filePath(QStringLiteral("absent.") + extension)},
                                   nullptr, &err),
                 1);
        QVERIFY(err.contains("Cannot write the tags of"));
    }
};

QTEST_GUILESS_MAIN(InformationTest)
#include "tst_information.moc"
