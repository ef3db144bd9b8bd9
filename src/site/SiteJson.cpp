#include "site/SiteJson.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileIo.h"
#include "site/GenerateSettings.h"

namespace folio {
namespace {

// ---- the shape of the document

// What a member (or an array element) holds.
enum class Slot {
    String,
    Int,     // signed 32-bit
    Colour,  // unsigned 32-bit
    Flag,    // boolean
    Tag,     // an item's label (a string)
    Site,    // the whole document (object)
    Properties,
    CustomColors,  // array of 16 colours
    Items,         // array of items
    Item,
    Info,
    Children,  // array of items
    Generate,
};

// One member of an object: its key, what it holds and where it goes in the record R.
template <class R>
struct Member {
    const char* name;
    Slot slot;
    std::string R::*str = nullptr;
    std::int32_t R::*num = nullptr;  // Int and Flag
    COLORREF R::*colour = nullptr;
};

template <class R>
constexpr Member<R> Str(const char* name, std::string R::*p) {
    return {name, Slot::String, p, nullptr, nullptr};
}
template <class R>
constexpr Member<R> Int(const char* name, std::int32_t R::*p) {
    return {name, Slot::Int, nullptr, p, nullptr};
}
template <class R>
constexpr Member<R> Flag(const char* name, std::int32_t R::*p) {
    return {name, Slot::Flag, nullptr, p, nullptr};
}
template <class R>
constexpr Member<R> Colour(const char* name, COLORREF R::*p) {
    return {name, Slot::Colour, nullptr, nullptr, p};
}
template <class R>
constexpr Member<R> Sub(const char* name, Slot slot) {
    return {name, slot, nullptr, nullptr, nullptr};
}

using P = CDocProperties;
constexpr std::array kPropertyMembers = {
    Str("author", &P::m_strAuthor),
    Str("bgBitmap", &P::m_strBgBitmap),
    Str("email", &P::m_strEmail),
    Int("expireDays", &P::m_nExpireDays),
    Str("image", &P::m_strImage),
    Str("lineImage", &P::m_strLineImage),
    Flag("new", &P::m_bNew),
    Flag("updated", &P::m_bUpdated),
    Flag("construction", &P::m_bConstruction),
    Str("homeButton", &P::m_strHomeButton),
    Str("template", &P::m_strTemplate),
    Str("backButton", &P::m_strBackButton),
    Str("linkBullet", &P::m_strLinkBullet),
    Str("upButton", &P::m_strUpButton),
    Str("constructionImage", &P::m_strConstructionImage),
    Str("newImage", &P::m_strNewImage),
    Str("updatedImage", &P::m_strUpdatedImage),
    Colour("textColor", &P::m_crText),
    Colour("backgroundColor", &P::m_crBackground),
    Colour("linkColor", &P::m_crLink),
    Colour("visitedLinkColor", &P::m_crVisitedLink),
    Sub<P>("customColors", Slot::CustomColors),
};

constexpr std::array kItemMembers = {
    Sub<CNode>("tag", Slot::Tag),           Int("type", &CNode::m_nType),
    Str("name", &CNode::m_strName),         Str("text", &CNode::m_strText),
    Int("textStyle", &CNode::m_nTextStyle), Int("nameStyle", &CNode::m_nNameStyle),
    Int("stamp", &CNode::m_tStamp),         Sub<CNode>("info", Slot::Info),
    Sub<CNode>("children", Slot::Children),
};

using I = CDocInfo;
constexpr std::array kInfoMembers = {
    Str("bgBitmap", &I::m_strBgBitmap),
    Int("expireDays", &I::m_nExpireDays),
    Str("icon", &I::m_strIcon),
    Str("lineImage", &I::m_strLineImage),
    Flag("new", &I::m_bNew),
    Colour("textColor", &I::m_crText),
    Colour("backgroundColor", &I::m_crBackground),
    Colour("linkColor", &I::m_crLink),
    Colour("visitedLinkColor", &I::m_crVisitedLink),
    Str("template", &I::m_strTemplate),
    Flag("construction", &I::m_bConstruction),
    Flag("updated", &I::m_bUpdated),
};

constexpr std::array kSiteMembers = {
    Sub<SiteContents>("properties", Slot::Properties),
    Sub<SiteContents>("items", Slot::Items),
    Sub<SiteContents>("generate", Slot::Generate),
};

constexpr std::array kGenerateMembers = {
    Str("destDir", &SiteContents::destDir),
    Str("spare", &SiteContents::spare),
};

// An item's members and its info's members share one mask of the members present.
constexpr unsigned kInfoShift = kItemMembers.size();
static_assert(kItemMembers.size() + kInfoMembers.size() <= 32);

constexpr std::size_t kCustomColours = std::tuple_size_v<decltype(CDocProperties::m_crCustom)>;

// ---- writing

// Nesting levels deeper than this are written without further indentation.
constexpr std::size_t kMaxIndentLevel = 16;
constexpr std::size_t kBlock = 1 << 16;

class JsonWriter {
  public:
    explicit JsonWriter(const std::function<void(std::string_view)>& sink) : sink_(sink) {
        buffer_.reserve(kBlock + 4096);
    }

