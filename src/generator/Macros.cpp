// What an assignment computes for each macro.
#include <cstddef>

#include "generator/Expansion.h"

namespace folio {

namespace {

// A colour 0x00BBGGRR written as RRGGBB in upper-case hexadecimal.
std::string Hex(COLORREF c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(6, '0');
    for (int i = 0; i < 3; ++i) {
        const auto byte = static_cast<unsigned>((c >> (8 * i)) & 0xFF);
        text[static_cast<std::size_t>(2 * i)] = kDigits[byte >> 4];
        text[static_cast<std::size_t>(2 * i + 1)] = kDigits[byte & 15];
    }
    return text;
}

bool StartsWith(std::string_view text, char c) { return !text.empty() && text.front() == c; }

std::string AlignExpansion(std::string_view value, std::int32_t style) {
    std::string word;
    if (StartsWith(value, '!')) {
        switch (style & STYLE_ALIGN_MASK) {
            case ALIGN_LEFT:
                word = "LEFT";
                break;
            case ALIGN_RIGHT:
                word = "RIGHT";
                break;
            case ALIGN_CENTER:
                word = "CENTER";
                break;
            default:
                word = value.substr(1);
        }
    } else {
        word = value;
    }
    return word.empty() ? std::string() : "<" + word + ">";
}

std::string StyleExpansion(std::string_view value, std::int32_t style) {
    std::string word;
    if (StartsWith(value, '!')) {
        const int font = (style >> 3) & 15;
        if (font >= 1 && font <= 8) {
            // Not "H" + std::to_string(font): GCC 12 at -O3 warns of a false overlap there.
            word = {'H', static_cast<char>('0' + font)};
        } else if (font == 9) {
            return {};
        } else {
            word = value.substr(1);
            if (word.empty()) return {};
        }
    } else {
        word = value;
    }
    return StartsWith(word, '<') ? word : "<" + word + ">";
}

}  // namespace

void PageGenerator::Expand(Expansion& x, int index) {
    CMacroTable& t = x.table;
    const CNode& node = x.node;
    const CDocInfo& info = node.m_Info;
    const std::string& v = t.m_strValue[index];
    std::string& e = t.m_strExpand[index];
    const bool fromObject = StartsWith(v, '!');

    switch (index) {
        case MACRO_ALIGN:
            e = AlignExpansion(v, x.style);
            break;
        case MACRO_STYLE:
            e = StyleExpansion(v, x.style);
            break;
        case MACRO_LINE:
        case MACRO_BGIMAGE:
        case MACRO_BULLET:
            ExpandSingleFile(x, index);
            break;
        case MACRO_IMAGE:
        case MACRO_BACKBUTTON:
        case MACRO_HOMEBUTTON:
        case MACRO_UPBUTTON:
        case MACRO_NEWIMAGE:
        case MACRO_CONSTRIMAGE:
        case MACRO_UPDATEDIMAGE:
            ExpandPicture(x, index);
            break;
        case MACRO_COLOR:
            if (fromObject) {
                e.assign("text=\"#").append(Hex(info.m_crText));
                e.append("\" bgcolor=\"#").append(Hex(info.m_crBackground));
                e.append("\" link=\"#").append(Hex(info.m_crLink));
                e.append("\" vlink=\"#").append(Hex(info.m_crVisitedLink)).append("\"");
            } else {
                e = v;
            }
            break;
        case MACRO_BGCOLOR:
            if (fromObject) {
                e.assign("bgcolor=\"#").append(Hex(info.m_crBackground)).append("\"");
            } else {
                e = v;
            }
            break;
        case MACRO_FGCOLOR:
            if (fromObject) {
                e.assign("color=\"#").append(Hex(info.m_crText)).append("\"");
            } else {
                e = v;
            }
            break;
        case MACRO_TITLE:
            x.style = node.m_nNameStyle;
            e = (node.m_nNameStyle & STYLE_FONT_MASK) == FONT_HIDDEN
                    ? std::string()
                    : ConvertText(node.m_strName, false, true);
            break;
        case MACRO_TEXT:
            x.style = node.m_nTextStyle;
            e = ConvertText(node.m_strText, false, true);
            break;
        case MACRO_LINK: {
            x.style = node.m_nNameStyle;
            const std::string whole = ConvertText(node.m_strName, false, true);
            // The address follows the last space or line break; the first character does not
            // count as one.
            std::size_t k = whole.size();
            while (k > 1 && whole[k - 1] != ' ' && whole[k - 1] != '\n' && whole[k - 1] != '\r') {
                --k;
            }
            if (k > 1) {
                e = whole.substr(k);
                t.m_strExpand[MACRO_TITLE] = (node.m_nNameStyle & STYLE_FONT_MASK) == FONT_HIDDEN
                                                 ? std::string()
                                                 : ConvertText(node.m_strName, true, true);
            }
            break;
        }
        case MACRO_REFTITLE:
            e = ConvertText(node.m_strName, false, true);
            break;
        case MACRO_AUTHOR:
            x.style = 0;
            e = env_.properties.m_strAuthor;
            break;
        case MACRO_ADDRESS:
            x.style = 0;
            e = env_.properties.m_strEmail;
            break;
        case MACRO_GENERATOR:
            e = kGeneratorName;
            break;
        case MACRO_TAG:
            e = GetTag(x.item);
            break;
        case MACRO_HOME:
        case MACRO_PARENT: {
            const SiteItem* root = env_.tree.Root();
            const SiteItem* parent = x.item->Parent();
            const bool home = index == MACRO_HOME || !parent;
            const int nameIndex = index == MACRO_HOME ? MACRO_HOMENAME : MACRO_PARENTNAME;
            if (home) {
                e = GetTag(root) + ext_ + "#main";
                t.m_strExpand[nameIndex] = root && root->Node() ? root->Node()->m_strName : "";
            } else {
                e = GetTag(GetPageItem(parent)) + ext_ + "#" + GetTag(parent);
                t.m_strExpand[nameIndex] = parent->Node() ? parent->Node()->m_strName : "";
            }
            break;
        }
        case MACRO_UP: {
            const SiteItem* page = GetPageItem(x.item);
            e = "#" + GetTag(page);
            t.m_strExpand[MACRO_UPNAME] = page && page->Node() ? page->Node()->m_strName : "";
            break;
        }
        case MACRO_HOMELINKS:
            e = homeLinks_;
            break;
        case MACRO_LINKS:
            ExpandLinks(x);
            break;
        case MACRO_LINKBODY:
            x.style = 0;
            break;
        default:
            break;
    }
}

void PageGenerator::ExpandSingleFile(Expansion& x, int index) {
    const std::string& v = x.table.m_strValue[index];
    const CDocInfo& info = x.node.m_Info;
    std::string& e = x.table.m_strExpand[index];
    const std::string* source = &env_.properties.m_strLinkBullet;
    const char* folder = "bullets";
    if (index == MACRO_LINE) {
        source = &info.m_strLineImage;
        folder = "lineimages";
    } else if (index == MACRO_BGIMAGE) {
        source = &info.m_strBgBitmap;
        folder = "background";
    }

    std::string path;
    if (StartsWith(v, '!')) {
        if (!source->empty()) {
            path = StartsWith(*source, '\\') ? *source : std::string(folder) + "\\" + *source;
        } else if (v.size() == 1) {
            return;  // nothing to show: the expansion stays as it was
        } else {
            path = v.substr(1);
        }
    } else {
        path = v;
    }
    if (StartsWith(path, '<')) {
        e = path;
        return;
    }
    AddToCopyList(path);
    const std::string file = StripPath(path);
    if (index == MACRO_LINE) {
        e = "<IMG SRC=\"" + file + "\">";
    } else if (index == MACRO_BGIMAGE) {
        e = "background=\"" + file + "\"";
    } else {
        e = "<IMG SRC=\"" + file + "\" border=0 vspace=0>";
    }
}

void PageGenerator::ExpandPicture(Expansion& x, int index) {
    const std::string& v = x.table.m_strValue[index];
    const CNode& node = x.node;
    const CDocProperties& doc = env_.properties;
    std::string& e = x.table.m_strExpand[index];

    const std::string* source = &node.m_Info.m_strIcon;
    const char* alt = nullptr;  // null: the object's title
    bool shown = true;
    switch (index) {
        case MACRO_BACKBUTTON:
            source = &doc.m_strBackButton;
            alt = "Back";
            break;
        case MACRO_HOMEBUTTON:
            source = &doc.m_strHomeButton;
            alt = "Home";
            break;
        case MACRO_UPBUTTON:
            source = &doc.m_strUpButton;
            alt = "Up";
            break;
        case MACRO_NEWIMAGE:
            source = &doc.m_strNewImage;
            alt = "New";
            shown = node.m_Info.m_bNew != 0;
            break;
        case MACRO_CONSTRIMAGE:
            source = &doc.m_strConstructionImage;
            alt = "Construction";
            shown = node.m_Info.m_bConstruction != 0;
            break;
        case MACRO_UPDATEDIMAGE:
            source = &doc.m_strUpdatedImage;
            alt = "Updated";
            shown = node.m_Info.m_bUpdated != 0;
            break;
        default:
            break;
    }

    std::string picture;
    if (v == "!") {
        if (source->empty()) {
            e.clear();
            return;
        }
        if (!shown) return;  // (a path below images is never raw HTML)
        picture.assign("images\\").append(*source);
    } else {
        picture = StartsWith(v, '!') ? v.substr(1) : v;
        if (StartsWith(picture, '<')) {
            e = picture;
            return;
        }
        if (!shown) return;
    }

    e.clear();
    std::string mapAttr;
    ReadImageMap(picture, e, mapAttr);
    AddToCopyList(picture);
    const std::string file = StripPath(picture);
    const std::string altText =
        alt ? std::string(alt) : ConvertText(node.m_strName, node.m_nType == NODE_LINK, true);
    const std::string size = GetGifSizeAttr(picture);
    static constexpr std::string_view kSrc = "<IMG SRC=\"", kAlt = "\" ALT=\"",
                                      kBorder = "\" border=0 ";
    e.reserve(e.size() + kSrc.size() + file.size() + kAlt.size() + altText.size() + kBorder.size() +
              size.size() + mapAttr.size() + 1);
    e.append(kSrc).append(file).append(kAlt).append(altText).append(kBorder);
    e.append(size).append(mapAttr).append(1, '>');
}

}  // namespace folio
