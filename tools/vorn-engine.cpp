// Developer tool over the engine: what tests, benchmarks and anyone debugging a file use to
// see what the engine makes of it.
#include "Commands.h"
#include "engine/factory/Initialise.h"

#include <QCoreApplication>
#include <QTextStream>

#include <functional>
#include <map>

namespace {

const char *const kUsage = "usage: vorn-engine info FILE\n"
                           "       vorn-engine read FILE START COUNT OUT\n"
                           "       vorn-engine seeks FILE COUNT\n"
                           "       vorn-engine sweep FILE STEP [SPAN [TOLERANCE]]\n"
                           "       vorn-engine play FILE SECONDS\n"
                           "       vorn-engine tags SRC [DST]\n"
                           "       vorn-engine peaks FILE [--parts N] [--columns N FROM TO]\n"

                           "       vorn-engine convert SRC DST BEGIN END [options]\n"
                           "       vorn-engine split SRC DIR (--cue FILE | --at T,... | --every S) "
                           "[options]\n";

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
    const auto command = args.isEmpty() ? commands.end() : commands.find(args.takeFirst());
    if (command == commands.end()) {
        QTextStream(stderr) << kUsage;
        return 2;
    }
    return command->second(args);
}
