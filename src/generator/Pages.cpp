// Page files, link lists of children, the home link list, text preparation and the table of
// contents.
#include <algorithm>
#include <climits>

#include "generator/Expansion.h"
#include "platform/CodePage.h"

namespace folio {

namespace {

bool IsKind(const SiteItem* item, std::int32_t kind) {
    return item && item->Node() && item->Node()->m_nType == kind;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsWordBreak(char c) { return c == ' ' || c == '\n' || c == '\r'; }

const std::string& NameOf(const SiteItem* item) {
    static const std::string kNone;
    return item && item->Node() ? item->Node()->m_strName : kNone;
}

// One contents macro "[$i" with its options, starting after the "i". Returns where scanning goes
// on; fills the options found.
struct ContentsOptions {
    int levels = 3;
    std::string page = "Page";
    std::string paragraph = "Section";
    std::string link = "Link";
};

std::size_t ReadContentsOptions(std::string_view s, std::size_t i, ContentsOptions& o) {
    static constexpr std::string_view kLevels = ",levels=";
    static constexpr std::string_view kPage = ",page=";
    static constexpr std::string_view kParagraph = ",paragraph=";
    static constexpr std::string_view kLink = ",link=";
    auto readLabel = [&](std::size_t from, std::string& label) {
        std::size_t end = from;
        while (end < s.size() && IsLetter(s[end])) ++end;
        label.assign(s.substr(from, end - from));
        return end;
    };
    while (i < s.size()) {
        const std::string_view rest = s.substr(i);
        if (rest.front() == ']') return i + 1;
        if (rest.starts_with(kLevels)) {
            i += kLevels.size();
            bool negative = false;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
            long long n = 0;
            for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
                if (n < INT_MAX) n = n * 10 + (s[i] - '0');
            }
            if (negative) n = -n;
            o.levels = n < 1 ? 3 : static_cast<int>(n > INT_MAX ? INT_MAX : n);
        } else if (rest.starts_with(kPage)) {
            i = readLabel(i + kPage.size(), o.page);
        } else if (rest.starts_with(kParagraph)) {
            i = readLabel(i + kParagraph.size(), o.paragraph);
        } else if (rest.starts_with(kLink)) {
            i = readLabel(i + kLink.size(), o.link);
        } else {
            return i;  // ends the options; the character stays as text
        }
    }
    return i;
}

}  // namespace

std::string PageGenerator::GetTag(const SiteItem* item) const {
    if (!item) return {};
    std::string tag = item->Label();
    if (lowercase_) LowerAscii(tag);
    return tag;
}

const SiteItem* PageGenerator::GetPageItem(const SiteItem* item) {
    while (item && !IsKind(item, NODE_PAGE)) item = item->Parent();
    return item;
}

int PageGenerator::GetLevel(const SiteItem* item) {
    int level = 0;
    for (const SiteItem* p = item ? item->Parent() : nullptr; p; p = p->Parent()) ++level;
    return level;
}

bool PageGenerator::HasSubPages(const SiteItem* item) {
    for (const SiteItem* c = item ? item->FirstChild() : nullptr; c; c = c->Next()) {
        if (IsKind(c, NODE_PAGE)) return true;
    }
    return false;
}

std::string PageGenerator::GetTarget(const SiteItem* item) const {
    std::string target = GetTag(GetPageItem(item));
    target.append(ext_).append("#").append(GetTag(item));
    return target;
}

std::string PageGenerator::PageFileName(const SiteItem* item) const {
    std::string name = env_.settings.m_strDestDir;
    if (name.empty() || (name.back() != '\\' && name.back() != '/')) name += '\\';
    return name + GetTag(item) + ext_;
}

bool PageGenerator::CreatePage(const SiteItem* item) {
    const std::string fileName = PageFileName(item);
    AppendLog("Generating... " + fileName);
    env_.reporter.SetCurrentFile(fileName);

    auto fail = [&](const std::string& text) {
        env_.messages.Show(text, "CreatePage() ERROR", MsgIcon::Exclamation);
        return false;
    };
    if (env_.settings.m_strDestDir.empty()) {
        return fail("No destination directory given: unable to open destination file " + fileName);
    }
    if (fileName.size() > kMaxPagePath) {
        return fail("Destination path too long (" + std::to_string(fileName.size()) +
                    " characters, at most " + std::to_string(kMaxPagePath) + "): " + fileName);
    }
    const std::string tag = GetTag(item);
    if (tag.find_first_of("\\/") != std::string::npos || tag == "." || tag == "..") {
        return fail("Unable to open destination file " + fileName + " (the tag \"" + tag +
                    "\" is not a file name)");
    }

    AtomicFile file;
    std::string error;
    const std::optional<std::filesystem::path> host = MapPageForWrite(fileName);
    if (!host || !file.Open(*host, error)) {
        return fail("Unable to open destination file " + fileName);
    }
    const std::unique_ptr<CMacroTable> table = CreateNode(item);
    WriteHtml(file, table->m_strOutput);
    if (!file.Commit(error)) return fail("Unable to write destination file " + error);
    return true;
}

std::optional<std::filesystem::path> PageGenerator::MapPageForWrite(std::string_view fileName) {
    // Every page of a run goes to the same directory: look it up once.
    const std::size_t cut = fileName.find_last_of("\\/");
    const std::string_view dirPart =
        cut == std::string_view::npos ? std::string_view() : fileName.substr(0, cut + 1);
    const std::string_view name = fileName.substr(dirPart.size());
    if (destHost_ && !name.empty() && dirPart == destKey_) {
        std::string path = *destHost_;
        path.append(name);
        return std::filesystem::path(std::move(path));
    }
    std::optional<std::filesystem::path> host = env_.files.MapForWrite(fileName);
    if (host && !name.empty()) {
        destKey_.assign(dirPart);
        // The host directory as text, ready for a name: what operator/ would put between them.
        destHost_ = host->parent_path().string();
        if (!destHost_->empty() && destHost_->back() != '/') *destHost_ += '/';
    }
    return host;
}

void PageGenerator::ExpandLinks(Expansion& x) {
    x.style = 0;
    std::string& links = x.table.m_strExpand[MACRO_LINKS];
    std::string& body = x.table.m_strExpand[MACRO_LINKBODY];
    links.clear();
    body.clear();
    const SiteItem* item = x.item;
    const bool subPages = HasSubPages(item);
    const bool isRoot = item == env_.tree.Root();
    for (const SiteItem* child = item->FirstChild(); child; child = child->Next()) {
        const bool isPage = IsKind(child, NODE_PAGE);
        if (!subPages || isPage || isRoot) {
            const std::string target = GetTarget(child);
            const std::string title = ConvertText(NameOf(child), IsKind(child, NODE_LINK), false);
            if (!subPages || isPage) {
                const bool bracket = GetPageItem(child) != item;
                links += x.table.m_strExpand[MACRO_BULLET];
                links.append("  <A HREF=\"").append(target).append("\"> ");
                if (bracket) links += '[';
                links += title;
                if (bracket) links += ']';
                links += "</A>\n";
            }
            if (isRoot) {
                homeLinks_.append("<A HREF=\"").append(target).append("\"> [");
                homeLinks_.append(title).append("]</A>\n");
            }
        }
        if (isPage) continue;
        if (x.depth >= kMaxNesting) {
            AppendLog("Objects nested too deeply (more than " + std::to_string(kMaxNesting) +
                      " levels below their page): " + GetTag(child) + " not rendered");
            continue;
        }
        const std::unique_ptr<CMacroTable> rendered = CreateNode(child, x.depth + 1);
        body += rendered->m_strOutput;
    }
}

std::string PageGenerator::ConvertText(std::string_view text, bool cutLastWord,
                                       bool withMacros) const {
    if (cutLastWord) {
        std::size_t k = text.size();
        while (k > 0 && !IsWordBreak(text[k - 1])) --k;
        text = text.substr(0, k);
    }
    std::string copy;
    copy.reserve(text.size());
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t cr = std::min(text.find('\r', from), text.size());
        copy.append(text.substr(from, cr - from));
        from = cr + 1;
    }
    if (!withMacros || copy.find("[$") == std::string::npos) return copy;

