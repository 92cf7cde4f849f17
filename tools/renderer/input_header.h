// How many frames an input's header announces, read from the header's own
// bytes: libsndfile reports a regular file's frames as those actually there,
// and a W64 stream's as nothing usable, so a short input would go unnoticed.
// Portable: no file access here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumbrook {

struct AnnouncedLength {
    // The header is one read here (RIFF or RF64 WAV, W64, AIFF or AIFF-C)
    // and the bytes reach the field that holds its length.
    bool read = false;
    bool announced = false;  // false when the header leaves its length open
    int64_t frames = 0;
};

// From the first `size` bytes of an input (read no further).
AnnouncedLength ReadAnnouncedLength(const unsigned char* bytes, size_t size);

}  // namespace lumbrook