    void Raw(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kBlock) Flush();
    }
    // A line break and the indentation of nesting level `level`.
    void NewLine(std::size_t level) {
        buffer_ += '\n';
        buffer_.append(std::min(level, kMaxIndentLevel) * 2, ' ');
    }
    void Key(std::size_t level, const char* name, bool first) {
        if (!first) buffer_ += ',';
        NewLine(level);
        buffer_ += '"';
        buffer_ += name;
        buffer_ += "\": ";
    }
    void Number(std::int64_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        buffer_.append(digits, end);
    }
    void Bool(bool value) { buffer_ += value ? "true" : "false"; }
    // A Windows-1252 string as a JSON string: quotes, backslashes and control characters
    // escaped, everything else as UTF-8.
    void String(std::string_view cp1252) {
        buffer_ += '"';
        for (char ch : Cp1252ToUtf8(cp1252)) {
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
                case '"':
                    buffer_ += "\\\"";
                    break;
                case '\\':
                    buffer_ += "\\\\";
                    break;
                case '\b':
                    buffer_ += "\\b";
                    break;
                case '\f':
                    buffer_ += "\\f";
                    break;
                case '\n':
                    buffer_ += "\\n";
                    break;
                case '\r':
                    buffer_ += "\\r";
                    break;
                case '\t':
                    buffer_ += "\\t";
                    break;
                default:
                    if (c < 0x20) {
                        static constexpr char kHex[] = "0123456789abcdef";
                        buffer_ += "\\u00";
                        buffer_ += kHex[c >> 4];
                        buffer_ += kHex[c & 0xF];
                    } else {
                        buffer_ += ch;
                    }
            }
        }
        buffer_ += '"';
        if (buffer_.size() >= kBlock) Flush();
    }

    // The scalar members of a record, each on its own line at `level`.
    template <class R, std::size_t N>
    void Members(std::size_t level, const std::array<Member<R>, N>& members, const R& record,
                 bool first) {
        for (const Member<R>& m : members) {
            switch (m.slot) {
                case Slot::String:
                    Key(level, m.name, first);
                    String(record.*m.str);
                    break;
                case Slot::Int:
                    Key(level, m.name, first);
                    Number(record.*m.num);
                    break;
                case Slot::Flag:
                    Key(level, m.name, first);
                    Bool(record.*m.num != 0);
                    break;
                case Slot::Colour:
                    Key(level, m.name, first);
                    Number(record.*m.colour);
                    break;
                default:
                    continue;  // containers are written by the caller
            }
            first = false;
        }
    }

    void Flush() {
        if (buffer_.empty()) return;
        sink_(buffer_);
        buffer_.clear();
    }

  private:
    const std::function<void(std::string_view)>& sink_;
    std::string buffer_;
};

// Writes everything of an item up to the opening of its "children" array; `level` is the
// nesting level of the item's object.
void WriteItemHead(JsonWriter& w, const SiteItem* item, std::size_t level) {
    const CNode& node = *item->Node();
    w.Raw("{");
    w.Key(level + 1, "tag", true);
    w.String(item->Label());
    w.Members(level + 1, kItemMembers, node, false);
    w.Key(level + 1, "info", false);
    w.Raw("{");
    w.Members(level + 2, kInfoMembers, node.m_Info, true);
    w.NewLine(level + 1);
    w.Raw("}");
    w.Key(level + 1, "children", false);
}

