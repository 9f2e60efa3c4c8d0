#include "support/TrailerBytes.h"

#include "data/Crc32c.h"

std::string DocumentedTrailer(const std::string& contents, uint64_t tag)
{
    std::string trailer = "TavSaved";
    const uint64_t length = contents.size();
    trailer.append(reinterpret_cast<const char*>(&length), 8);
    trailer.append(reinterpret_cast<const char*>(&tag), 8);
    const std::string covered = contents + trailer;
    const uint32_t crc = Crc32c(0, covered.data(), covered.size());
    trailer.append(reinterpret_cast<const char*>(&crc), 4);
    return trailer;
}
