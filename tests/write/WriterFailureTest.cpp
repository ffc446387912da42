// Writers that cannot finish: the failure carries the system's reason, nothing half-written
// is left behind, and an older file of the same name stays exactly as it was.
#include "Fixtures.h"
#include "WriterTestSupport.h"
#include "engine/factory/Initialise.h"

#include "engine/encode/OutputWriters.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace writertest;

namespace {

const QByteArray kOldContents = QByteArray("an older file of the same name\n").repeated(300);

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

void addFormatRows()
{
    QTest::addColumn<QString>("extension");
    for (const char *extension : {"mp3", "ogg", "wma", "wav"})
        QTest::newRow(extension) << QString::fromLatin1(extension);
}

/// Lowers this process's file size limit for its lifetime; SIGXFSZ is ignored so that the
/// write fails with EFBIG instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit lowered = m_previous;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace

class WriterFailureTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tone; // 20 s, far more than the limits below let through

    /// An empty folder of its own holding only an older `name`.
    QString folderWithOldFile(const QString &name)
    {
        const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                                              u'-' + QString::fromLatin1(QTest::currentDataTag()));
        if (!QDir().mkpath(folder) || !writeFile(folder + u'/' + name, kOldContents))
            return QString();
        return folder;
    }

private slots:
    void initTestCase();
    void cannotCreate_data();
    void cannotCreate();
    void writeFailsMidway_data() { addFormatRows(); }
    void writeFailsMidway();
    void diskRunsFull_data() { addFormatRows(); }
    void diskRunsFull();
    void failedWriteIsNeverReportedAsSuccess();
    void discardLeavesTheDestination_data() { addFormatRows(); }
    void discardLeavesTheDestination();
    void misuseFails();
};

void WriterFailureTest::initTestCase()
{
    engine::initialise();
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(fixtures::makeTone(m_tone, 20, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")}));
}

void WriterFailureTest::cannotCreate_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("reason");
    QTest::newRow("under a regular file mp3") << "file.txt/out.mp3"
                                              << "Not a directory";
    QTest::newRow("under a regular file wma") << "file.txt/out.wma"
                                              << "Not a directory";
    QTest::newRow("missing folder ogg") << "missing/out.ogg"
                                        << "No such file or directory";
    QTest::newRow("a folder named like a wav") << "folder.wav"
                                               << "folder";
}

void WriterFailureTest::cannotCreate()
{
    QFETCH(QString, relative);
    QFETCH(QString, reason);
    const QString folder = folderWithOldFile(QStringLiteral("file.txt"));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("folder.wav")));
    const QString path = folder + u'/' + relative;
    const auto created = engine::createOutputWriter(path, engine::OutputChoice());
    QVERIFY(!created);
    QVERIFY2(created.description().contains(path) && created.description().contains(reason),
             qPrintable(created.description()));
    QCOMPARE(contents(folder + QStringLiteral("/file.txt")), kOldContents);
    QCOMPARE(folderContents(folder),
             (QStringList{QStringLiteral("file.txt"), QStringLiteral("folder.wav")}));
}

void WriterFailureTest::writeFailsMidway()
{
    QFETCH(QString, extension);
    const QString name = QStringLiteral("out.") + extension;
    const QString folder = folderWithOldFile(name);
    QVERIFY(!folder.isEmpty());
    // A child process with a 64 KiB file size limit, SIGXFSZ ignored (kept across exec).
    const QString script = QStringLiteral("ulimit -f 64; trap '' XFSZ; exec \"$0\" \"$@\"");
    QByteArray err;
    const int code = runToolUnder({QStringLiteral("bash"), QStringLiteral("-c"), script},
                                  {QStringLiteral("convert"), m_tone, folder + u'/' + name,
                                   QStringLiteral("0"), QString::number(20 * 44100)},
                                  nullptr, &err);
    QVERIFY2(code != 0, err.constData());
    QVERIFY2(err.contains("File too large") && err.contains(name.toUtf8()), err.constData());
    QCOMPARE(contents(folder + u'/' + name), kOldContents);
    QCOMPARE(folderContents(folder), QStringList{name});
}