void WriteItems(JsonWriter& w, const SiteTree& tree) {
    const SiteItem* item = tree.Root();
    if (!item) {
        w.Raw("[]");
        return;
    }
    // Without recursion: `level` is the nesting level of the current item's object. The
    // top-level items sit at level 2 (document object, "items" array), and every level of the
    // tree adds two (the "children" array and the item object).
    std::size_t level = 2;
    w.Raw("[");
    w.NewLine(level);
    for (;;) {
        WriteItemHead(w, item, level);
        if (item->FirstChild()) {
            w.Raw("[");
            item = item->FirstChild();
            level += 2;
            w.NewLine(level);
            continue;
        }
        w.Raw("[]");
        w.NewLine(level);
        w.Raw("}");
        // Close finished items until one has a next sibling.
        for (;;) {
            if (item->Next()) {
                w.Raw(",");
                item = item->Next();
                w.NewLine(level);
                break;
            }
            item = item->Parent();
            w.NewLine(level - 1);
            w.Raw("]");
            if (!item) return;
            level -= 2;
            w.NewLine(level);
            w.Raw("}");
        }
    }
}

// ---- reading

std::string_view SlotExpectation(Slot slot) {
    switch (slot) {
        case Slot::String:
        case Slot::Tag:
            return "expected a string";
        case Slot::Int:
            return "expected an integer from -2147483648 to 2147483647";
        case Slot::Colour:
            return "expected a colour, an integer from 0 to 4294967295";
        case Slot::Flag:
            return "expected true or false";
        case Slot::CustomColors:
        case Slot::Items:
        case Slot::Children:
            return "expected an array";
        default:
            return "expected an object";
    }
}

