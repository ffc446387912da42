// Reads the seven tag values of a file, and copies them into another file through the same
// transfer the Cut command runs.
#include "Commands.h"

#include "TagTransfer.h"
#include "engine/factory/DefaultEngineFactory.h"

#include <QTextStream>

int runTags(const QStringList &args)
{
    QTextStream err(stderr);
    if (args.size() != 1 && args.size() != 2) {
        err << "usage: vorn-engine tags SRC [DST]\n";
        return 2;
    }
    auto information = engine::DefaultEngineFactory().createInformation();
    const auto tags = cutting::ReadSourceTags(*information, args[0]);
    if (!tags) {
        // As after a cut, tags that cannot be read are not written as empty ones.
        err << tags.description() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "title=" << tags.value().tagTitle << '\n'
        << "artist=" << tags.value().tagArtist << '\n'
        << "album=" << tags.value().tagAlbum << '\n'
        << "genre=" << tags.value().tagGenre << '\n'
        << "year=" << tags.value().tagYear << '\n'
        << "track=" << tags.value().tagTrack << '\n'
        << "comment=" << tags.value().tagComment << '\n';
    out.flush();
    if (args.size() == 2) {
        if (engine::Status written = cutting::WriteTags(*information, tags.value(), args[1]);
            !written) {
            err << written.description() << '\n';
            return 1;
        }
    }
    return 0;
}
