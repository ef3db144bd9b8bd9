// winroot: looks after an emulated Windows system (see platform/win/EmulatedWinSystem.h).
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>

#include "platform/CodePage.h"
#include "platform/win/EmulatedWinSystem.h"
#include "platform/win/Registry.h"

namespace fs = std::filesystem;
using namespace folio::win;

namespace {

const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Command-line text (UTF-8) to the system's Windows-1252; throws on text it cannot hold.
std::string In(const std::string& utf8) {
    auto text = folio::Utf8ToCp1252(utf8);
    if (!text) throw CLI::ValidationError("\"" + utf8 + "\" has characters Windows-1252 lacks");
    return *text;
}

std::string Out(std::string_view cp1252) { return folio::Cp1252ToUtf8(cp1252); }

int Fail(const std::string& what, Dword error) {
    std::cerr << "winroot: " << what << ": error " << error << "\n";
    return 1;
}

bool SplitKey(const std::string& text, HKey& root, std::string& path) {
    const std::size_t slash = text.find('\\');
    if (!ParseRootKeyName(text.substr(0, slash), root)) return false;
    path = slash == std::string::npos ? "" : text.substr(slash + 1);
    return true;
}

std::string TypeName(Dword type) {
    switch (type) {
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        default:
            return "type " + std::to_string(type);
    }
}

std::string Describe(const RegValue& v) {
    if (v.type == REG_DWORD && v.data.size() == 4) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%x (%u)", v.AsDword(), v.AsDword());
        return TypeName(v.type) + " " + buf;
    }
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) return TypeName(v.type) + " " + Out(v.data);
    if (v.type == REG_MULTI_SZ) {
        std::string joined;
        for (char c : v.data) joined += c == '\0' ? std::string(" | ") : std::string(1, c);
        if (joined.size() >= 3) joined.resize(joined.size() - 3);
        return TypeName(v.type) + " " + Out(joined);
    }
    std::string hex;
    for (unsigned char c : v.data) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02x", c);
        hex += hex.empty() ? buf : std::string(",") + buf;
    }
    return TypeName(v.type) + " " + hex;
}

// The program and arguments of a command line, found the way CreateProcess finds them: an
// unquoted program path may contain spaces, so ever longer prefixes are tried until one names
// a file (".exe" added when the name has no extension).
bool ParseCommandLine(EmulatedWinSystem& sys, const std::string& line, std::string& program,
                      std::vector<std::string>& args) {
    std::size_t end = 0;
    if (!line.empty() && line[0] == '"') {
        end = line.find('"', 1);
        if (end == std::string::npos) return false;
        program = line.substr(1, end - 1);
        ++end;
    } else {
        program.clear();
        std::size_t pos = 0;
        for (;;) {
            const std::size_t space = line.find(' ', pos);
            const std::string candidate = line.substr(0, space);
            for (const std::string& name : {candidate, candidate + ".exe"}) {
                const Dword a = sys.GetFileAttributes(name);
                if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
                    program = name;
                    end = candidate.size();
                    break;
                }
            }
            if (!program.empty() || space == std::string::npos) break;
            pos = space + 1;
        }
        if (program.empty()) return false;
    }
    // The arguments as the C run-time splits them: blanks separate, quotes group.
    args.clear();
    std::string arg;
    bool quoted = false, any = false;
    for (std::size_t i = end; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) args.push_back(arg);
            arg.clear();
            any = false;
        } else {
            arg += c;
            any = true;
        }
    }
    if (any) args.push_back(arg);
    return true;
}

