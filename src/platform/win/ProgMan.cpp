#include "platform/win/ProgMan.h"

#include <cstdlib>

#include "platform/CodePage.h"

namespace folio::win {

namespace {

bool Same(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

struct Command {
    std::string name;
    std::vector<std::string> args;
};

// Splits "[Name(arg,"quoted, arg")][...]" into commands. False when malformed.
bool ParseCommands(std::string_view text, std::vector<Command>& out) {
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                                   text[i] == '\n' || text[i] == '\0')) {
            ++i;
        }
    };
    for (;;) {
        skipSpace();
        if (i == text.size()) return !out.empty();
        if (text[i] != '[') return false;
        ++i;
        Command cmd;
        while (i < text.size() && text[i] != '(' && text[i] != ']') cmd.name += text[i++];
        cmd.name = std::string(Trim(cmd.name));
        if (cmd.name.empty() || i == text.size()) return false;
        if (text[i] == '(') {
            ++i;
            std::string arg;
            bool quoted = false;
            bool closed = false;
            while (i < text.size()) {
                const char c = text[i++];
                if (quoted) {
                    if (c == '"') {
                        quoted = false;
                    } else {
                        arg += c;
                    }
                } else if (c == '"') {
                    quoted = true;
                } else if (c == ',' || c == ')') {
                    cmd.args.emplace_back(Trim(arg));
                    arg.clear();
                    if (c == ')') {
                        closed = true;
                        break;
                    }
                } else {
                    arg += c;
                }
            }
            if (!closed) return false;
            skipSpace();
        }
        if (i == text.size() || text[i] != ']') return false;
        ++i;
        out.push_back(std::move(cmd));
    }
}

std::string GroupFileName(std::string_view windowsDir, std::string_view group) {
    std::string base;
    for (char c : group) {
        const auto u = static_cast<unsigned char>(c);
        if (base.size() == 8) break;
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) {
            base += static_cast<char>(u >= 'a' && u <= 'z' ? u - 32 : u);
        }
    }
    if (base.empty()) base = "GROUP";
    return std::string(windowsDir) + "\\" + base + ".GRP";
}

int ToInt(const std::string& s) { return std::atoi(s.c_str()); }

std::string Arg(const Command& c, std::size_t i) { return i < c.args.size() ? c.args[i] : ""; }

}  // namespace

PmGroup* ProgmanState::FindGroup(std::string_view name) {
    for (auto& g : groups) {
        if (Same(g.name, name)) return &g;
    }
    return nullptr;
}

const PmGroup* ProgmanState::FindGroup(std::string_view name) const {
    return const_cast<ProgmanState*>(this)->FindGroup(name);
}

ProgmanState DefaultProgmanGroups(std::string_view windowsDir) {
    const std::string sys = std::string(windowsDir) + "\\system32\\";
    auto item = [&](const char* name, const char* exe) {
        PmItem it;
        it.name = name;
        it.command = sys + exe;
        it.iconPath = it.command;
        it.directory = std::string(windowsDir);
        return it;
    };
    ProgmanState s;
    auto add = [&](const char* name, std::vector<PmItem> items) {
        s.groups.push_back({name, GroupFileName(windowsDir, name), std::move(items)});
    };
    add("Main", {item("File Manager", "winfile.exe"), item("Control Panel", "control.exe"),
                 item("Print Manager", "printman.exe"), item("Clipboard Viewer", "clipbrd.exe"),
                 item("Command Prompt", "cmd.exe")});
    add("Accessories", {item("Notepad", "notepad.exe"), item("Write", "write.exe"),
                        item("Paintbrush", "pbrush.exe"), item("Calculator", "calc.exe"),
                        item("Clock", "clock.exe")});
    add("Administrative Tools",
        {item("User Manager", "musrmgr.exe"), item("Disk Administrator", "windisk.exe"),
         item("Event Viewer", "eventvwr.exe")});
    add("Games", {item("Solitaire", "sol.exe"), item("Minesweeper", "winmine.exe")});
    add("Startup", {});
    s.current = "Main";
    return s;
}

