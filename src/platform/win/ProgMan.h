// Program Manager as the installer sees it over DDE: groups of items, a current group, the
// command language of execute transactions and the text replies to requests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinTypes.h"

namespace folio::win {

struct PmItem {
    std::string name;
    std::string command;
    std::string iconPath;
    int iconIndex = 0;
    int x = 0;
    int y = 0;
    std::string directory;
};

struct PmGroup {
    std::string name;
    std::string file;  // the group file, e.g. C:\WINNT35\MAIN.GRP
    std::vector<PmItem> items;
};

struct ProgmanState {
    std::vector<PmGroup> groups;
    std::string current;  // the group ShowGroup or CreateGroup made current; empty: none
    int replaceAt = -1;   // where ReplaceItem took an item out: the next AddItem goes there

    PmGroup* FindGroup(std::string_view name);
    const PmGroup* FindGroup(std::string_view name) const;
};

// The groups of a fresh Windows NT 3.51 installation.
ProgmanState DefaultProgmanGroups(std::string_view windowsDir);

// Carries out an execute string of one or more bracketed commands ("[CreateGroup(Tools)]
// [ShowGroup(Tools,1)]"): CreateGroup, ShowGroup, AddItem, ReplaceItem, DeleteItem,
// DeleteGroup. Commands run in order and stop at the first one that fails; effects of the
// commands before it stay. DMLERR_NO_ERROR, or DMLERR_NOTPROCESSED for a malformed string, an
// unknown command, or a group or item that does not exist.
Dword ProgmanExecute(ProgmanState& state, std::string_view command, std::string_view windowsDir);

// The reply to a request: "Groups" gives every group name followed by CR LF; a group's name
// gives the line `"name",file,count` and one line per item
// (`"name","command",directory,icon,x,y,index,0,0`), each followed by CR LF. False for an item
// Program Manager does not know.
bool ProgmanRequest(const ProgmanState& state, std::string_view item, std::string& reply);

}  // namespace folio::win
