#include "site/Node.h"

#include "site/DocProperties.h"

namespace folio {

CDocInfo::CDocInfo(const CDocProperties& d)
    : m_strBgBitmap(),
      m_nExpireDays(0),
      m_bConstruction(d.m_bConstruction),
      m_strTemplate(d.m_strTemplate),
      m_bUpdated(d.m_bUpdated),
      m_bNew(0),
      m_crText(d.m_crText),
      m_crBackground(d.m_crBackground),
      m_crLink(d.m_crLink),
      m_crVisitedLink(d.m_crVisitedLink) {}

void CDocInfo::CopyDefaults(const CDocProperties& d) {
    m_strBgBitmap = d.m_strBgBitmap;
    m_nExpireDays = d.m_nExpireDays;
    m_strIcon = d.m_strImage;
    m_strLineImage = d.m_strLineImage;
    m_bConstruction = d.m_bConstruction;
    m_strTemplate = d.m_strTemplate;
    m_bUpdated = d.m_bUpdated;
    m_bNew = d.m_bNew;
    m_crText = d.m_crText;
    m_crBackground = d.m_crBackground;
    m_crLink = d.m_crLink;
    m_crVisitedLink = d.m_crVisitedLink;
}

CNode::CNode(const CDocProperties& defaults, bool withDocument) : m_Info(defaults) {
    if (withDocument) m_Info.CopyDefaults(defaults);
}

void CNode::ApplyBannerExpiry(std::int32_t now) {
    if (m_Info.m_nExpireDays == 0) return;
    // 32-bit wrap-around, as the original computed it; done unsigned to stay defined.
    const auto end = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_Info.m_nExpireDays) *
                                                   static_cast<std::uint32_t>(kSecondsPerDay) +
                                               static_cast<std::uint32_t>(m_tStamp));
    if (now > end) {
        m_Info.m_bNew = 0;
        m_Info.m_bConstruction = 0;
        m_Info.m_bUpdated = 0;
    }
}

std::unique_ptr<CNode> NewObjectNode(const CDocProperties& defaults, std::int32_t type,
                                     std::int32_t now) {
    auto node = std::make_unique<CNode>(defaults, true);
    node->m_nType = type;
    node->m_tStamp = now;
    if (type == NODE_LINK) node->m_strName = kNewLinkName;
    return node;
}

std::unique_ptr<CNode> NewRootNode(const CDocProperties& defaults, std::int32_t now) {
    auto node = std::make_unique<CNode>(defaults, false);
    node->m_tStamp = now;
    return node;
}

}  // namespace folio
