#include "site/Document.h"

#include <algorithm>

#include "platform/Messages.h"
#include "site/Clock.h"
#include "site/SiteFile.h"

namespace folio {

CFolio32Doc::CFolio32Doc(const Clock& clock, DocumentUI& ui, MessageSink& messages)
    : clock_(clock), ui_(ui), messages_(messages) {
    m_Tree.SetObserver(this);
}

CFolio32Doc::~CFolio32Doc() { m_Tree.SetObserver(nullptr); }

void CFolio32Doc::AddView(DocView* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CFolio32Doc::RemoveView(DocView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
    if (treeView_ == view) treeView_ = nullptr;
}

void CFolio32Doc::UpdateAllViews(DocView* sender, int hint) {
    for (DocView* view : std::vector<DocView*>(views_)) {
        if (view != sender) view->OnUpdate(sender, hint);
    }
}

void CFolio32Doc::CreateRoot() {
    SiteItem* root = m_Tree.Insert(nullptr, InsertWhere::AtFirst(), "Index",
                                   NewRootNode(m_Properties, clock_.Now()));
    m_bBusy = 1;
    m_Tree.Select(root);
    m_bBusy = 0;
    m_pCurrent = root->Node();
    UpdateAllViews(treeView_, HINT_LOAD);
}

bool CFolio32Doc::OnNewDocument() {
    // The dialog comes first, so that Cancel leaves the open site whole (the original emptied
    // the tree before asking and left a site with no root).
    if (!ui_.RunDocumentProperties(m_Properties)) return false;
    m_bBusy = 1;
    m_pCurrent = nullptr;
    m_Tree.DeleteAll();
    m_bBusy = 0;
    CreateRoot();
    modified_ = false;
    return true;
}

void CFolio32Doc::ReplaceSite(CDocProperties properties, SiteTree tree, std::string destDir,
                              std::string spare) {
    m_bBusy = 1;
    m_pCurrent = nullptr;
    m_Properties = std::move(properties);
    m_Tree = std::move(tree);
    m_GenerateDlg.m_strDestDir = std::move(destDir);
    m_GenerateDlg.m_strSpare = std::move(spare);
    m_bBusy = 0;
    modified_ = false;
    if (SiteItem* root = m_Tree.Root()) {
        m_bBusy = 1;
        m_Tree.Select(root);
        m_bBusy = 0;
        m_pCurrent = root->Node();
        UpdateAllViews(treeView_, HINT_LOAD);
    } else {
        // A file with an empty tree: the editor always needs a root.
        CreateRoot();
    }
}

bool CFolio32Doc::OnOpenDocument(const std::filesystem::path& path, std::string& error) {
    // Read into a site of its own and take it over only when the whole file was read.
    SiteContents site{m_Properties, SiteTree{}, m_GenerateDlg.m_strDestDir,
                      m_GenerateDlg.m_strSpare};
    if (!LoadSiteFile(path, site, clock_.Now(), error)) return false;
    ReplaceSite(std::move(site.properties), std::move(site.tree), std::move(site.destDir),
                std::move(site.spare));
    return true;
}

bool CFolio32Doc::OnSaveDocument(const std::filesystem::path& path, std::string& error) {
    UpdateAllViews(nullptr, HINT_STORE);
    if (!SaveSiteFile(path, m_Properties, m_Tree, m_GenerateDlg.m_strDestDir,
                      m_GenerateDlg.m_strSpare, error)) {
        return false;
    }
    modified_ = false;
    return true;
}

void CFolio32Doc::OnDocumentProperties() {
    if (ui_.RunDocumentProperties(m_Properties)) modified_ = true;
}

void CFolio32Doc::OnObjectProperties() {
    if (!m_pCurrent) return;
    if (!ui_.RunObjectProperties(m_pCurrent->m_Info)) return;
    if (m_pCurrent->m_Info.m_bBannerChanged) m_pCurrent->m_tStamp = clock_.Now();
    modified_ = true;
    UpdateAllViews(nullptr, HINT_STORE);
    UpdateAllViews(nullptr, HINT_LOAD);
}

void CFolio32Doc::SelectItem(SiteItem* item) { m_Tree.Select(item); }

void CFolio32Doc::OnSelectionChanged(SiteItem* /*oldItem*/, SiteItem* newItem) {
    if (m_bBusy) return;
    UpdateAllViews(treeView_, HINT_STORE);
    m_pCurrent = newItem ? newItem->Node() : nullptr;
    UpdateAllViews(treeView_, HINT_LOAD);
}

CNode* CFolio32Doc::GetCurrentPage() const {
    for (SiteItem* item = m_Tree.Selection(); item; item = item->Parent()) {
        CNode* node = item->Node();
        if (!node) return nullptr;
        if (node->m_nType == NODE_PAGE) return node;
    }
    return nullptr;
}

PositionChoice CFolio32Doc::PrepareInsert() const {
    PositionChoice choice;
    const SiteItem* selected = m_Tree.Selection();
    if (selected && selected == m_Tree.Root()) choice.allowed &= ~6;
    if (m_pCurrent && m_pCurrent->m_nType == NODE_LINK) {
        choice.allowed &= ~1;
        choice.position = POS_AFTER;
    }
    return choice;
}

SiteItem* CFolio32Doc::InsertObject(std::int32_t type, std::string tag, int position) {
    SiteItem* selected = m_Tree.Selection();
    if (tag.empty() || !selected) return nullptr;
    // The choices the dialog did not offer are refused here too: nothing beside the root,
    // nothing under a link.
    const PositionChoice allowed = PrepareInsert();
    if (position < POS_CHILD || position > POS_AFTER || !(allowed.allowed & (1 << position))) {
        return nullptr;
    }
    auto node = NewObjectNode(m_Properties, type, clock_.Now());
    SiteItem* item =
        m_Tree.Insert(m_Tree.ResolvePosition(selected, position), std::move(tag), std::move(node));
    m_Tree.Expand(selected);
    m_Tree.RefreshImages(selected);
    UpdateAllViews(nullptr, HINT_LOAD);
    modified_ = true;
    return item;
}

int CFolio32Doc::ConvertAllowedMask() const {
    const SiteItem* selected = m_Tree.Selection();
    int mask = 7;
    if (!selected) return 0;
    if (!selected->Parent()) mask = 1;
    if (selected->FirstChild()) mask &= ~4;
    return mask;
}

void CFolio32Doc::ConvertCurrent(std::int32_t type) {
    SiteItem* selected = m_Tree.Selection();
    if (!selected || !m_pCurrent || type < NODE_PAGE || type > NODE_LINK ||
        !(ConvertAllowedMask() & (1 << type))) {
        return;
    }
    m_pCurrent->m_nType = type;
    m_Tree.RefreshImages(selected);
    UpdateAllViews(nullptr, HINT_LOAD);
    modified_ = true;
}

void CFolio32Doc::DeleteCurrent() {
    SiteItem* selected = m_Tree.Selection();
    modified_ = true;
    if (!selected) return;
    if (selected == m_Tree.Root()) {
        messages_.Show("You can't delete the root object.", {}, MsgIcon::Exclamation);
        return;
    }
    if (messages_.Show("Delete the current object and all it's sub-objects?", {}, MsgIcon::Question,
                       MsgButtons::YesNo) != MsgAnswer::Yes) {
        return;
    }
    SiteItem* next = selected->Next();
    if (!next) next = selected->Prev();
    if (!next) next = selected->Parent();
    if (!next) next = m_Tree.Root();
    m_Tree.Select(next);
    m_pCurrent = next ? next->Node() : nullptr;
    m_Tree.Delete(selected);
}

bool CFolio32Doc::RenameItem(SiteItem* item, std::string label) {
    if (!item || label.empty() || label.size() > kMaxTagLength) return false;
    m_Tree.SetLabel(item, std::move(label));
    modified_ = true;
    return true;
}

bool CFolio32Doc::CanDrop(const SiteItem* dragged, const SiteItem* target) const {
    return dragged && target && dragged != target && !SiteTree::IsSameOrAncestor(dragged, target) &&
           target != dragged->Parent() && dragged != m_Tree.Root();
}

PositionChoice CFolio32Doc::PrepareDrop(const SiteItem* target) const {
    PositionChoice choice;
    if (target == m_Tree.Root()) choice.allowed &= ~6;
    if (target && target->Node() && target->Node()->m_nType == NODE_LINK) {
        choice.allowed &= ~1;
        choice.position = POS_AFTER;
    }
    return choice;
}

SiteItem* CFolio32Doc::DropItem(SiteItem* dragged, SiteItem* target, int position) {
    modified_ = true;
    if (!CanDrop(dragged, target)) return nullptr;
    const PositionChoice allowed = PrepareDrop(target);
    if (position < POS_CHILD || position > POS_AFTER || !(allowed.allowed & (1 << position))) {
        return nullptr;
    }
    return m_Tree.MoveSubtree(dragged, target, position);
}

}  // namespace folio
