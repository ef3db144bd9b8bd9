#include "platform/win/Registry.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace folio::win {

namespace {

bool SameName(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// A string can be written as "text" when it holds no control character (a line break or a NUL
// would break the line structure, a Ctrl-Z would end the file in text mode).
bool PrintableString(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

void AppendHex(std::string& out, std::string_view prefixLine, std::string_view bytes) {
    // Wrapped as regedit does: lines of at most about 80 columns, continued by a backslash.
    std::size_t column = prefixLine.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kHex[b >> 4];
        out += kHex[b & 15];
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

void AppendValue(std::string& out, std::string_view name, const RegValue& v) {
    std::string line;
    if (name.empty()) {
        line = "@";
    } else {
        AppendQuoted(line, name);
    }
    line += '=';
    if (v.type == REG_SZ && PrintableString(v.data)) {
        AppendQuoted(line, v.data);
        out += line;
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        char buf[16];
        const Dword d = v.AsDword();
        for (int i = 0; i < 8; ++i) buf[i] = kHex[(d >> (28 - 4 * i)) & 15];
        line += "dword:";
        line.append(buf, 8);
        out += line;
    } else {
        std::string bytes = v.data;
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ) bytes += '\0';
        if (v.type == REG_BINARY) {
            line += "hex:";
        } else {
            line += "hex(" + std::to_string(v.type) + "):";
        }
        out += line;
        AppendHex(out, line, bytes);
    }
    out += '\n';
}

void AppendKey(std::string& out, const std::string& path, const RegKeyNode& key) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [name, value] : key.values) AppendValue(out, name, value);
    out += '\n';
    for (const auto& sub : key.subkeys) AppendKey(out, path + '\\' + sub->name, *sub);
}

// Reads a "quoted" string at text[pos] (pos at the opening quote); advances pos past the closing
// quote.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos >= text.size()) return false;
            c = text[pos++];
        }
        out += c;
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skipSpace();
    if (i == text.size()) return true;
    for (;;) {
        skipSpace();
        const int hi = i < text.size() ? HexDigit(text[i]) : -1;
        const int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        skipSpace();
        if (i == text.size()) return true;
        if (text[i] != ',') return false;
        ++i;
    }
}

bool ParseValueData(std::string_view text, RegValue& value, std::string& what) {
    if (!text.empty() && text[0] == '"') {
        std::size_t pos = 0;
        std::string s;
        if (!ReadQuoted(text, pos, s) || pos != text.size()) {
            what = "unterminated or malformed string";
            return false;
        }
        value = RegValue::Sz(std::move(s));
        return true;
    }
    if (text.substr(0, 6) == "dword:") {
        const std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) {
            what = "a dword needs 1 to 8 hex digits";
            return false;
        }
        Dword d = 0;
        for (char c : digits) {
            const int h = HexDigit(c);
            if (h < 0) {
                what = "a dword needs 1 to 8 hex digits";
                return false;
            }
            d = d * 16 + static_cast<Dword>(h);
        }
        value = RegValue::Dw(d);
        return true;
    }
    if (text.substr(0, 3) == "hex") {
        Dword type = REG_BINARY;
        std::size_t pos = 3;
        if (pos < text.size() && text[pos] == '(') {
            const std::size_t close = text.find(')', pos);
            if (close == std::string_view::npos || close == pos + 1 || close - pos > 9) {
                what = "malformed hex(type)";
                return false;
            }
            type = 0;
            for (std::size_t i = pos + 1; i < close; ++i) {
                const int h = HexDigit(text[i]);
                if (h < 0) {
                    what = "malformed hex(type)";
                    return false;
                }
                type = type * 16 + static_cast<Dword>(h);
            }
            pos = close + 1;
        }
        if (pos >= text.size() || text[pos] != ':') {
            what = "expected ':' after hex";
            return false;
        }
        std::string bytes;
        if (!ParseHexBytes(text.substr(pos + 1), bytes)) {
            what = "malformed hex bytes";
            return false;
        }
        if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && !bytes.empty() &&
            bytes.back() == '\0') {
            bytes.pop_back();
        }
        value = RegValue{type, std::move(bytes)};
        return true;
    }
    what = "unknown value data";
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

RegKeyNode* RegKeyNode::FindSubkey(std::string_view subName) const {
    for (const auto& k : subkeys) {
        if (SameName(k->name, subName)) return k.get();
    }
    return nullptr;
}

RegKeyNode& RegKeyNode::AddSubkey(std::string_view subName) {
    if (RegKeyNode* k = FindSubkey(subName)) return *k;
    subkeys.push_back(std::make_unique<RegKeyNode>());
    subkeys.back()->name = std::string(subName);
    return *subkeys.back();
}

bool RegKeyNode::RemoveSubkey(std::string_view subName) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
        if (SameName((*it)->name, subName)) {
            subkeys.erase(it);
            return true;
        }
    }
    return false;
}

const RegValue* RegKeyNode::FindValue(std::string_view valueName) const {
    for (const auto& [n, v] : values) {
        if (SameName(n, valueName)) return &v;
    }
    return nullptr;
}

