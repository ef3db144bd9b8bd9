// The conversations with Program Manager (service and topic "PROGMAN"): three for setup
// (create a group, add an item, list the groups) and three for uninstall (delete an item, ask
// whether a group is empty, delete a group). Each one opens its own conversation and closes it
// before returning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/win/WinSystem.h"

namespace folio::setup {

// The command buffers of the conversations: group commands and the item deletion, and the
// item commands of setup. A command must fit with its terminating zero.
inline constexpr std::size_t kPmGroupBuffer = 128;
inline constexpr std::size_t kPmItemBuffer = 1040;
inline constexpr win::Dword kPmGroupTimeout = 10000;
inline constexpr win::Dword kPmItemTimeout = 1000;

// Why a group or item name cannot be put into a command: it holds a quote, a comma or a
// parenthesis (which would end an argument), a bracket, a control character, or (for a group)
// an "@", which separates group and item in the uninstall log. Empty when it is fine.
std::string PmNameProblem(std::string_view name, bool isGroup);

// The command strings, formatted as Program Manager expects them.
std::string PmCreateGroupCommand(std::string_view group);
std::string PmShowGroupCommand(std::string_view group);
std::string PmDeleteGroupCommand(std::string_view group);
std::string PmDeleteItemCommand(std::string_view item);
std::string PmReplaceItemCommand(std::string_view item);
std::string PmAddItemCommand(std::string_view item, std::string_view target);

// setup's side; reports go to the message box. Each returns 1, or 0 when a name is refused.
// 0 also when the group could not be made the current one (no item may be added then).
int PmCreateGroup(win::WinSystem& sys, MessageSink& sink, std::string_view group);
int PmAddItem(win::WinSystem& sys, MessageSink& sink, std::string_view item,
              std::string_view target);
int PmListGroups(win::WinSystem& sys, std::vector<std::string>& groups);

// uninstall's side; reports are console text, shown without a line end.
int PmGroupIsEmpty(win::WinSystem& sys, std::string_view group);
int PmDeleteGroup(win::WinSystem& sys, MessageSink& console, std::string_view group);
int PmDeleteItem(win::WinSystem& sys, MessageSink& console, std::string_view group,
                 std::string_view item);

}  // namespace folio::setup
