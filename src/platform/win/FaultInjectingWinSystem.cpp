#include "platform/win/FaultInjectingWinSystem.h"

namespace folio::win {

const char* WinOpName(std::uint32_t op) {
    switch (op) {
        case kOpExpandEnvironmentStrings:
            return "ExpandEnvironmentStrings";
        case kOpGetFileAttributesEx:
            return "GetFileAttributesEx";
        case kOpSetFileAttributes:
            return "SetFileAttributes";
        case kOpCopyFile:
            return "CopyFile";
        case kOpDeleteFile:
            return "DeleteFile";
        case kOpCreateDirectory:
            return "CreateDirectory";
        case kOpRemoveDirectory:
            return "RemoveDirectory";
        case kOpFindFiles:
            return "FindFiles";
        case kOpMoveFile:
            return "MoveFile";
        case kOpMoveFileEx:
            return "MoveFileEx";
        case kOpReadFile:
            return "ReadFile";
        case kOpWriteFile:
            return "WriteFile";
        case kOpGetFileVersionInfoSize:
            return "GetFileVersionInfoSize";
        case kOpGetFileVersionInfo:
            return "GetFileVersionInfo";
        case kOpRegOpenKey:
            return "RegOpenKey";
        case kOpRegCreateKey:
            return "RegCreateKey";
        case kOpRegCloseKey:
            return "RegCloseKey";
        case kOpRegQueryValue:
            return "RegQueryValue";
        case kOpRegSetValue:
            return "RegSetValue";
        case kOpRegDeleteKey:
            return "RegDeleteKey";
        case kOpRegDeleteValue:
            return "RegDeleteValue";
        case kOpWritePrivateProfileString:
            return "WritePrivateProfileString";
        case kOpCreateShortcut:
            return "CreateShortcut";
        case kOpDdeConnect:
            return "DdeConnect";
        case kOpDdeExecute:
            return "DdeExecute";
        case kOpDdeRequest:
            return "DdeRequest";
        case kOpDdeDisconnect:
            return "DdeDisconnect";
        default:
            return "";
    }
}

void FaultInjectingWinSystem::Arm(const Plan& plan) {
    plan_ = plan;
    calls_ = 0;
    firedCount_ = 0;
    firstFiredOp_ = 0;
}

Dword FaultInjectingWinSystem::Check(std::uint32_t op) {
    if (!(plan_.ops & op)) return ERROR_SUCCESS;
    ++calls_;
    if (plan_.nth == 0 || calls_ < plan_.nth || (calls_ > plan_.nth && !plan_.persistent)) {
        return ERROR_SUCCESS;
    }
    if (firedCount_++ == 0) firstFiredOp_ = op;
    return (op & kOpsDde) || op == kOpDdeDisconnect ? plan_.ddeError : plan_.error;
}

Dword FaultInjectingWinSystem::ExpandEnvironmentStrings(std::string_view text, std::string& out) {
    if (const Dword e = Check(kOpExpandEnvironmentStrings)) return e;
    return WinSystemWrapper::ExpandEnvironmentStrings(text, out);
}

Dword FaultInjectingWinSystem::GetFileAttributesEx(std::string_view path, FileInfo& info) {
    if (const Dword e = Check(kOpGetFileAttributesEx)) return e;
    return WinSystemWrapper::GetFileAttributesEx(path, info);
}

Dword FaultInjectingWinSystem::SetFileAttributes(std::string_view path, Dword attributes) {
    if (const Dword e = Check(kOpSetFileAttributes)) return e;
    return WinSystemWrapper::SetFileAttributes(path, attributes);
}

Dword FaultInjectingWinSystem::CopyFile(std::string_view from, std::string_view to,
                                        bool failIfExists) {
    if (const Dword e = Check(kOpCopyFile)) return e;
    return WinSystemWrapper::CopyFile(from, to, failIfExists);
}

Dword FaultInjectingWinSystem::DeleteFile(std::string_view path) {
    if (const Dword e = Check(kOpDeleteFile)) return e;
    return WinSystemWrapper::DeleteFile(path);
}

Dword FaultInjectingWinSystem::CreateDirectory(std::string_view path) {
    if (const Dword e = Check(kOpCreateDirectory)) return e;
    return WinSystemWrapper::CreateDirectory(path);
}

Dword FaultInjectingWinSystem::RemoveDirectory(std::string_view path) {
    if (const Dword e = Check(kOpRemoveDirectory)) return e;
    return WinSystemWrapper::RemoveDirectory(path);
}

Dword FaultInjectingWinSystem::FindFiles(std::string_view pattern, std::vector<FindData>& out) {
    if (const Dword e = Check(kOpFindFiles)) return e;
    return WinSystemWrapper::FindFiles(pattern, out);
}

Dword FaultInjectingWinSystem::MoveFile(std::string_view from, std::string_view to) {
    if (const Dword e = Check(kOpMoveFile)) return e;
    return WinSystemWrapper::MoveFile(from, to);
}

Dword FaultInjectingWinSystem::MoveFileEx(std::string_view from, std::string_view to, Dword flags) {
    if (const Dword e = Check(kOpMoveFileEx)) return e;
    return WinSystemWrapper::MoveFileEx(from, to, flags);
}

Dword FaultInjectingWinSystem::ReadFile(std::string_view path, std::string& bytes) {
    if (const Dword e = Check(kOpReadFile)) return e;
    return WinSystemWrapper::ReadFile(path, bytes);
}

Dword FaultInjectingWinSystem::WriteFile(std::string_view path, std::string_view bytes,
                                         WriteMode mode) {
    if (const Dword e = Check(kOpWriteFile)) return e;
    return WinSystemWrapper::WriteFile(path, bytes, mode);
}

Dword FaultInjectingWinSystem::GetFileVersionInfoSize(std::string_view path, Dword& size) {
    if (const Dword e = Check(kOpGetFileVersionInfoSize)) return e;
    return WinSystemWrapper::GetFileVersionInfoSize(path, size);
}

Dword FaultInjectingWinSystem::GetFileVersionInfo(std::string_view path, std::string& block) {
    if (const Dword e = Check(kOpGetFileVersionInfo)) return e;
    return WinSystemWrapper::GetFileVersionInfo(path, block);
}

Dword FaultInjectingWinSystem::RegOpenKey(HKey parent, std::string_view path, Dword access,
                                          HKey& key) {
    if (const Dword e = Check(kOpRegOpenKey)) return e;
    return WinSystemWrapper::RegOpenKey(parent, path, access, key);
}

Dword FaultInjectingWinSystem::RegCreateKey(HKey parent, std::string_view path, Dword access,
                                            HKey& key) {
    if (const Dword e = Check(kOpRegCreateKey)) return e;
    return WinSystemWrapper::RegCreateKey(parent, path, access, key);
}

Dword FaultInjectingWinSystem::RegCloseKey(HKey key) {
    if (const Dword e = Check(kOpRegCloseKey)) return e;
    return WinSystemWrapper::RegCloseKey(key);
}

Dword FaultInjectingWinSystem::RegQueryValue(HKey key, std::string_view name, RegValue& value,
                                             Dword bufferSize) {
    if (const Dword e = Check(kOpRegQueryValue)) return e;
    return WinSystemWrapper::RegQueryValue(key, name, value, bufferSize);
}

Dword FaultInjectingWinSystem::RegSetValue(HKey key, std::string_view name, const RegValue& value) {
    if (const Dword e = Check(kOpRegSetValue)) return e;
    return WinSystemWrapper::RegSetValue(key, name, value);
}

Dword FaultInjectingWinSystem::RegDeleteKey(HKey key, std::string_view name) {
    if (const Dword e = Check(kOpRegDeleteKey)) return e;
    return WinSystemWrapper::RegDeleteKey(key, name);
}

Dword FaultInjectingWinSystem::RegDeleteValue(HKey key, std::string_view name) {
    if (const Dword e = Check(kOpRegDeleteValue)) return e;
    return WinSystemWrapper::RegDeleteValue(key, name);
}

Dword FaultInjectingWinSystem::WritePrivateProfileString(std::string_view section,
                                                         std::string_view key,
                                                         std::string_view value,
                                                         std::string_view file) {
    if (const Dword e = Check(kOpWritePrivateProfileString)) return e;
    return WinSystemWrapper::WritePrivateProfileString(section, key, value, file);
}

Dword FaultInjectingWinSystem::CreateShortcut(std::string_view targetPath,
                                              std::string_view shortcut,
                                              std::string_view description,
                                              std::string_view workingDir) {
    if (const Dword e = Check(kOpCreateShortcut)) return e;
    return WinSystemWrapper::CreateShortcut(targetPath, shortcut, description, workingDir);
}

Dword FaultInjectingWinSystem::DdeConnect(std::string_view service, std::string_view topic,
                                          Conversation& conv) {
    if (const Dword e = Check(kOpDdeConnect)) return e;
    return WinSystemWrapper::DdeConnect(service, topic, conv);
}

Dword FaultInjectingWinSystem::DdeExecute(Conversation conv, std::string_view command,
                                          Dword timeoutMs) {
    if (const Dword e = Check(kOpDdeExecute)) return e;
    return WinSystemWrapper::DdeExecute(conv, command, timeoutMs);
}

Dword FaultInjectingWinSystem::DdeRequest(Conversation conv, std::string_view item, Dword timeoutMs,
                                          std::string& reply) {
    if (const Dword e = Check(kOpDdeRequest)) return e;
    return WinSystemWrapper::DdeRequest(conv, item, timeoutMs, reply);
}

Dword FaultInjectingWinSystem::DdeDisconnect(Conversation conv) {
    if (const Dword e = Check(kOpDdeDisconnect)) return e;
    return WinSystemWrapper::DdeDisconnect(conv);
}

}  // namespace folio::win
