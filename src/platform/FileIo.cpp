#include "FileIo.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace folio {

std::string ToTextMode(std::string_view memory) {
    std::string out;
    out.reserve(memory.size() + memory.size() / 16 + 16);
    for (char c : memory) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FromTextMode(std::string_view disk) {
    std::string out;
    out.reserve(disk.size());
    for (std::size_t i = 0; i < disk.size(); ++i) {
        const char c = disk[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < disk.size() && disk[i + 1] == '\n') continue;
        out += c;
    }
    return out;
}

std::string FileErrorMessage(const std::filesystem::path& path, int err) {
    return path.string() + ": " + std::strerror(err);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = FileErrorMessage(path, errno);
        return false;
    }
    out.clear();
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const bool bad = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (bad) {
        error = FileErrorMessage(path, err ? err : EIO);
        return false;
    }
    return true;
}

bool ReadTextFile(const std::filesystem::path& path, std::string& out, std::string& error) {
    std::string raw;
    if (!ReadWholeFile(path, raw, error)) return false;
    out = FromTextMode(raw);
    return true;
}

bool WriteTextFile(const std::filesystem::path& path, std::string_view text, std::string& error) {
    return WriteWholeFile(path, ToTextMode(text), error);
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    AtomicFile file;
    if (!file.Open(path, error)) return false;
    file.Write(bytes);
    return file.Commit(error);
}

AtomicFile::~AtomicFile() { Abandon(); }

std::filesystem::path TemporarySibling(const std::filesystem::path& target) {
    // A counter instead of a random number: seeding a random device for every page of a
    // generation cost more than writing some of the pages.
    static std::atomic<unsigned long> counter{0};
    std::filesystem::path temp = target;
    temp += ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    return temp;
}

bool AtomicFile::Open(const std::filesystem::path& target, std::string& error) {
    Abandon();
    target_ = target;
    errno_ = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path temp = TemporarySibling(target);
        // "x": fail rather than reuse a file somebody else created under that name.
        file_ = std::fopen(temp.c_str(), "wbx");
        if (file_) {
            temp_ = temp;
            return true;
        }
        if (errno != EEXIST) break;
    }
    error = FileErrorMessage(target, errno);
    return false;
}

void AtomicFile::Write(const void* data, std::size_t size) {
    if (!file_ || errno_ || size == 0) return;
    if (std::fwrite(data, 1, size, file_) != size) errno_ = errno ? errno : EIO;
}

bool AtomicFile::Commit(std::string& error) {
    if (!file_) {
        error = FileErrorMessage(target_, EBADF);
        return false;
    }
    if (!errno_ && std::fflush(file_) != 0) errno_ = errno;
    if (std::fclose(file_) != 0 && !errno_) errno_ = errno;
    file_ = nullptr;
    if (errno_) {
        error = FileErrorMessage(target_, errno_);
        Abandon();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        error = target_.string() + ": " + ec.message();
        Abandon();
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::Abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        temp_.clear();
    }
}

}  // namespace folio
