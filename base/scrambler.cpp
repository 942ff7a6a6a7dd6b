#include "base/scrambler.h"

#include "base/random.h"
#include "base/text.h"

namespace rv {

std::string ScrambleWithKey(const std::string& text, bool encode, int key) {
    const std::string marker = kScrambleMarker;
    const bool marked = StartsWith(marker, text, false);
    if (marked == encode) return text;
    std::string body = text;
    if (marked && text.size() > marker.size()) {
        key = static_cast<unsigned char>(text[marker.size()]);
        body = text.substr(marker.size() + 1);
    }
    int a = key;
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(static_cast<unsigned char>(body[i]) ^ ((static_cast<int>(i) + 1 + a) & 0xFF));
        a = -a;
    }
    return encode ? marker + static_cast<char>(key) + body : body;
}

std::string Scramble(const std::string& text, bool encode) {
    return ScrambleWithKey(text, encode, static_cast<int>(RandomNumber(0, 89)) + 33);
}

}  // namespace rv