    std::string out;
    out.reserve(copy.size());
    const std::string_view s = copy;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] != '[' || i + 1 >= s.size() || s[i + 1] != '$') {
            out += s[i++];
            continue;
        }
        i += 2;
        const char c = i < s.size() ? s[i] : '\0';
        if (c == '$') {
            out += "[$";
            ++i;
        } else if (c == 'i' || c == 'I') {
            ContentsOptions options;
            i = ReadContentsOptions(s, i + 1, options);
            out += BuildContents(options.levels, options.page, options.paragraph, options.link);
        } else if (c == 'f' || c == 'F') {
            out += ext_;
            ++i;
            if (i < s.size() && s[i] == ']') ++i;
        }
    }
    return out;
}

std::string PageGenerator::BuildContents(int levels, std::string_view pageLabel,
                                         std::string_view paragraphLabel,
                                         std::string_view linkLabel) const {
    std::string out = "<UL>\n";
    const SiteItem* x = env_.tree.Root();
    while (x) {
        const std::int32_t kind = x->Node() ? x->Node()->m_nType : NODE_PAGE;
        std::string_view label;
        bool listed = false;
        if (kind == NODE_PAGE) {
            listed = true;
            label = pageLabel;
        } else if (kind == NODE_PARAGRAPH) {
            listed = levels >= 2;
            label = paragraphLabel;
        } else if (kind == NODE_LINK) {
            listed = levels >= 3;
            label = linkLabel;
        }
        if (listed) {
            out += "<LI>";
            out += label;
            out.append(" <A HREF=\"").append(GetTarget(x)).append("\">");
            out.append(ConvertText(NameOf(x), kind == NODE_LINK, false)).append("</A>\n");
        }
        if (x->FirstChild()) {
            out += "<UL>\n";
            x = x->FirstChild();
            continue;
        }
        while (x && !x->Next()) {
            x = x->Parent();
            if (x) out += "</UL>\n";
        }
        if (x) x = x->Next();
    }
    out += "</UL>\n";
    return out;
}

}  // namespace folio
