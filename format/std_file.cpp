#include "format/std_file.h"

namespace rv {

namespace {
#ifdef _WIN32
int Seek64(std::FILE* f, uint64_t offset, int whence) { return _fseeki64(f, static_cast<long long>(offset), whence); }
long long Tell64(std::FILE* f) { return _ftelli64(f); }
#else
int Seek64(std::FILE* f, uint64_t offset, int whence) { return fseeko(f, static_cast<off_t>(offset), whence); }
long long Tell64(std::FILE* f) { return ftello(f); }
#endif
}  // namespace

StdFile::StdFile(const std::string& path, const char* mode) : f_(std::fopen(path.c_str(), mode)) {}

StdFile::~StdFile() { Close(); }

bool StdFile::Open(const std::string& path, const char* mode) {
    Close();
    f_ = std::fopen(path.c_str(), mode);
    return f_ != nullptr;
}

bool StdFile::Seek(uint64_t offset) { return f_ && Seek64(f_, offset, SEEK_SET) == 0; }

bool StdFile::Write(const void* data, size_t n) { return f_ && std::fwrite(data, 1, n, f_) == n; }

bool StdFile::Close() {
    if (!f_) return true;
    const bool ok = std::fclose(f_) == 0;
    f_ = nullptr;
    return ok;
}

StdFileSource::StdFileSource(const std::string& path) : file_(path, "rb") {
    if (file_.IsOpen() && Seek64(file_.get(), 0, SEEK_END) == 0) {
        const long long end = Tell64(file_.get());
        size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
}

size_t StdFileSource::ReadAt(uint64_t offset, void* buffer, size_t n) {
    if (offset >= size_ || !file_.Seek(offset)) return 0;
    return std::fread(buffer, 1, n, file_.get());
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    StdFileSource src(path);
    out.clear();
    return src.IsOpen() && (src.Size() == 0 || ReadExact(src, 0, static_cast<size_t>(src.Size()), out));
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    StdFile f(path, "wb");
    return f.IsOpen() && f.Write(data) && f.Close();
}

}  // namespace rv
