// The document-wide defaults that new objects copy and the site-wide values the generator uses.
#pragma once

#include <array>
#include <string>

#include "site/Node.h"

namespace folio {

// The placeholder address a new site starts with.
inline constexpr const char* kDefaultEmail = "yourname@example.com";

class CDocProperties {
  public:
    std::string m_strAuthor = "Your name";
    std::string m_strBgBitmap;
    std::string m_strEmail = kDefaultEmail;
    std::int32_t m_nExpireDays = 14;
    std::string m_strImage;
    std::string m_strLineImage;
    BOOL32 m_bNew = 1;
    BOOL32 m_bUpdated = 0;
    BOOL32 m_bConstruction = 0;
    std::string m_strHomeButton = "home.gif";
    std::string m_strTemplate = "Default";
    std::string m_strBackButton = "Back.gif";
    std::string m_strLinkBullet;
    std::string m_strUpButton;
    std::string m_strConstructionImage;
    std::string m_strNewImage;
    std::string m_strUpdatedImage;
    // (The original's colour dialog sat here; the editor owns the picker, this record keeps
    // its custom colours below.)
    COLORREF m_crText = 0x000000;
    COLORREF m_crBackground = 0xFFFFFF;
    COLORREF m_crLink = 0xFF0000;
    COLORREF m_crVisitedLink = 0x00FF00;
    std::array<COLORREF, 16> m_crCustom = MakeCustom();

    bool operator==(const CDocProperties&) const = default;

  private:
    static constexpr std::array<COLORREF, 16> MakeCustom() {
        std::array<COLORREF, 16> a{};
        a.fill(0xFFFFFFFF);
        return a;
    }
};

}  // namespace folio
