// Files as the programs use them: whole-file reads, text mode (CR LF on disk, LF in memory, as
// the C run-time of the original did), and saves that never leave a half-written target.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace folio {

// Text-mode conversion on write: every LF becomes CR LF.
std::string ToTextMode(std::string_view memory);
// Text-mode conversion on read: CR LF becomes LF; a Ctrl-Z (0x1A) ends the text.
std::string FromTextMode(std::string_view disk);

// Reads the whole file as bytes. On failure returns false and sets `error` to a message that
// names the file.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::string& error);
// Reads the whole file in text mode.
bool ReadTextFile(const std::filesystem::path& path, std::string& out, std::string& error);
// Writes `text` in text mode through an AtomicFile.
bool WriteTextFile(const std::filesystem::path& path, std::string_view text, std::string& error);
// Writes `bytes` as they are through an AtomicFile.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// A file written beside its target under a temporary name and renamed over the target by
// Commit() only when every byte was written. Destroying it uncommitted removes the temporary,
// so the previous target is never damaged by a failed save.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool Open(const std::filesystem::path& target, std::string& error);
    // Buffered; a failure is remembered and reported by Commit().
    void Write(const void* data, std::size_t size);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    bool Commit(std::string& error);
    void Abandon();

  private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    int errno_ = 0;
};

// The name of a temporary file beside `target`: unique within this process, and distinct from
// other processes' by the process id. Callers create it exclusively and try again on a clash.
std::filesystem::path TemporarySibling(const std::filesystem::path& target);

// "path: reason" with the reason of a C library errno value.
std::string FileErrorMessage(const std::filesystem::path& path, int err);

}  // namespace folio
