// Developer tool over the engine: what tests, benchmarks and anyone debugging a file use to
// see what the engine makes of it.
#include "Commands.h"
#include "engine/factory/Initialise.h"

#include <QCoreApplication>
#include <QTextStream>

#include <functional>
#include <map>

namespace {

const char *const kUsage =
    "usage: vorn-engine info FILE\n"
    "       vorn-engine read FILE START COUNT OUT\n"
    "       vorn-engine seeks FILE COUNT\n"
    "       vorn-engine sweep FILE STEP [SPAN [TOLERANCE]]\n"
    "       vorn-engine play FILE SECONDS\n"
    "       vorn-engine tags SRC [DST]\n"
    "       vorn-engine peaks FILE [--parts N] [--columns N FROM TO]\n"

    "       vorn-engine convert SRC DST BEGIN END [options]\n"
    "       vorn-engine split SRC DIR (--cue FILE | --at T,... | --every S | "
    "--silence) [options]\n"
    "       vorn-engine --help | --version\n";

// What --help adds to the synopsis; the manual page (vorn-engine(1)) has the details.
const char *const kCommands =
    "\n"
    "Reads, plays and cuts MP3, OGG, WMA and WAV files with the engine of Vorn Audio Cutter.\n"
    "Positions and lengths are in frames (one sample per channel).\n"
    "\n"
    "  info     print the sample rate, channels, exact length and format of FILE\n"
    "  read     write COUNT frames from START to OUT as raw 32-bit float samples\n"
    "  seeks    time COUNT seeks to random positions, each with its first block\n"
    "  sweep    compare reads after a seek every STEP frames with the sequential read\n"
    "  play     play the first SECONDS of FILE and print each player event\n"
    "  tags     print the tags of SRC; with DST, copy them into DST\n"
    "  peaks    compute the waveform's peaks of FILE and print what was made\n"
    "  convert  cut frames BEGIN to END of SRC into DST (vorn-engine convert prints its options)\n"
    "  split    write every part of SRC (from a cue sheet, points, a length or the pauses) to\n"
    "           its own file in DIR (vorn-engine split prints its options)\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    engine::initialise(engine::LibraryLog::Errors);
    const std::map<QString, std::function<int(const QStringList &)>> commands = {
        {QStringLiteral("info"), runInfo},       {QStringLiteral("read"), runRead},
        {QStringLiteral("play"), runPlay},       {QStringLiteral("tags"), runTags},
        {QStringLiteral("convert"), runConvert}, {QStringLiteral("split"), runSplit},
        {QStringLiteral("seeks"), runSeeks},     {QStringLiteral("sweep"), runSweep},
        {QStringLiteral("peaks"), runPeaks},
    };
    QStringList args = app.arguments().mid(1);
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        QTextStream(stdout) << kUsage << kCommands;
        return 0;
    }
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--version") || args[0] == QLatin1String("-v"))) {
        QTextStream(stdout) << "vorn-engine " << VORN_VERSION << '\n';
        return 0;
    }
    const auto command = args.isEmpty() ? commands.end() : commands.find(args.takeFirst());
    if (command == commands.end()) {
        QTextStream(stderr) << kUsage;
        return 2;
    }
    return command->second(args);
}
