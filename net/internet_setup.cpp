#include "net/internet_setup.h"

#include "base/numbers.h"
#include "base/text.h"
#include "env/file_util.h"
#include "format/bytes.h"
#include "format/package_format.h"
#include "format/trailer.h"
#include "package/launch.h"

namespace rv {

namespace {
constexpr size_t kAgentTailLimit = 10000;
// The auto-update program flag is trailer byte 69: the fifth from the end.
constexpr size_t kAgentFlagFromEnd = 5;
}  // namespace

std::string SetupFileUrl(const std::string& base, const std::string& fileName) { return base + "/" + fileName; }

std::string DownloadQuestion(const std::string& question, const std::string& sizeBytes) {
    return ReplaceAll(question, "<SIZE>", MbText(static_cast<double>(ToInt64(sizeBytes, 0))), false);
}

std::string PreDownloadError(bool declined, bool connected, const std::string& noConnectionText) {
    if (!connected) return noConnectionText;
    return declined ? kDeclined : std::string();
}

bool ShowsErrorBox(const std::string& error) { return !error.empty() && error != kDeclined; }

std::string TokenError(const std::string& ownToken, const std::string& fileToken, const std::string& fileStart,
                       const std::string& url) {
    if (ownToken == fileToken) return std::string();
    // A web server's error page saved as the setup file is no foreign
    // product: say that the file was not found. IIS without a MIME type for
    // the file answers so; the hint says what to set.
    return ErrorPageMessage(fileStart, url, true, "Bad Secret Token!");
}

std::string InternetAgentImage(std::string image) {
    if (image.size() >= kRecordedLengthOffset + kRecordedLengthSize) {
        const uint32_t recorded = GetU32(reinterpret_cast<const uint8_t*>(image.data()) + kRecordedLengthOffset + 4);
        if (recorded < image.size() && image.size() - recorded < kAgentTailLimit) image.resize(recorded);
    }
    if (image.size() > kAgentFlagFromEnd) image[image.size() - kAgentFlagFromEnd] = 1;
    // The trailer's check covers the flag: a package of our builder is
    // sealed again, or it would read as damaged.
    if (image.size() >= kTrailerSize) {
        uint8_t* trailer = reinterpret_cast<uint8_t*>(&image[image.size() - kTrailerSize]);
        if (GetU16(trailer + trailer_offset::kTrailerCheck) != 0) SealTrailer(trailer);
    }
    return image;
}

}  // namespace rv