// The code point that starts at `offset` of valid UTF-8, as "U+XXXX".
std::string CodePointName(std::string_view utf8, std::size_t offset) {
    const auto b0 = static_cast<unsigned char>(utf8[offset]);
    const int more = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : 0;
    std::uint32_t cp = more == 3   ? b0 & 0x07u
                       : more == 2 ? b0 & 0x0Fu
                       : more == 1 ? b0 & 0x1Fu
                                   : b0;
    for (int k = 1; k <= more && offset + static_cast<std::size_t>(k) < utf8.size(); ++k) {
        cp = cp << 6 |
             (static_cast<unsigned char>(utf8[offset + static_cast<std::size_t>(k)]) & 0x3Fu);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
    return hex;
}

bool IsPlainKey(std::string_view key) {
    if (key.empty()) return false;
    for (char c : key) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    return true;
}

// Builds the site from the parser's events, keeping a stack of open containers instead of
// recursing, so that any depth of nesting is read.
class SiteSax {
  public:
    explicit SiteSax(SiteContents& site) : site_(site) { frames_.push_back({Slot::Site, 0}); }

    // ---- parser events
    bool null() {
        BeginValue();
        return Fail(SlotExpectation(Expected()));
    }
    bool boolean(bool value) {
        BeginValue();
        const Slot slot = Expected();
        if (slot != Slot::Flag) return Fail(SlotExpectation(slot));
        StoreNumber(value ? 1 : 0);
        return EndValue();
    }
    bool number_integer(std::int64_t value) { return Number(value, true); }
    bool number_unsigned(std::uint64_t value) {
        return Number(
            static_cast<std::int64_t>(std::min<std::uint64_t>(
                value, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))),
            true);
    }
    bool number_float(double, const std::string&) { return Number(0, false); }
    bool string(std::string& utf8) {
        BeginValue();
        const Slot slot = Expected();
        if (slot != Slot::String && slot != Slot::Tag) return Fail(SlotExpectation(slot));
        std::size_t bad = 0;
        std::optional<std::string> text = Utf8ToCp1252(utf8, &bad);
        if (!text) {
            return Fail("character " + CodePointName(utf8, bad) +
                        " cannot be held in Windows-1252 (at byte " + std::to_string(bad) +
                        " of the string)");
        }
        Frame& f = frames_.back();
        switch (f.ctx) {
            case Slot::Properties:
                site_.properties.*kPropertyMembers[f.member].str = std::move(*text);
                break;
            case Slot::Generate:
                site_.*kGenerateMembers[f.member].str = std::move(*text);
                break;
            case Slot::Info:
                f.item->Node()->m_Info.*kInfoMembers[f.member].str = std::move(*text);
                break;
            case Slot::Item:
                if (slot == Slot::Tag) {
                    site_.tree.SetLabel(f.item, std::move(*text));
                } else {
                    f.item->Node()->*kItemMembers[f.member].str = std::move(*text);
                }
                break;
            default:
                break;
        }
        return EndValue();
    }
    bool binary(nlohmann::json::binary_t&) {
        BeginValue();
        return Fail(SlotExpectation(Expected()));
    }

    bool start_object(std::size_t) {
        BeginValue();
        const Slot slot = Expected();
        Frame child{slot, 0};
        switch (slot) {
            case Slot::Site:
            case Slot::Properties:
            case Slot::Generate:
                break;
            case Slot::Info:
                child.item = frames_.back().item;
                break;
            case Slot::Item: {
                // Inserted at once with a blank node; members fill it, defaults come at the end.
                auto node = std::make_unique<CNode>(site_.properties, false);
                child.item = site_.tree.Insert(frames_.back().item, InsertWhere::AtLast(), {},
                                               std::move(node));
                child.pending = pending_.size();
                pending_.push_back({child.item, 0});
                break;
            }
            default:
                return Fail(SlotExpectation(slot));
        }
        return Push(child);
    }
    bool key(std::string& name) {
        Frame& f = frames_.back();
        path_.resize(f.pathMark);
        if (IsPlainKey(name)) {
            if (!path_.empty()) path_ += '.';
            path_ += name;
        } else {
            path_ += '[';
            path_ += nlohmann::json(name).dump();
            path_ += ']';
        }
        const int index = FindMember(f.ctx, name);
        if (index < 0) return Fail("unknown member");
        if (f.seen & (1u << index)) return Fail("member given twice");
        f.seen |= 1u << index;
        f.member = index;
        return true;
    }
    bool end_object() {
        Frame f = frames_.back();
        frames_.pop_back();
        if (f.ctx == Slot::Item) {
            pending_[f.pending].present |= f.seen;
        } else if (f.ctx == Slot::Info) {
            frames_.back().seen |= f.seen << kInfoShift;
        }
        return EndValue();
    }
    bool start_array(std::size_t) {
        BeginValue();
        const Slot slot = Expected();
        Frame child{slot, 0};
        switch (slot) {
            case Slot::CustomColors:
                break;
            case Slot::Items:
                child.item = nullptr;
                break;
            case Slot::Children:
                child.item = frames_.back().item;
                child.ctx = Slot::Items;
                break;
            default:
                return Fail(SlotExpectation(slot));
        }
        return Push(child);
    }
    bool end_array() {
        const Frame f = frames_.back();
        if (f.ctx == Slot::CustomColors && f.index != kCustomColours) {
            path_.resize(f.pathMark);
            return Fail("expected " + std::to_string(kCustomColours) + " colours, found " +
                        std::to_string(f.index));
        }
        frames_.pop_back();
        return EndValue();
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& ex) {
        // "[json.exception.parse_error.101] parse error at line 1, column 2: ..." without the
        // bracketed id.
        std::string_view what = ex.what();
        if (const auto close = what.find("] "); close != std::string_view::npos) {
            what.remove_prefix(close + 2);
        }
        return Fail(std::string(what));
    }

    // After a successful parse: what was not given takes its default, then the load rules.
    void Finish(std::int32_t now) {
        std::map<std::int32_t, std::unique_ptr<CNode>> defaults;
        for (const Pending& p : pending_) {
            CNode& node = *p.item->Node();
            auto& def = defaults[node.m_nType];
            if (!def) def = NewObjectNode(site_.properties, node.m_nType, 0);
            for (std::size_t i = 0; i < kItemMembers.size(); ++i) {
                if (!(p.present & (1u << i))) CopyMember(kItemMembers[i], *def, node);
            }
            for (std::size_t i = 0; i < kInfoMembers.size(); ++i) {
                if (!(p.present & (1u << (i + kInfoShift)))) {
                    CopyMember(kInfoMembers[i], def->m_Info, node.m_Info);
                }
            }
            node.ApplyBannerExpiry(now);
            site_.tree.RefreshImages(p.item);
        }
    }

    const std::string& Error() const { return error_; }

  private:
    struct Frame {
        Slot ctx;                  // Site, Properties, Generate, Item, Info, Items, CustomColors
        std::size_t pathMark = 0;  // length of the path of this container
        int member = -1;           // object: the member whose value comes next
        std::uint32_t seen = 0;    // object: the members given so far
        std::size_t index = 0;     // array: the elements so far
        SiteItem* item = nullptr;  // Item, Info: the item; Items: the parent (null: top level)
        std::size_t pending = 0;   // Item: its entry in pending_
    };
    struct Pending {
        SiteItem* item;
        std::uint32_t present;
    };

    static int FindMember(Slot ctx, std::string_view name) {
        auto find = [name](const auto& members) {
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (name == members[i].name) return static_cast<int>(i);
            }
            return -1;
        };
        switch (ctx) {
            case Slot::Site:
                return find(kSiteMembers);
            case Slot::Properties:
                return find(kPropertyMembers);
            case Slot::Generate:
                return find(kGenerateMembers);
            case Slot::Item:
                return find(kItemMembers);
            case Slot::Info:
                return find(kInfoMembers);
            default:
                return -1;
        }
    }

    template <class R>
    static void CopyMember(const Member<R>& m, const R& from, R& to) {
        if (m.str) to.*m.str = from.*m.str;
        if (m.num) to.*m.num = from.*m.num;
        if (m.colour) to.*m.colour = from.*m.colour;
    }

    // What the next value must be.
    Slot Expected() const {
        const Frame& f = frames_.back();
        switch (f.ctx) {
            case Slot::Site:
                // Before the document's object begins, the bottom frame stands for it.
                return frames_.size() == 1 ? Slot::Site : kSiteMembers[f.member].slot;
            case Slot::Properties:
                return kPropertyMembers[f.member].slot;
            case Slot::Generate:
                return kGenerateMembers[f.member].slot;
            case Slot::Item:
                return kItemMembers[f.member].slot;
            case Slot::Info:
                return kInfoMembers[f.member].slot;
            case Slot::CustomColors:
                return Slot::Colour;
            case Slot::Items:
                return Slot::Item;
            default:
                return Slot::Site;
        }
    }

    bool Push(Frame child) {
        child.pathMark = path_.size();
        frames_.push_back(child);
        return true;
    }

    // An array element's path segment; members got theirs with the key.
    void BeginValue() {
        Frame& f = frames_.back();
        if (f.ctx == Slot::Items || f.ctx == Slot::CustomColors) {
            path_.resize(f.pathMark);
            path_ += '[';
            path_ += std::to_string(f.index);
            path_ += ']';
        }
    }
    bool EndValue() {
        Frame& f = frames_.back();
        path_.resize(f.pathMark);
        ++f.index;
        f.member = -1;
        return true;
    }

    bool Number(std::int64_t value, bool integral) {
        BeginValue();
        const Slot slot = Expected();
        std::int64_t lo = 0;
        std::int64_t hi = 0;
        if (slot == Slot::Int) {
            lo = std::numeric_limits<std::int32_t>::min();
            hi = std::numeric_limits<std::int32_t>::max();
        } else if (slot == Slot::Colour) {
            hi = std::numeric_limits<std::uint32_t>::max();
        } else {
            return Fail(SlotExpectation(slot));
        }
        if (!integral || value < lo || value > hi) return Fail(SlotExpectation(slot));
        StoreNumber(value);
        return EndValue();
    }

    // Stores an integer (already in range) or a flag into the current slot.
    void StoreNumber(std::int64_t value) {
        Frame& f = frames_.back();
        const auto as32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        auto store = [&](const auto& m, auto& record) {
            if (m.num) record.*m.num = as32;
            if (m.colour) record.*m.colour = static_cast<COLORREF>(value);
        };
        switch (f.ctx) {
            case Slot::Properties:
                store(kPropertyMembers[f.member], site_.properties);
                break;
            case Slot::Item:
                store(kItemMembers[f.member], *f.item->Node());
                break;
            case Slot::Info:
                store(kInfoMembers[f.member], f.item->Node()->m_Info);
                break;
            case Slot::CustomColors:
                if (f.index < kCustomColours) {
                    site_.properties.m_crCustom[f.index] = static_cast<COLORREF>(value);
                }
                break;
            default:
                break;
        }
    }

    bool Fail(std::string_view reason) {
        if (error_.empty()) {
            error_ =
                (path_.empty() ? std::string("top level") : path_) + ": " + std::string(reason);
        }
        return false;
    }

    SiteContents& site_;
    std::vector<Frame> frames_;
    std::vector<Pending> pending_;
    std::string path_;
    std::string error_;
};

}  // namespace

