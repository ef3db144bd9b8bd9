// One object of a site (page, paragraph or link) and its display properties.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace folio {

// Object kinds.
inline constexpr std::int32_t NODE_PAGE = 0;
inline constexpr std::int32_t NODE_PARAGRAPH = 1;
inline constexpr std::int32_t NODE_LINK = 2;

// Style words: alignment in bits 0-2, font in bits 3-6.
inline constexpr std::int32_t STYLE_ALIGN_MASK = 0x07;
inline constexpr std::int32_t ALIGN_NONE = 0;
inline constexpr std::int32_t ALIGN_LEFT = 1;
inline constexpr std::int32_t ALIGN_RIGHT = 2;
inline constexpr std::int32_t ALIGN_CENTER = 3;
inline constexpr std::int32_t STYLE_FONT_MASK = 0x78;
inline constexpr std::int32_t FONT_NONE = 0x00;
inline constexpr std::int32_t FONT_H1 = 0x08;
inline constexpr std::int32_t FONT_H2 = 0x10;
inline constexpr std::int32_t FONT_H3 = 0x18;
inline constexpr std::int32_t FONT_H4 = 0x20;
inline constexpr std::int32_t FONT_NORMAL = 0x48;
inline constexpr std::int32_t FONT_HIDDEN = 0x50;  // title words only: the title is not shown

// Colours are held as 0x00BBGGRR, red in the low byte.
using COLORREF = std::uint32_t;
// 32-bit booleans keep the value read from a file; any nonzero value is true.
using BOOL32 = std::int32_t;

inline constexpr std::int32_t kSecondsPerDay = 86400;

class CDocProperties;

// An object's display properties. The "Object properties" dialog of the editor edits it.
class CDocInfo {
  public:
    // Built as for a node "with no document" of a document holding `defaults`: the five
    // per-object values (background, expiry, icon, line image, "New") are empty or 0, the rest
    // come from `defaults`.
    explicit CDocInfo(const CDocProperties& defaults);
    // All twelve values from `defaults` (an object inserted into that document).
    void CopyDefaults(const CDocProperties& defaults);

    BOOL32 m_bBannerChanged = 0;  // a banner box was clicked in the dialog; never stored
    std::string m_strBgBitmap;
    std::int32_t m_nExpireDays = 0;
    std::string m_strIcon;
    std::string m_strLineImage;
    BOOL32 m_bConstruction = 0;
    std::string m_strTemplate;
    BOOL32 m_bUpdated = 0;
    BOOL32 m_bNew = 0;
    COLORREF m_crText = 0;
    COLORREF m_crBackground = 0;
    COLORREF m_crLink = 0;
    COLORREF m_crVisitedLink = 0;

    bool operator==(const CDocInfo&) const = default;
};

class CNode {
  public:
    // A node built with a document (`withDocument`, an inserted object) takes every default of
    // `defaults`; one built with no document (a new root, a node about to be loaded) has no
    // background, icon or line image, expiry 0 and no "New" banner. Either way the node is an
    // "Untitled" page with empty text, style words 0 and stamp 0.
    CNode(const CDocProperties& defaults, bool withDocument);

    std::string m_strText;
    std::string m_strName = "Untitled";
    CDocInfo m_Info;
    std::int32_t m_nTextStyle = 0;
    std::int32_t m_nNameStyle = 0;
    std::int32_t m_nType = NODE_PAGE;
    std::int32_t m_tStamp = 0;

    bool operator==(const CNode&) const = default;

    // Clears the three banners when the expiry period has passed at `now`: expiry nonzero and
    // now > expiry * 86400 + stamp, in 32-bit signed arithmetic. The stamp is kept.
    void ApplyBannerExpiry(std::int32_t now);
};

// The name a new link starts with: "Untitled", CR LF, "http://".
inline constexpr const char* kNewLinkName = "Untitled\r\nhttp://";

// A new object inserted by the user: built with the document, of kind `type`, stamped `now`.
std::unique_ptr<CNode> NewObjectNode(const CDocProperties& defaults, std::int32_t type,
                                     std::int32_t now);
// The root of a new document: built with no document, stamped `now`.
std::unique_ptr<CNode> NewRootNode(const CDocProperties& defaults, std::int32_t now);

}  // namespace folio