int RunProgram(EmulatedWinSystem& sys, const std::string& program,
               const std::vector<std::string>& args, bool dryRun) {
    const auto host = sys.HostPath(program);
    if (!host) return Fail("no host file for " + Out(program), ERROR_PATH_NOT_FOUND);
    std::cout << (dryRun ? "would run: " : "running: ") << host->string();
    for (const auto& a : args) std::cout << " \"" << Out(a) << "\"";
    std::cout << "\n" << std::flush;
    if (dryRun) return 0;
    const pid_t pid = ::fork();
    if (pid < 0) return Fail("fork", ERROR_NOT_ENOUGH_MEMORY);
    if (pid == 0) {
        std::vector<std::string> argv = {host->string()};
        for (const auto& a : args) argv.push_back(Out(a));
        std::vector<char*> raw;
        for (auto& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::setenv("FOLIO32_WINROOT", sys.Root().c_str(), 1);
        if (::chdir(host->parent_path().c_str()) != 0) ::_exit(127);
        ::execv(raw[0], raw.data());
        std::cerr << "winroot: cannot start " << raw[0] << " (not a program of this host)\n";
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Looks after the emulated Windows system that setup and uninstall change.\n"
        "The system is the folder named by FOLIO32_WINROOT (default: folio32/winroot "
        "in the XDG data folder); a new one is of the kind named by FOLIO32_WINVER "
        "(win95, nt351 or nt4)."};
    app.require_subcommand(1);
    std::string rootOption;
    app.add_option("--root", rootOption, "The system's folder (overrides FOLIO32_WINROOT)");

    auto* create = app.add_subcommand("create", "Create a fresh system");
    std::string kindText;
    create->add_option("--kind", kindText, "win95, nt351 or nt4");
    auto* info = app.add_subcommand("info", "Show the kind and the main folders");
    auto* host = app.add_subcommand("host", "Print the host path of a Windows path");
    std::string winPath;
    host->add_option("path", winPath)->required();
    auto* win = app.add_subcommand("win", "Print the Windows path of a host path");
    std::string hostPath;
    win->add_option("path", hostPath)->required();

    auto* reg = app.add_subcommand("reg", "Query and change the registry");
    reg->require_subcommand(1);
    std::string keyText, valueName, typeText = "sz";
    std::vector<std::string> data;
    auto* query = reg->add_subcommand("query", "Show a value, or a key's values and subkeys");
    query->add_option("key", keyText)->required();
    query->add_option("name", valueName);
    auto* set = reg->add_subcommand("set", "Set a value (the key is created)");
    set->add_option("key", keyText)->required();
    set->add_option("name", valueName)->required();
    set->add_option("data", data)->required();
    set->add_option("--type", typeText, "sz, expand, dword or multi (one string per argument)");
    auto* del = reg->add_subcommand("delete", "Delete a value, or a key");
    del->add_option("key", keyText)->required();
    del->add_option("name", valueName);

    auto* fault = app.add_subcommand("fault", "Switch a fault on or off");
    std::string faultName, faultArg;
    fault
        ->add_option("fault", faultName,
                     "inuse|free PATH, deny|allow PATH, diskfull on|off, "
                     "progman stop|start")
        ->required();
    fault->add_option("arg", faultArg)->required();
    auto* faults = app.add_subcommand("faults", "List the faults switched on");
    auto* restart = app.add_subcommand("restart", "Restart: carry out pending replacements");
    auto* programs = app.add_subcommand("programs", "List the installed programs");
    auto* uninstall = app.add_subcommand("uninstall", "Start a program's UninstallString");
    std::string program;
    bool dryRun = false;
    uninstall->add_option("program", program, "The program's key under Uninstall")->required();
    uninstall->add_flag("--dry-run", dryRun, "Only show what would be started");

    CLI11_PARSE(app, argc, argv);

    try {
        WinRootSettings settings;
        std::string error;
        auto lookup = [](const char* name) -> const char* { return std::getenv(name); };
        if (!WinRootSettings::FromEnvironment(lookup, settings, error)) {
            std::cerr << "winroot: " << error << "\n";
            return 2;
        }
        if (!rootOption.empty()) settings.root = rootOption;
        if (!kindText.empty()) {
            settings.kindForNew = ParseOsKind(kindText);
            if (settings.kindForNew == OS_OTHER) {
                std::cerr << "winroot: unknown kind " << kindText << " (win95, nt351, nt4)\n";
                return 2;
            }
        }
        if (create->parsed() && fs::exists(settings.root / "winroot.json")) {
            std::cerr << "winroot: " << settings.root.string() << " is already a system\n";
            return 1;
        }
        auto sys = EmulatedWinSystem::Open(settings.root, settings.kindForNew, error);
        if (!sys) {
            std::cerr << "winroot: " << error << "\n";
            return 1;
        }
        if (create->parsed() || info->parsed()) {
            std::cout << "root     " << sys->Root().string() << "\n"
                      << "kind     " << OsKindName(sys->GetOsKind()) << "\n"
                      << "windows  " << Out(sys->GetWindowsDirectory()) << "\n"
                      << "system   " << Out(sys->GetSystemDirectory()) << "\n";
            if (!sys->UserName().empty()) std::cout << "user     " << Out(sys->UserName()) << "\n";
            return 0;
        }
        if (host->parsed()) {
            const auto p = sys->HostPath(In(winPath));
            if (!p) return Fail("not a usable Windows path: " + winPath, ERROR_INVALID_NAME);
            std::cout << p->string() << "\n";
            return 0;
        }
        if (win->parsed()) {
            const auto p = sys->WindowsPath(hostPath);
            if (!p) return Fail("no Windows name for " + hostPath, ERROR_INVALID_NAME);
            std::cout << Out(*p) << "\n";
            return 0;
        }
        if (reg->parsed()) {
            HKey root, key;
            std::string path;
            if (!SplitKey(In(keyText), root, path)) {
                return Fail("unknown root key in " + keyText, ERROR_BAD_PATHNAME);
            }
            const std::string name = In(valueName);
            if (query->parsed()) {
                if (Dword e = sys->RegOpenKey(root, path, KEY_READ, key)) return Fail(keyText, e);
                if (!valueName.empty()) {
                    RegValue v;
                    const Dword e = sys->RegQueryValue(key, name, v);
                    sys->RegCloseKey(key);
                    if (e) return Fail(valueName, e);
                    std::cout << Describe(v) << "\n";
                    return 0;
                }
                std::vector<std::string> names, subkeys;
                sys->RegEnumValues(key, names);
                sys->RegEnumKeys(key, subkeys);
                for (const auto& n : names) {
                    RegValue v;
                    if (sys->RegQueryValue(key, n, v) == ERROR_SUCCESS) {
                        std::cout << (n.empty() ? "@" : Out(n)) << "\t" << Describe(v) << "\n";
                    }
                }
                for (const auto& k : subkeys) std::cout << "[" << Out(k) << "]\n";
                sys->RegCloseKey(key);
                return 0;
            }
            if (set->parsed()) {
                RegValue v;
                if (typeText == "multi") {
                    v.type = REG_MULTI_SZ;
                    for (const auto& d : data) v.data += In(d) + '\0';
                } else if (data.size() != 1) {
                    return Fail("one data argument expected", ERROR_INVALID_PARAMETER);
                } else if (typeText == "sz" || typeText == "expand") {
                    v = typeText == "sz" ? RegValue::Sz(In(data[0]))
                                         : RegValue::ExpandSz(In(data[0]));
                } else if (typeText == "dword") {
                    char* end = nullptr;
                    const unsigned long n = std::strtoul(data[0].c_str(), &end, 0);
                    if (!end || *end || n > 0xffffffffUL) {
                        return Fail("not a number: " + data[0], ERROR_INVALID_PARAMETER);
                    }
                    v = RegValue::Dw(static_cast<Dword>(n));
                } else {
                    return Fail("unknown type " + typeText, ERROR_INVALID_PARAMETER);
                }
                if (Dword e = sys->RegCreateKey(root, path, KEY_ALL_ACCESS, key)) {
                    return Fail(keyText, e);
                }
                const Dword e = sys->RegSetValue(key, name, v);
                sys->RegCloseKey(key);
                return e ? Fail(valueName, e) : 0;
            }
            if (!valueName.empty()) {
                if (Dword e = sys->RegOpenKey(root, path, KEY_ALL_ACCESS, key)) {
                    return Fail(keyText, e);
                }
                const Dword e = sys->RegDeleteValue(key, name);
                sys->RegCloseKey(key);
                return e ? Fail(valueName, e) : 0;
            }
            const std::size_t slash = path.rfind('\\');
            const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
            if (Dword e = sys->RegOpenKey(root, parent, KEY_ALL_ACCESS, key)) {
                return Fail(keyText, e);
            }
            const Dword e = sys->RegDeleteKey(key, path.substr(slash + 1));
            sys->RegCloseKey(key);
            return e ? Fail(keyText, e) : 0;
        }
        if (fault->parsed()) {
            Dword e = ERROR_INVALID_PARAMETER;
            if (faultName == "inuse" || faultName == "free") {
                e = sys->SetFileInUse(In(faultArg), faultName == "inuse");
            } else if (faultName == "deny" || faultName == "allow") {
                e = sys->SetAccessDenied(In(faultArg), faultName == "deny");
            } else if (faultName == "diskfull" && (faultArg == "on" || faultArg == "off")) {
                e = sys->SetDiskFull(faultArg == "on");
            } else if (faultName == "progman" && (faultArg == "stop" || faultArg == "start")) {
                e = sys->SetProgmanRunning(faultArg == "start");
            }
            return e ? Fail(faultName + " " + faultArg, e) : 0;
        }
        if (faults->parsed()) {
            EmulatedWinSystem::Faults f;
            if (Dword e = sys->GetFaults(f)) return Fail("faults", e);
            for (const auto& p : f.inUse) std::cout << "in use: " << Out(p) << "\n";
            for (const auto& p : f.denied) std::cout << "access denied: " << Out(p) << "\n";
            if (f.diskFull) std::cout << "disk full\n";
            if (f.progmanStopped) std::cout << "Program Manager stopped\n";
            return 0;
        }
        if (restart->parsed()) {
            std::vector<std::string> done;
            const Dword e = sys->Restart(&done);
            for (const auto& line : done) std::cout << Out(line) << "\n";
            return e ? Fail("restart", e) : 0;
        }
        if (programs->parsed() || uninstall->parsed()) {
            HKey key;
            if (Dword e = sys->RegOpenKey(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ, key)) {
                return Fail(kUninstallKey, e);
            }
            std::vector<std::string> names;
            sys->RegEnumKeys(key, names);
            int result = 0;
            bool found = false;
            for (const auto& n : names) {
                HKey sub;
                if (sys->RegOpenKey(key, n, KEY_READ, sub) != ERROR_SUCCESS) continue;
                RegValue display, command;
                sys->RegQueryValue(sub, "DisplayName", display);
                const Dword e = sys->RegQueryValue(sub, "UninstallString", command);
                sys->RegCloseKey(sub);
                if (programs->parsed()) {
                    std::cout << Out(n) << "\t" << Out(display.data) << "\n";
                    continue;
                }
                if (folio::CompareNoCase(n, In(program)) != 0) continue;
                found = true;
                if (e) {
                    result = Fail(program + ": no UninstallString", e);
                    break;
                }
                std::string exe;
                std::vector<std::string> args;
                if (!ParseCommandLine(*sys, command.data, exe, args)) {
                    result = Fail("no program found in " + Out(command.data), ERROR_FILE_NOT_FOUND);
                    break;
                }
                result = RunProgram(*sys, exe, args, dryRun);
                break;
            }
            sys->RegCloseKey(key);
            if (uninstall->parsed() && !found) return Fail(program, ERROR_FILE_NOT_FOUND);
            return result;
        }
    } catch (const CLI::Error& e) {
        return app.exit(e);
    }
    return 0;
}
