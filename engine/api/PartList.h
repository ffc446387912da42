#pragma once

#include "engine/api/Status.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace engine {

/// One part of a source: the frames [begin, end), with optional text.
struct Part
{
    int64_t begin = 0;
    int64_t end = 0;
    QString title;
    QString performer;

    bool operator==(const Part &) const = default;
};

/// Parts of one source, in the order they are listed; they may overlap. The album and artist
/// are those of the whole list (a cue sheet's own TITLE and PERFORMER).
struct PartList
{
    std::vector<Part> parts;
    QString album;
    QString artist;

    bool operator==(const PartList &) const = default;
};

/// A partition of `length` frames into parts of `frames` each, the last one shorter.
std::vector<Part> partsOfLength(int64_t length, int64_t frames);

/// A partition of `length` frames at `points` (frame numbers, in any order; points outside
/// the source or repeated are dropped).
std::vector<Part> partsBetween(int64_t length, std::vector<int64_t> points);

} // namespace engine