Dword ProgmanExecute(ProgmanState& state, std::string_view command, std::string_view windowsDir) {
    std::vector<Command> commands;
    if (!ParseCommands(command, commands)) return DMLERR_NOTPROCESSED;
    for (const auto& c : commands) {
        PmGroup* current = state.FindGroup(state.current);
        if (Same(c.name, "CreateGroup")) {
            const std::string name = Arg(c, 0);
            if (name.empty()) return DMLERR_NOTPROCESSED;
            if (!state.FindGroup(name)) {
                const std::string file = c.args.size() > 1 && !c.args[1].empty()
                                             ? c.args[1]
                                             : GroupFileName(windowsDir, name);
                state.groups.push_back({name, file, {}});
            }
            state.current = state.FindGroup(name)->name;
            state.replaceAt = -1;
        } else if (Same(c.name, "ShowGroup")) {
            const PmGroup* g = state.FindGroup(Arg(c, 0));
            if (!g) return DMLERR_NOTPROCESSED;
            if (!Same(state.current, g->name)) state.replaceAt = -1;
            state.current = g->name;
        } else if (Same(c.name, "DeleteGroup")) {
            const std::string name = Arg(c, 0);
            bool found = false;
            for (auto it = state.groups.begin(); it != state.groups.end(); ++it) {
                if (Same(it->name, name)) {
                    if (Same(state.current, name)) state.current.clear();
                    state.groups.erase(it);
                    found = true;
                    break;
                }
            }
            if (!found) return DMLERR_NOTPROCESSED;
        } else if (Same(c.name, "AddItem")) {
            if (!current || c.args.empty() || c.args[0].empty()) return DMLERR_NOTPROCESSED;
            PmItem item;
            item.command = c.args[0];
            item.name = Arg(c, 1);
            if (item.name.empty()) {
                // The program's file name without its extension.
                std::string base = item.command.substr(item.command.find_last_of("\\/:") + 1);
                item.name = base.substr(0, base.find('.'));
            }
            item.iconPath = Arg(c, 2).empty() ? item.command : Arg(c, 2);
            item.iconIndex = ToInt(Arg(c, 3));
            item.x = ToInt(Arg(c, 4));
            item.y = ToInt(Arg(c, 5));
            item.directory = Arg(c, 6);
            if (state.replaceAt >= 0 &&
                static_cast<std::size_t>(state.replaceAt) <= current->items.size()) {
                current->items.insert(current->items.begin() + state.replaceAt, std::move(item));
                state.replaceAt = -1;
            } else {
                current->items.push_back(std::move(item));
            }
        } else if (Same(c.name, "ReplaceItem") || Same(c.name, "DeleteItem")) {
            if (!current) return DMLERR_NOTPROCESSED;
            const std::string name = Arg(c, 0);
            bool found = false;
            for (std::size_t i = 0; i < current->items.size(); ++i) {
                if (Same(current->items[i].name, name)) {
                    current->items.erase(current->items.begin() + static_cast<long>(i));
                    if (Same(c.name, "ReplaceItem")) state.replaceAt = static_cast<int>(i);
                    found = true;
                    break;
                }
            }
            if (!found) return DMLERR_NOTPROCESSED;
        } else {
            return DMLERR_NOTPROCESSED;
        }
    }
    return DMLERR_NO_ERROR;
}

bool ProgmanRequest(const ProgmanState& state, std::string_view item, std::string& reply) {
    reply.clear();
    if (Same(item, "Groups")) {
        for (const auto& g : state.groups) reply += g.name + "\r\n";
        return true;
    }
    const PmGroup* g = state.FindGroup(item);
    if (!g) return false;
    reply = "\"" + g->name + "\"," + g->file + "," + std::to_string(g->items.size()) + "\r\n";
    for (const auto& it : g->items) {
        reply += "\"" + it.name + "\",\"" + it.command + "\"," + it.directory + "," + it.iconPath +
                 "," + std::to_string(it.x) + "," + std::to_string(it.y) + "," +
                 std::to_string(it.iconIndex) + ",0,0\r\n";
    }
    return true;
}

}  // namespace folio::win
