// Reads the seven tag values of a file, and copies them into another file the way the
// program's tag transfer does after a cut.
#include "Commands.h"

#include "EngineFactory.h"

#include <QTextStream>

int runTags(const QStringList &args)
{
    QTextStream err(stderr);
    if (args.size() != 1 && args.size() != 2) {
        err << "usage: vorn-engine tags SRC [DST]\n";
        return 2;
    }
    auto information = engine::DefaultEngineFactory().createInformation();
    // As in the transfer, a source that cannot be read gives the empty set, which is still
    // written; the exit code tells about the read.
    const engine::Status read = information->readInformation(args[0]);
    if (!read)
        err << read.description() << '\n';
    const engine::TagValues values = read ? information->tags() : engine::TagValues{};

    QTextStream out(stdout);
    out << "title=" << values.title << '\n'
        << "artist=" << values.artist << '\n'
        << "album=" << values.album << '\n'
        << "genre=" << values.genre << '\n'
        << "year=" << values.year << '\n'
        << "track=" << values.track << '\n'
        << "comment=" << values.comment << '\n';
    out.flush();
    if (args.size() == 2) {
        information->setTags(values);
        if (engine::Status written = information->writeTags(args[1]); !written) {
            err << written.description() << '\n';
            return 1;
        }
    }
    return read ? 0 : 1;
}
