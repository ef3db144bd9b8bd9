#include "platform/win/WinTypes.h"

#include "platform/win/WinSystem.h"

namespace folio::win {

RegValue RegValue::Dw(Dword value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return {REG_DWORD, std::move(data)};
}

Dword RegValue::AsDword() const {
    if (data.size() != 4) return 0;
    Dword v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
    return v;
}

Dword RegValue::ByteSize() const {
    const auto n = static_cast<Dword>(data.size());
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) return n + 1;
    return n;
}

const char* RootKeyName(HKey root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_USERS) return "HKEY_USERS";
    return "";
}

Dword WinSystem::GetFileAttributes(std::string_view path, Dword* error) {
    FileInfo info;
    const Dword err = GetFileAttributesEx(path, info);
    if (error) *error = err;
    return err == ERROR_SUCCESS ? info.attributes : INVALID_FILE_ATTRIBUTES;
}

}  // namespace folio::win
