#include "SetupTestSupport.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace folio::setup::test {

namespace {

std::string ReadHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

void PrepareProduct(win::EmulatedWinSystem& sys, const fs::path& dir) {
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(fs::path(FOLIO32_SHARE_DIR) / "product")) {
        if (entry.path().filename() == ".gitattributes") continue;
        fs::copy_file(entry.path(), dir / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
    }
    std::ofstream(dir / "Uninstall.exe", std::ios::binary) << "uninstall stand-in";
    const auto win = sys.WindowsPath(dir);
    if (!win || sys.SetCurrentDirectory(*win) != win::ERROR_SUCCESS) {
        throw std::runtime_error("cannot enter " + dir.string());
    }
}

RootPicture Picture(win::EmulatedWinSystem& sys) {
    RootPicture p;
    const fs::path drive = sys.Root() / "drive_c";
    for (const auto& entry : fs::recursive_directory_iterator(drive)) {
        const std::string rel = fs::relative(entry.path(), drive).string();
        p.files[rel] = entry.is_directory() ? "<dir>" : ReadHostFile(entry.path());
    }
    p.registry = ReadHostFile(sys.Root() / "registry.reg");
    win::WinSystem::Conversation conv = 0;
    if (sys.DdeConnect("PROGMAN", "PROGMAN", conv) == win::DMLERR_NO_ERROR) {
        std::string groups;
        if (sys.DdeRequest(conv, "Groups", 1000, groups) == win::DMLERR_NO_ERROR) {
            std::istringstream lines(groups);
            std::string name;
            while (std::getline(lines, name)) {
                if (!name.empty() && name.back() == '\r') name.pop_back();
                std::string reply;
                sys.DdeRequest(conv, name, 1000, reply);
                p.progman += reply;
            }
        }
        sys.DdeDisconnect(conv);
    }
    return p;
}

std::string Difference(const RootPicture& before, const RootPicture& after) {
    std::string text;
    for (const auto& [path, bytes] : before.files) {
        auto it = after.files.find(path);
        if (it == after.files.end()) {
            text += "gone: " + path + "\n";
        } else if (it->second != bytes) {
            text += "changed: " + path + "\n";
        }
    }
    for (const auto& [path, bytes] : after.files) {
        if (!before.files.count(path)) text += "added: " + path + "\n";
    }
    if (before.registry != after.registry) {
        text += "registry before:\n" + before.registry + "registry after:\n" + after.registry;
    }
    if (before.progman != after.progman) {
        text += "progman before:\n" + before.progman + "progman after:\n" + after.progman;
    }
    return text;
}

std::string DestDirOf(win::OsKind kind) {
    return kind == win::OS_NT351 ? "C:\\Folio Demo" : "C:\\Program Files\\Folio Demo";
}

void ForgetWhatStays(win::EmulatedWinSystem& sys, RootPicture& p) {
    const win::OsKind kind = sys.GetOsKind();
    const fs::path drive = sys.Root() / "drive_c";
    const std::string dest = DestDirOf(kind);
    auto forget = [&](const std::string& winPath) {
        p.files.erase(fs::relative(Host(sys, winPath), drive).string());
    };
    forget(dest);
    forget(dest + "\\Uninstall.exe");
    if (kind == win::OS_WIN95) {
        forget(dest + "\\shared");
        forget(dest + "\\shared\\DEMOSHR.DLL");
        forget(sys.GetSystemDirectory() + "\\DEMOSYS.DLL");
    }
    std::string kept;
    std::size_t start = 0;
    while (start < p.registry.size()) {
        std::size_t end = p.registry.find('\n', start);
        end = end == std::string::npos ? p.registry.size() : end + 1;
        const std::string line = p.registry.substr(start, end - start);
        if (line.find("=dword:00000000") == std::string::npos) kept += line;
        start = end;
    }
    p.registry = kept;
}

fs::path Host(win::EmulatedWinSystem& sys, const std::string& winPath) {
    const auto host = sys.HostPath(winPath);
    return host ? *host : fs::path();
}

}  // namespace folio::setup::test
