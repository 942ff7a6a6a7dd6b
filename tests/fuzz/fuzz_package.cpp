// The package as the stub reads it: trailer, leading blocks and their items,
// checksum (whole and summed while reading), file records with inflation,
// volume chaining with the next volume's digest, and the whole
// extraction through a memory host. The input is the first volume; further
// volumes follow, each after kVolumeSeparator.
#include <cstddef>
#include <cstdint>
#include <string>

#include "format/package_reader.h"
#include "format/records.h"
#include "package/extraction.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/memory_host.h"

namespace rv::fuzz {
namespace {

constexpr char kVolumeSeparator[] = "\n--next volume--\n";

class DiscardingSink final : public RecordSink {
public:
    bool Begin(const std::string& header) override {
        const RecordHeader h = ParseRecordHeader(header);
        IsSafeRelativeName(h.name);
        return true;
    }
    bool Write(const uint8_t*, size_t) override { return true; }
};

void ReadOneVolume(const std::string& bytes) {
    MemorySource src(bytes);
    const PackageReader reader(src);
    for (int i = 0; i < 5; ++i) {
        reader.UpdateItem(i, i == 3);
        reader.InternetItem(i, i == 3);
    }
    reader.DescriptorName();
    for (uint64_t cluster = 256; cluster <= 131072; cluster <<= 1) reader.RequiredSpace(cluster);
    VerifyPackageChecksum(src);
    if (reader.HasPackage()) {
        // Read as a sealed volume is: summed in the records' pass, which
        // must give the whole file's sum whatever the records hold.
        DiscardingSink sink;
        ChecksumAccumulator sum(reader.layout(), reader.trailer().length, ChecksumRule::AnySize);
        SummingSource summed(src, sum);
        const RecordResult r = ReadVolumeRecords(summed, reader, sink);
        Require(r.next <= reader.TrailerStart() || r.status != RecordStatus::Ok);
        Require(summed.Finish());
        Require(sum.Value() ==
                ComputePackageChecksum(src, reader.layout(), reader.trailer().length, ChecksumRule::AnySize));
    }
    const std::string agent = AgentImage(src, 3974000000);
    Require(agent.empty() || agent.size() == reader.RecordsStart() + kTrailerSize);
}

}  // namespace
}  // namespace rv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rv;
    using namespace rv::fuzz;
    const std::string input(reinterpret_cast<const char*>(data), size);
    MemoryHost host;
    size_t start = 0;
    for (int number = 1;; ++number) {
        const size_t end = input.find(kVolumeSeparator, start);
        std::string& volume = host.volumes[VolumePath(number)];
        volume = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ReadOneVolume(volume);
        if (end == std::string::npos) break;
        start = end + sizeof kVolumeSeparator - 1;
    }
    const ExtractionResult result = ExtractPackage({VolumePath(1), kDestination, "Agent.exe", false, ""}, host);
    Require(host.violation.empty());
    // A setup may only run from volumes whose checksum test passed.
    Require(result.failure != ExtractionFailure::None || result.checksumPassed);
    return 0;
}
