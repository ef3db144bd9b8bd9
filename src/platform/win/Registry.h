// The registry as a tree of keys, and its file: REGEDIT4 text, one section per key.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win/WinTypes.h"

namespace folio::win {

// One key: its name as created (case kept), its values in the order they were first set, its
// subkeys in the order they were created. Names are matched without regard to case.
struct RegKeyNode {
    std::string name;
    std::vector<std::pair<std::string, RegValue>> values;
    std::vector<std::unique_ptr<RegKeyNode>> subkeys;

    RegKeyNode* FindSubkey(std::string_view subName) const;
    RegKeyNode& AddSubkey(std::string_view subName);
    // Removes the subkey; false when there is none of that name.
    bool RemoveSubkey(std::string_view subName);
    const RegValue* FindValue(std::string_view valueName) const;
    void SetValue(std::string_view valueName, RegValue value);
    bool RemoveValue(std::string_view valueName);
};

// The stored roots. HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes and has
// no tree of its own.
class RegistryTree {
  public:
    RegistryTree();
    // The tree of a stored root (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS); null for
    // any other handle.
    RegKeyNode* Root(HKey root);
    const RegKeyNode* Root(HKey root) const;

    // Resolves `root` and a key path split into components (HKEY_CLASSES_ROOT is redirected);
    // null when a key on the way is missing. With `create` missing keys are made.
    RegKeyNode* Find(HKey root, const std::vector<std::string>& path, bool create = false);

  private:
    RegKeyNode hkcu_, hklm_, hku_;
};

// Splits a key path at backslashes. A trailing backslash is allowed; an empty component
// anywhere else makes it invalid (false).
bool SplitKeyPath(std::string_view path, std::vector<std::string>& parts);

// Reads REGEDIT4 text (LF line ends, as in memory). On failure `error` says
// "line N: what is wrong" and `tree` is unchanged.
bool ParseRegistryText(std::string_view text, RegistryTree& tree, std::string& error);
// Writes the tree as REGEDIT4 text with LF line ends.
std::string FormatRegistryText(const RegistryTree& tree);

// Parses a root's name as the registry file and the tools spell it ("HKEY_LOCAL_MACHINE",
// also the short forms "HKLM", "HKCU", "HKCR", "HKU"); false for any other text.
bool ParseRootKeyName(std::string_view name, HKey& root);

}  // namespace folio::win