void WriteSiteJson(const std::function<void(std::string_view)>& sink,
                   const CDocProperties& properties, const SiteTree& tree, std::string_view destDir,
                   std::string_view spare) {
    JsonWriter w(sink);
    w.Raw("{");
    w.Key(1, "properties", true);
    w.Raw("{");
    w.Members(2, kPropertyMembers, properties, true);
    w.Key(2, "customColors", false);
    w.Raw("[");
    bool first = true;
    for (COLORREF c : properties.m_crCustom) {
        if (!first) w.Raw(",");
        first = false;
        w.NewLine(3);
        w.Number(c);
    }
    w.NewLine(2);
    w.Raw("]");
    w.NewLine(1);
    w.Raw("}");
    w.Key(1, "items", false);
    WriteItems(w, tree);
    w.Key(1, "generate", false);
    w.Raw("{");
    w.Key(2, "destDir", true);
    w.String(destDir);
    w.Key(2, "spare", false);
    w.String(spare);
    w.NewLine(1);
    w.Raw("}");
    w.NewLine(0);
    w.Raw("}\n");
    w.Flush();
}

std::string SiteToJson(const CDocProperties& properties, const SiteTree& tree,
                       std::string_view destDir, std::string_view spare) {
    std::string out;
    WriteSiteJson([&out](std::string_view block) { out.append(block); }, properties, tree, destDir,
                  spare);
    return out;
}

