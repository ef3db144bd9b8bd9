#include "uninstall/Uninstaller.h"

#include "platform/FileIo.h"
#include "setup/Install.h"
#include "setup/ProgmanClient.h"
#include "setup/UninstallLog.h"

namespace folio::uninstall {

using namespace folio::win;
using setup::LogLineKind;

namespace {

// Program Manager reports go to the console as they are.
class ConsoleSink : public MessageSink {
  public:
    explicit ConsoleSink(Console& console) : console_(console) {}
    MsgAnswer Show(std::string_view text, std::string_view, MsgIcon, MsgButtons) override {
        console_.Write(text);
        return MsgAnswer::Ok;
    }

  private:
    Console& console_;
};

}  // namespace

UninstallArguments ParseUninstallArguments(const std::vector<std::string>& args) {
    UninstallArguments parsed;
    for (const std::string& arg : args) {
        if (!arg.empty() && arg.front() == '/') {
            if (arg.find('/', 1) == std::string::npos) {
                parsed.unknown.push_back(arg);
                continue;
            }
            parsed.logPath = arg;
            parsed.hostPath = true;
            continue;
        }
        parsed.logPath = arg;
        parsed.hostPath = false;
    }
    return parsed;
}

void DecrementSharedCount(WinSystem& sys, std::string_view path) {
    HKey key;
    if (sys.RegOpenKey(HKEY_LOCAL_MACHINE, std::string(setup::kSharedDllsKey) + "\\",
                       KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                       key) != ERROR_SUCCESS) {
        return;
    }
    RegValue value;
    // A value of fewer than four bytes is no counter: read as one it would be taken for 0, and
    // the shared file deleted.
    if (sys.RegQueryValue(key, path, value, 4) == ERROR_SUCCESS && value.data.size() == 4) {
        // A counter already at 0 is one whose file could not be deleted last time: try again.
        const Dword count = value.AsDword() == 0 ? 0 : value.AsDword() - 1;
        if (count > 0) {
            sys.RegSetValue(key, path, RegValue::Dw(count));
        } else {
            // A file that is already gone needs no counter either.
            const Dword e = sys.DeleteFile(path);
            if (e != ERROR_SUCCESS && e != ERROR_FILE_NOT_FOUND) {
                sys.RegSetValue(key, path, RegValue::Dw(0));
            } else {
                sys.RegDeleteValue(key, path);
            }
        }
    }
    sys.RegCloseKey(key);
}

void DeleteRegistryKey(WinSystem& sys, std::string_view text) {
    const std::size_t lf = text.find('\n');
    if (lf != std::string_view::npos) text = text.substr(0, lf);
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return;
    const std::string_view rootName = text.substr(0, space);
    HKey root;
    if (rootName == "HKEY_CURRENT_USER") {
        root = HKEY_CURRENT_USER;
    } else if (rootName == "HKEY_CLASSES_ROOT") {
        root = HKEY_CLASSES_ROOT;
    } else if (rootName == "HKEY_LOCAL_MACHINE") {
        root = HKEY_LOCAL_MACHINE;
    } else if (rootName == "HKEY_USERS") {
        root = HKEY_USERS;
    } else {
        return;
    }
    const std::string_view path = text.substr(space + 1);
    const std::size_t slash = path.rfind('\\');
    // Setup never writes such lines: a path without a parent, or one too long for the buffers.
    if (slash == std::string_view::npos || path.size() > kMaxKeyPath) return;
    HKey parent;
    if (sys.RegOpenKey(root, path.substr(0, slash + 1), KEY_WRITE, parent) != ERROR_SUCCESS) {
        return;
    }
    sys.RegDeleteKey(parent, path.substr(slash + 1));
    sys.RegCloseKey(parent);
}

void RemoveProgmanItem(WinSystem& sys, Console& console, std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos) return;
    const std::string_view group = text.substr(0, at);
    const std::string_view item = text.substr(at + 1);
    ConsoleSink sink(console);
    setup::PmDeleteItem(sys, sink, group, item);
    if (setup::PmGroupIsEmpty(sys, group)) setup::PmDeleteGroup(sys, sink, group);
}

int RunUninstall(WinSystem& sys, Console& console, const UninstallArguments& args) {
    for (const std::string& arg : args.unknown) console.Write("Unknown argument " + arg + "\n");
    const std::string& path = args.logPath;
    const std::string& logFile = args.hostPath ? args.windowsPath : args.logPath;
    std::string bytes;
    if (logFile.empty() || sys.ReadFile(logFile, bytes) != ERROR_SUCCESS) {
        console.Write("Unable to open " + path + "\nPress ENTER to exit.");
        console.ReadChar();
        return kExitNoLog;
    }
    const setup::UninstallLogContents log = setup::ReadUninstallLog(FromTextMode(bytes));
    console.Write("This program will uninstall " + log.productLine +
                  "\n\nPress Y and [ENTER] to uninstall or just [ENTER] to abort.");
    const int answer = console.ReadChar();
    if (answer != 'y' && answer != 'Y') return kExitDeclined;
    console.Write(log.productLine + " will now be uninstalled\n\n");
    for (const int lineNo : log.overlong) {
        console.Write("Line " + std::to_string(lineNo) + " of " + path +
                      " is too long and is skipped.\n");
    }

    for (const std::string& line : log.lines) {
        const setup::LogLine l = setup::ClassifyLogLine(line);
        switch (l.kind) {
            case LogLineKind::Counter:
                if (!l.argument.empty()) DecrementSharedCount(sys, l.argument);
                break;
            case LogLineKind::File: {
                if (!setup::IsOrdinaryFile(l.argument)) break;
                const std::string_view file = setup::OrdinaryFilePath(l.argument);
                console.Write("Deleting file " + std::string(file) + " ");
                console.Write(sys.DeleteFile(file) == ERROR_SUCCESS
                                  ? " .. Deleted.\n"
                                  : " .. Failed to delete file.\n");
                break;
            }
            case LogLineKind::Key:
                DeleteRegistryKey(sys, l.argument);
                break;
            case LogLineKind::Directory:
                if (!l.argument.empty()) sys.RemoveDirectory(l.argument);
                break;
            case LogLineKind::Progman:
                RemoveProgmanItem(sys, console, l.argument);
                break;
            case LogLineKind::None:
                break;
        }
    }
    sys.DeleteFile(logFile);
    console.Write("Done. Press [ENTER] to exit.");
    console.DiscardInput();
    console.ReadChar();
    return kExitDone;
}

}  // namespace folio::uninstall