void RegKeyNode::SetValue(std::string_view valueName, RegValue value) {
    for (auto& [n, v] : values) {
        if (SameName(n, valueName)) {
            v = std::move(value);
            return;
        }
    }
    values.emplace_back(std::string(valueName), std::move(value));
}

bool RegKeyNode::RemoveValue(std::string_view valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (SameName(it->first, valueName)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

RegistryTree::RegistryTree() {
    hkcu_.name = "HKEY_CURRENT_USER";
    hklm_.name = "HKEY_LOCAL_MACHINE";
    hku_.name = "HKEY_USERS";
}

RegKeyNode* RegistryTree::Root(HKey root) {
    if (root == HKEY_CURRENT_USER) return &hkcu_;
    if (root == HKEY_LOCAL_MACHINE) return &hklm_;
    if (root == HKEY_USERS) return &hku_;
    return nullptr;
}

const RegKeyNode* RegistryTree::Root(HKey root) const {
    return const_cast<RegistryTree*>(this)->Root(root);
}

RegKeyNode* RegistryTree::Find(HKey root, const std::vector<std::string>& path, bool create) {
    RegKeyNode* node = nullptr;
    if (root == HKEY_CLASSES_ROOT) {
        node = Find(HKEY_LOCAL_MACHINE, {"SOFTWARE", "Classes"}, create);
    } else {
        node = Root(root);
    }
    for (const auto& part : path) {
        if (!node) return nullptr;
        RegKeyNode* next = node->FindSubkey(part);
        if (!next && create) next = &node->AddSubkey(part);
        node = next;
    }
    return node;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end == std::string_view::npos) {
            if (!part.empty()) parts.emplace_back(part);
            return true;
        }
        if (part.empty()) return false;
        parts.emplace_back(part);
        start = end + 1;
    }
}

bool ParseRootKeyName(std::string_view name, HKey& root) {
    struct Entry {
        const char* longName;
        const char* shortName;
        HKey key;
    };
    static const Entry kRoots[] = {{"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
                                   {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                                   {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                                   {"HKEY_USERS", "HKU", HKEY_USERS}};
    for (const auto& e : kRoots) {
        if (SameName(name, e.longName) || SameName(name, e.shortName)) {
            root = e.key;
            return true;
        }
    }
    return false;
}

std::string FormatRegistryText(const RegistryTree& tree) {
    std::string out = "REGEDIT4\n\n";
    for (HKey root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS}) {
        const RegKeyNode* node = tree.Root(root);
        for (const auto& sub : node->subkeys) {
            AppendKey(out, std::string(RootKeyName(root)) + '\\' + sub->name, *sub);
        }
    }
    return out;
}

bool ParseRegistryText(std::string_view text, RegistryTree& tree, std::string& error) {
    RegistryTree result;
    RegKeyNode* current = nullptr;
    bool sawHeader = false;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    auto fail = [&](std::size_t line, const std::string& what) {
        error = "line " + std::to_string(line) + ": " + what;
        return false;
    };
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(Trim(text.substr(pos, end - pos)));
        pos = end + 1;
        ++lineNo;
        const std::size_t firstLine = lineNo;
        if (line.empty() || line[0] == ';') continue;
        if (!sawHeader) {
            if (line != "REGEDIT4") return fail(firstLine, "expected the header REGEDIT4");
            sawHeader = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') return fail(firstLine, "a key line must end with ']'");
            const std::string_view keyPath = std::string_view(line).substr(1, line.size() - 2);
            const std::size_t slash = keyPath.find('\\');
            HKey root;
            if (!ParseRootKeyName(keyPath.substr(0, slash), root)) {
                return fail(firstLine, "unknown root key in [" + std::string(keyPath) + "]");
            }
            std::vector<std::string> parts;
            if (slash != std::string_view::npos &&
                (!SplitKeyPath(keyPath.substr(slash + 1), parts) || parts.empty())) {
                return fail(firstLine, "malformed key path [" + std::string(keyPath) + "]");
            }
            current = result.Find(root, parts, true);
            continue;
        }
        if (!current) return fail(firstLine, "a value before the first key");
        std::string name;
        std::size_t p = 0;
        if (line[0] == '@') {
            p = 1;
        } else if (!ReadQuoted(line, p, name)) {
            return fail(firstLine, "malformed value name");
        }
        if (p >= line.size() || line[p] != '=') return fail(firstLine, "expected '=' after name");
        std::string data(Trim(std::string_view(line).substr(p + 1)));
        // Hex data continued over several lines by a trailing backslash.
        while (data.substr(0, 3) == "hex" && !data.empty() && data.back() == '\\' &&
               pos < text.size()) {
            data.pop_back();
            std::size_t e = text.find('\n', pos);
            if (e == std::string_view::npos) e = text.size();
            data += Trim(text.substr(pos, e - pos));
            pos = e + 1;
            ++lineNo;
        }
        RegValue value;
        std::string what;
        if (!ParseValueData(data, value, what)) {
            return fail(firstLine, what);
        }
        current->SetValue(name, std::move(value));
    }
    if (!sawHeader) return fail(1, "expected the header REGEDIT4");
    tree = std::move(result);
    return true;
}

}  // namespace folio::win
