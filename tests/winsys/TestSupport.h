// Shared helpers of the platform layer tests: scratch roots and small program images.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/win/EmulatedWinSystem.h"

namespace folio::win::test {

// A scratch folder removed with everything in it when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A fresh emulated system of `kind` in `dir`/root; fails the test when it cannot be made.
std::unique_ptr<EmulatedWinSystem> NewRoot(const ScratchDir& dir, OsKind kind);

struct ImageSpec {
    bool pe32Plus = false;
    bool resourceSection = true;  // false: no resource directory at all
    bool versionResource = true;  // false: the resources hold an icon only
    std::uint32_t fileVersionMS = 0x00010002;
    std::uint32_t fileVersionLS = 0x00030004;
};

// A minimal PE32 or PE32+ image: headers, one .rsrc section, an optional version resource.
std::string BuildImage(const ImageSpec& shape);

// Writes bytes to a host file, creating its folders.
void WriteHost(const std::filesystem::path& path, const std::string& bytes);
std::string ReadHost(const std::filesystem::path& path);

}  // namespace folio::win::test