bool SiteFromJson(std::string_view json, SiteContents& site, std::int32_t now, std::string& error) {
    try {
        // What the text leaves out is a new document's.
        site.properties = CDocProperties{};
        site.destDir = kDefaultDestDir;
        site.spare.clear();
        SiteSax sax(site);
        if (!nlohmann::json::sax_parse(json.begin(), json.end(), &sax)) {
            error = sax.Error().empty() ? "invalid JSON" : sax.Error();
            return false;
        }
        sax.Finish(now);
        // A site document always holds its root: the file format has no way to say "no items"
        // (its first opcode announces one), so a site without any is refused here.
        if (!site.tree.Root()) {
            error = "items: a site needs at least one item, its root page";
            return false;
        }
        return true;
    } catch (const nlohmann::json::exception& e) {
        error = std::string("invalid JSON: ") + e.what();
    } catch (const std::bad_alloc&) {
        error = "not enough memory to read the site";
    }
    return false;
}

bool LoadSiteJsonFile(const std::filesystem::path& path, SiteContents& site, std::int32_t now,
                      std::string& error) {
    std::string text;
    if (!ReadWholeFile(path, text, error)) return false;
    if (!SiteFromJson(text, site, now, error)) {
        error = path.string() + ": " + error;
        return false;
    }
    return true;
}

bool SaveSiteJsonFile(const std::filesystem::path& path, const CDocProperties& properties,
                      const SiteTree& tree, std::string_view destDir, std::string_view spare,
                      std::string& error) {
    AtomicFile file;
    if (!file.Open(path, error)) return false;
    WriteSiteJson([&file](std::string_view block) { file.Write(block); }, properties, tree, destDir,
                  spare);
    return file.Commit(error);
}

}  // namespace folio
