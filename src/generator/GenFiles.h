// The generator composes its paths the Windows way ("templates\Default.hdr.txt",
// "images\bluerib.gif", "C:\homepage\index.htm"). GenFiles is the one place that maps them to
// host paths:
// - "\" and "/" both separate components; empty components ("a\\b") count as one separator;
// - a relative path that is read (templates, pictures, image maps) resolves against the resource
//   folder; a relative path that is written (the destination) resolves against the current
//   directory;
// - a path that begins with a separator is absolute on this host;
// - a path that begins with a drive letter ("C:...") names nothing on this host and is never
//   found or created;
// - a file that is missing under its exact name is looked up component by component without
//   regard to case, as the file system the sites were made on did.
//
// The two read functions are virtual so that a caller can serve templates, image maps and
// pictures from elsewhere (from memory, in the fuzz targets) while the generator stays as it is.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace folio {

class GenFiles {
  public:
    // An empty resource folder means the current directory.
    explicit GenFiles(std::filesystem::path resourceDir = {});
    virtual ~GenFiles() = default;
    GenFiles(const GenFiles&) = default;
    GenFiles& operator=(const GenFiles&) = default;

    const std::filesystem::path& ResourceDir() const { return resourceDir_; }

    // Whether `path` begins with a drive letter and a colon.
    static bool HasDriveLetter(std::string_view path);

    // The host file that a path to be read names, or nothing when there is none (also when only
    // a case variant of a directory exists but not of the file).
    std::optional<std::filesystem::path> FindForRead(std::string_view path) const;
    // The host path under which a file is to be created: the directory part is looked up like a
    // read (it must exist), the last component is taken as it stands. Nothing when the path
    // cannot be mapped or its directory does not exist.
    std::optional<std::filesystem::path> MapForWrite(std::string_view path) const;

    // Reads a text file (CR LF becomes LF) found by FindForRead.
    virtual bool ReadText(std::string_view path, std::string& out) const;
    // Reads at most `count` bytes from the start of a file found by FindForRead. False when the
    // file cannot be opened.
    virtual bool ReadPrefix(std::string_view path, std::size_t count, std::string& out) const;

  private:
    std::optional<std::filesystem::path> Resolve(std::string_view path, bool relativeToResources,
                                                 bool lastMustExist) const;

    std::filesystem::path resourceDir_;
};

}  // namespace folio
