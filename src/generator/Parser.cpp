// Template files: reading them in pieces, the four bracketed constructs and comments.
#include <algorithm>
#include <cctype>
#include <climits>

#include "generator/Expansion.h"

namespace folio {

namespace {

// The reading unit: a line of up to 258 characters and its line feed.
constexpr std::size_t kPieceSize = 259;

const char* TemplateSuffix(std::int32_t type) {
    switch (type) {
        case NODE_PARAGRAPH:
            return ".pgh.txt";
        case NODE_LINK:
            return ".lnk.txt";
        default:
            return ".hdr.txt";
    }
}

bool IsRefusedAssignment(int index) {
    return index == MACRO_HOMENAME || index == MACRO_PARENTNAME || index == MACRO_LEVEL ||
           index == MACRO_UPNAME || index == MACRO_MORELINKS;
}

// Reads a decimal integer the way the C library's atoi does: leading blanks, one sign, digits up
// to the first non-digit; no digits reads as 0. Saturates instead of overflowing.
long long ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    return negative ? -value : value;
}

}  // namespace

const std::string* PageGenerator::CachedText(const std::string& fileName) {
    auto it = texts_.find(fileName);
    if (it == texts_.end()) {
        std::optional<std::string> text;
        std::string content;
        if (env_.files.ReadText(fileName, content)) text = std::move(content);
        it = texts_.emplace(fileName, std::move(text)).first;
    }
    return it->second ? &*it->second : nullptr;
}

std::unique_ptr<CMacroTable> PageGenerator::CreateNode(const SiteItem* item, int depth) {
    auto table = std::make_unique<CMacroTable>();
    if (!item || !item->Node()) return table;
    const CNode& node = *item->Node();
    const std::string fileName =
        "templates\\" + node.m_Info.m_strTemplate + TemplateSuffix(node.m_nType);

    env_.reporter.StepProgress();
    env_.reporter.SetCurrentTag(GetTag(item));

    const std::string* text = CachedText(fileName);
    if (!text) {
        env_.messages.Show("Unable to open template file: " + fileName, "CreateNode() ERROR",
                           MsgIcon::Exclamation);
        return table;
    }
    AppendLog("Parsing template file: " + fileName);

    Expansion x{*table, item, node, depth};
    const std::string_view all = *text;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = std::min(pos + kPieceSize, all.size());
        const std::size_t lf = all.find('\n', pos);
        if (lf != std::string_view::npos && lf < end) end = lf + 1;
        const std::string_view piece = all.substr(pos, end - pos);
        pos = end;
        if (piece.front() == '#') continue;  // a comment
        ParsePiece(x, piece);
    }
    return table;
}

void PageGenerator::ParsePiece(Expansion& x, std::string_view piece) {
    std::string& out = x.table.m_strOutput;
    std::size_t i = 0;
    while (i < piece.size()) {
        const std::size_t open = piece.find('[', i);
        if (open == std::string_view::npos) {
            out.append(piece.substr(i));
            return;
        }
        out.append(piece.substr(i, open - i));
        const char kind = open + 1 < piece.size() ? piece[open + 1] : '\0';
        const bool marked = kind == '@' || kind == '?' || kind == '/';
        const std::size_t start = open + (marked ? 2 : 1);
        const std::size_t close = piece.find(']', start);
        const std::size_t contentEnd = close == std::string_view::npos ? piece.size() : close;
        const std::string_view content = piece.substr(start, contentEnd - start);
        std::size_t next = close == std::string_view::npos ? piece.size() : close + 1;

        if (kind == '@' || kind == '?') {
            if (kind == '@') {
                Assign(x, content);
            } else if (!Conditional(x, content)) {
                return;  // the rest of the piece is dropped
            }
            if (next < piece.size() && piece[next] == '\n') ++next;
        } else {
            const MacroLookup found = LookupMacro(content, false);
            if (found.error == MacroLookup::Syntax) {
                AppendLog("Syntax error (in template file): " + std::string(content));
            } else if (found.error == MacroLookup::Unknown) {
                AppendLog("Unknown macro name (in template file) : " + found.upperName);
            } else {
                const std::string& expansion = x.table.m_strExpand[found.index];
                if (kind != '/') {
                    out += expansion;
                } else if (!expansion.empty()) {
                    const std::size_t eq = content.rfind('=');
                    if (eq != std::string_view::npos) {
                        out.append(content.substr(eq + 1));
                    } else {
                        out += "</";
                        out.append(expansion, 1);
                    }
                }
            }
        }
        i = next;
    }
}

int PageGenerator::AssignMacro(CMacroTable& table, std::string_view content) {
    const MacroLookup found = LookupMacro(content, true);
    if (found.error == MacroLookup::Syntax) {
        AppendLog("Syntax error (in template file): " + std::string(content));
        return -1;
    }
    if (found.error == MacroLookup::Unknown) {
        AppendLog("Unknown macro name (in template file) : " + found.upperName);
        return -1;
    }
    table.m_strValue[found.index] = std::string(content.substr(found.valueAt));
    return found.index;
}

void PageGenerator::Assign(Expansion& x, std::string_view content) {
    const int index = AssignMacro(x.table, content);
    if (index < 0) return;
    if (IsRefusedAssignment(index)) {
        AppendLog("Dont know how to assgn value to macro: " + std::string(content));
        return;
    }
    if (!x.table.m_strValue[index].empty()) Expand(x, index);
}

bool PageGenerator::Conditional(Expansion& x, std::string_view content) {
    const int index = AssignMacro(x.table, content);
    if (index == MACRO_LEVEL) {
        return ReadDecimal(x.table.m_strValue[index]) <= GetLevel(x.item);
    }
    if (index == MACRO_MORELINKS) {
        const SiteItem* next = x.item->Next();
        return !next || !next->Node() || next->Node()->m_nType != NODE_LINK;
    }
    AppendLog("Dont know contitional statement: " + std::string(content));
    return true;
}

}  // namespace folio
