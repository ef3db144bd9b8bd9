// Win32-shaped constants and records of the platform layer. The values are the ones the
// installer's decisions depend on (error codes, attribute bits, registry types, move flags), so
// they keep the numbers of the system they describe; the names are this layer's own, without
// any header of that system.
#pragma once

#include <cstdint>
#include <string>

namespace folio::win {

using Dword = std::uint32_t;

// The platform code of the installer, fixed once at start.
enum OsKind : int { OS_OTHER = 0, OS_WIN95 = 1, OS_NT351 = 2, OS_NT4 = 3 };

// --- error codes (GetLastError values) ---------------------------------------------------------
inline constexpr Dword ERROR_SUCCESS = 0;
inline constexpr Dword ERROR_FILE_NOT_FOUND = 2;
inline constexpr Dword ERROR_PATH_NOT_FOUND = 3;
inline constexpr Dword ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr Dword ERROR_ACCESS_DENIED = 5;
inline constexpr Dword ERROR_INVALID_HANDLE = 6;
inline constexpr Dword ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr Dword ERROR_OUTOFMEMORY = 14;
inline constexpr Dword ERROR_NOT_SAME_DEVICE = 17;
inline constexpr Dword ERROR_NO_MORE_FILES = 18;
inline constexpr Dword ERROR_WRITE_PROTECT = 19;
inline constexpr Dword ERROR_WRITE_FAULT = 29;
inline constexpr Dword ERROR_GEN_FAILURE = 31;
inline constexpr Dword ERROR_SHARING_VIOLATION = 32;
inline constexpr Dword ERROR_HANDLE_DISK_FULL = 39;
inline constexpr Dword ERROR_BAD_NETPATH = 53;
inline constexpr Dword ERROR_NETWORK_BUSY = 54;
inline constexpr Dword ERROR_FILE_EXISTS = 80;
inline constexpr Dword ERROR_INVALID_PARAMETER = 87;
inline constexpr Dword ERROR_DISK_FULL = 112;
inline constexpr Dword ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr Dword ERROR_INVALID_NAME = 123;
inline constexpr Dword ERROR_DIR_NOT_EMPTY = 145;
inline constexpr Dword ERROR_BAD_PATHNAME = 161;
inline constexpr Dword ERROR_ALREADY_EXISTS = 183;
inline constexpr Dword ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr Dword ERROR_MORE_DATA = 234;
inline constexpr Dword ERROR_NO_MORE_ITEMS = 259;
inline constexpr Dword ERROR_DIRECTORY = 267;
inline constexpr Dword ERROR_BADDB = 1009;
inline constexpr Dword ERROR_CANTWRITE = 1013;
inline constexpr Dword ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr Dword ERROR_KEY_DELETED = 1018;
inline constexpr Dword ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr Dword ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// DDE management library errors (a conversation with Program Manager).
inline constexpr Dword DMLERR_NO_ERROR = 0;
inline constexpr Dword DMLERR_DATAACKTIMEOUT = 0x4002;
inline constexpr Dword DMLERR_DLL_NOT_INITIALIZED = 0x4003;
inline constexpr Dword DMLERR_EXECACKTIMEOUT = 0x4005;
inline constexpr Dword DMLERR_INVALIDPARAMETER = 0x4006;
inline constexpr Dword DMLERR_NOTPROCESSED = 0x4009;
inline constexpr Dword DMLERR_NO_CONV_ESTABLISHED = 0x400a;

// --- file attributes ----------------------------------------------------------------------------
inline constexpr Dword FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr Dword FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr Dword FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr Dword FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr Dword FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr Dword FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr Dword FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr Dword INVALID_FILE_ATTRIBUTES = 0xffffffff;

// --- MoveFileEx flags ---------------------------------------------------------------------------
inline constexpr Dword MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr Dword MOVEFILE_COPY_ALLOWED = 0x2;
inline constexpr Dword MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
inline constexpr Dword MOVEFILE_WRITE_THROUGH = 0x8;

// --- registry -----------------------------------------------------------------------------------
// A key handle. The four roots are predefined; every other handle comes from RegOpenKey or
// RegCreateKey and must be closed with RegCloseKey.
enum class HKey : std::uint32_t {};
inline constexpr HKey HKEY_CLASSES_ROOT{0x80000000u};
inline constexpr HKey HKEY_CURRENT_USER{0x80000001u};
inline constexpr HKey HKEY_LOCAL_MACHINE{0x80000002u};
inline constexpr HKey HKEY_USERS{0x80000003u};

inline constexpr Dword REG_NONE = 0;
inline constexpr Dword REG_SZ = 1;
inline constexpr Dword REG_EXPAND_SZ = 2;
inline constexpr Dword REG_BINARY = 3;
inline constexpr Dword REG_DWORD = 4;
inline constexpr Dword REG_MULTI_SZ = 7;

inline constexpr Dword KEY_QUERY_VALUE = 0x0001;
inline constexpr Dword KEY_SET_VALUE = 0x0002;
inline constexpr Dword KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr Dword KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr Dword KEY_READ = 0x20019;
inline constexpr Dword KEY_WRITE = 0x20006;
inline constexpr Dword KEY_ALL_ACCESS = 0xf003f;

// A registry value as the system stores it. `data` holds the bytes of the value:
// REG_SZ and REG_EXPAND_SZ the text without its terminating NUL; REG_DWORD four little-endian
// bytes; REG_MULTI_SZ every string followed by a NUL (the list's closing NUL is implied);
// other types their raw bytes.
struct RegValue {
    Dword type = REG_NONE;
    std::string data;

    static RegValue Sz(std::string text) { return {REG_SZ, std::move(text)}; }
    static RegValue ExpandSz(std::string text) { return {REG_EXPAND_SZ, std::move(text)}; }
    static RegValue Dw(Dword value);
    // The data as a DWORD; 0 when it is not four bytes long.
    Dword AsDword() const;
    // The byte count the system reports for the value (strings count their NULs).
    Dword ByteSize() const;
};

// --- times and files ----------------------------------------------------------------------------
// 100-nanosecond intervals since 1601-01-01 UTC, as FILETIME counts them.
using FileTime = std::uint64_t;

struct FileInfo {
    Dword attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
};

// One entry of a directory listing.
struct FindData {
    std::string name;
    Dword attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
};

// --- version information ------------------------------------------------------------------------
inline constexpr Dword VS_FFI_SIGNATURE = 0xfeef04bd;

// The fixed part of a version resource, field for field as the resource stores it.
struct VsFixedFileInfo {
    Dword signature = 0;
    Dword strucVersion = 0;
    Dword fileVersionMS = 0;
    Dword fileVersionLS = 0;
    Dword productVersionMS = 0;
    Dword productVersionLS = 0;
    Dword fileFlagsMask = 0;
    Dword fileFlags = 0;
    Dword fileOS = 0;
    Dword fileType = 0;
    Dword fileSubtype = 0;
    Dword fileDateMS = 0;
    Dword fileDateLS = 0;
};

// The name the installer writes in its log for a root key ("HKEY_LOCAL_MACHINE", ...); empty for
// a handle that is not a root.
const char* RootKeyName(HKey root);

}  // namespace folio::win
