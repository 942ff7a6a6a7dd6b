// The writing half of the record codec, in a unit of its own: the stub only
// reads records, and keeping zlib's deflate out of its image saves a third
// of it.
#include <zlib.h>

#include <vector>

#include "format/bytes.h"
#include "format/records.h"

namespace rv {

std::string EncodeRecord(const std::string& header, const std::string& content, int level) {
    std::string body = header;
    body += '\0';
    body += content;
    std::string framed(4, '\0');
    if (level > 0) {
        uLongf size = compressBound(static_cast<uLong>(body.size()));
        std::vector<Bytef> packed(size);
        if (compress2(packed.data(), &size, Bytes(body), static_cast<uLong>(body.size()), level) == Z_OK &&
            size < body.size()) {
            PutU32(reinterpret_cast<uint8_t*>(&framed[0]), static_cast<uint32_t>(size));
            framed.append(reinterpret_cast<const char*>(packed.data()), size);
            return framed;
        }
    }
    PutU32(reinterpret_cast<uint8_t*>(&framed[0]), static_cast<uint32_t>(-static_cast<int64_t>(body.size())));
    return framed + body;
}

}  // namespace rv