void WriterFailureTest::diskRunsFull()
{
    QFETCH(QString, extension);
    const QString name = QStringLiteral("out.") + extension;
    const QString folder = m_dir.filePath(QStringLiteral("full-") + extension);
    QVERIFY(QDir().mkpath(folder));
    const QString errors = m_dir.filePath(QStringLiteral("full-%1.err").arg(extension));
    // A 64 KiB tmpfs in a mount namespace of its own: nothing to unmount afterwards, and
    // the folder is inspected from inside before the namespace goes away.
    const QString script = QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 77\n"
                                          "printf '%s' \"$4\" > \"$1/$2\"\n"
                                          "\"$0\" convert \"$3\" \"$1/$2\" 0 882000 2> \"$5\"\n"
                                          "echo \"rc=$?\"\n"
                                          "md5sum < \"$1/$2\"\n"
                                          "ls -A \"$1\"\n");
    QByteArray out;
    const int code =
        runToolUnder({QStringLiteral("unshare"), QStringLiteral("-m"), QStringLiteral("bash"),
                      QStringLiteral("-c"), script},
                     {folder, name, m_tone, QString::fromLatin1(kOldContents), errors}, &out);
    if (code != 0)
        QSKIP("a tmpfs cannot be mounted here (needs root and mount namespaces)");
    const QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0] != QLatin1String("rc=0"), qPrintable(lines[0]));
    const QByteArray err = contents(errors);
    QVERIFY2(err.contains("No space left on device") && err.contains(name.toUtf8()),
             err.constData());
    QCOMPARE(lines[1].section(u' ', 0, 0).toLatin1(),
             QCryptographicHash::hash(kOldContents, QCryptographicHash::Md5).toHex());
    QCOMPARE(lines[2], name);
}

void WriterFailureTest::failedWriteIsNeverReportedAsSuccess()
{
    const QString folder = folderWithOldFile(QStringLiteral("out.wav"));
    const QString path = folder + QStringLiteral("/out.wav");
    auto made = engine::createOutputWriter(path, engine::OutputChoice());
    QVERIFY(made);
    engine::AudioWriter &file = *made.value();
    QVERIFY(file.setInputFormat(44100, 2));
    const engine::SampleBlock second(44100 * 2, 0.25f);
    engine::Status failed;
    bool failedAtClose = false;
    {
        // The limit falls inside the last block: the system takes part of that write and
        // nothing after it, which must not pass for a complete file. Encoding runs behind
        // the caller, so the failure may come with a later write or with the close.
        FileSizeLimit limit(44 + 44100 * 4 + 1000);
        QVERIFY(limit.ok());
        for (int i = 0; i < 2 && failed; ++i)
            failed = file.write(second);
        if (failed) {
            failed = file.finish();
            failedAtClose = true;
        }
    }
    QVERIFY(!failed);
    QVERIFY2(failed.description().contains(QLatin1String("File too large")) &&
                 failed.description().contains(path),
             qPrintable(failed.description()));
    if (!failedAtClose) {
        // It stays the answer, and closing does not turn it into success.
        QVERIFY(!file.write(second));
        const engine::Status closed = file.finish();
        QVERIFY(!closed);
        QCOMPARE(closed.description(), failed.description());
    }
    QCOMPARE(contents(path), kOldContents);
    QCOMPARE(folderContents(folder), QStringList{QStringLiteral("out.wav")});
}

void WriterFailureTest::discardLeavesTheDestination()
{
    QFETCH(QString, extension);
    const QString name = QStringLiteral("out.") + extension;
    const QString folder = folderWithOldFile(name);
    const QString path = folder + u'/' + name;
    const engine::SampleBlock block(44100 * 2, 0.25f);
    const engine::OutputChoice output;
    {
        auto file = std::move(engine::createOutputWriter(path, output).value());
        QVERIFY(file->setInputFormat(44100, 2));
        QVERIFY(file->write(block));
        file->discard();
        QCOMPARE(contents(path), kOldContents);
        // Destroying a writer abandons the file it was writing.
        auto again = std::move(engine::createOutputWriter(path, output).value());
        QVERIFY(again->setInputFormat(44100, 2) && again->write(block));
        auto other =
            engine::createOutputWriter(folder + QStringLiteral("/other.") + extension, output);
        QVERIFY(other.value()->setInputFormat(44100, 2) && other.value()->write(block));
    }
    QCOMPARE(contents(path), kOldContents);
    QCOMPARE(folderContents(folder), QStringList{name});
}

void WriterFailureTest::misuseFails()
{
    const QString folder = folderWithOldFile(QStringLiteral("out.mp3"));
    const QString path = folder + QStringLiteral("/out.mp3");
    const auto writer = [&] { return std::move(engine::createOutputWriter(path, {}).value()); };

    auto file = writer();
    QVERIFY(!file->write(engine::SampleBlock(2, 0.0f))); // input format not set
    QVERIFY(!file->finish());
    file = writer();
    QVERIFY(!file->setInputFormat(0, 2));
    file = writer();
    QVERIFY(file->setInputFormat(44100, 2));
    const engine::Status partial = file->write(engine::SampleBlock(3, 0.0f));
    QVERIFY(!partial);
    QVERIFY2(partial.description().contains(path), qPrintable(partial.description()));
    file = writer();
    QVERIFY(file->setInputFormat(44100, 2) && file->write(engine::SampleBlock(4, 0.0f)));
    QVERIFY(!file->setInputFormat(22050, 2)); // once writing has begun
    QVERIFY(!file->finish());
    file.reset();
    QCOMPARE(contents(path), kOldContents);
    QCOMPARE(folderContents(folder), QStringList{QStringLiteral("out.mp3")});
}

QTEST_GUILESS_MAIN(WriterFailureTest)
#include "WriterFailureTest.moc"
