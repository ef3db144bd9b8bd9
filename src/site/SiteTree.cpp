#include "site/SiteTree.h"

#include <utility>

#include "platform/CodePage.h"

namespace folio {

int GetNodeImage(std::int32_t kind, bool selected, int state) {
    switch (state) {
        case IMAGE_NORMAL:
            switch (kind) {
                case NODE_PAGE:
                    return selected ? 0 : 1;
                case NODE_PARAGRAPH:
                    return selected ? 8 : 9;
                case NODE_LINK:
                    return selected ? 4 : 5;
                default:
                    return 0;
            }
        case IMAGE_DRAGGED:
            switch (kind) {
                case NODE_PAGE:
                    return 2;
                case NODE_PARAGRAPH:
                    return 10;
                case NODE_LINK:
                    return 6;
                default:
                    return 0;
            }
        case IMAGE_DROPTARGET:
            switch (kind) {
                case NODE_PAGE:
                    return 3;
                case NODE_PARAGRAPH:
                    return 11;
                case NODE_LINK:
                    return 7;
                default:
                    return 0;
            }
        default:
            return 0;
    }
}

SiteTree::~SiteTree() {
    observer_ = nullptr;  // nobody is told while the tree goes away
    DeleteAll();
}

SiteTree::SiteTree(SiteTree&& other) noexcept { *this = std::move(other); }

SiteTree& SiteTree::operator=(SiteTree&& other) noexcept {
    if (this == &other) return *this;
    DeleteAll();
    first_ = std::exchange(other.first_, nullptr);
    last_ = std::exchange(other.last_, nullptr);
    count_ = std::exchange(other.count_, 0);
    other.selection_ = nullptr;
    selection_ = nullptr;
    return *this;
}

void SiteTree::Link(SiteItem* item, SiteItem* parent, InsertWhere where) {
    SiteItem*& first = FirstOf(parent);
    SiteItem*& last = LastOf(parent);
    SiteItem* before = nullptr;  // the sibling the item goes in front of; null = at the end
    switch (where.kind) {
        case InsertWhere::First:
            before = first;
            break;
        case InsertWhere::Last:
            before = nullptr;
            break;
        case InsertWhere::After:
            // An "after" item that is not a child of this parent appends, as the control did.
            before = (where.after && where.after->parent_ == parent) ? where.after->next_ : nullptr;
            break;
        case InsertWhere::Sort:
            before = first;
            while (before && CompareNoCase(before->label_, item->label_) <= 0)
                before = before->next_;
            break;
    }
    item->parent_ = parent;
    item->next_ = before;
    item->prev_ = before ? before->prev_ : last;
    if (item->prev_) {
        item->prev_->next_ = item;
    } else {
        first = item;
    }
    if (before) {
        before->prev_ = item;
    } else {
        last = item;
    }
}

void SiteTree::Unlink(SiteItem* item) {
    SiteItem*& first = FirstOf(item->parent_);
    SiteItem*& last = LastOf(item->parent_);
    if (item->prev_) {
        item->prev_->next_ = item->next_;
    } else {
        first = item->next_;
    }
    if (item->next_) {
        item->next_->prev_ = item->prev_;
    } else {
        last = item->prev_;
    }
    item->parent_ = item->prev_ = item->next_ = nullptr;
}

SiteItem* SiteTree::Insert(SiteItem* parent, InsertWhere where, std::string label,
                           std::unique_ptr<CNode> node) {
    auto* item = new SiteItem;
    item->label_ = std::move(label);
    item->node_ = node.release();
    if (item->node_) {
        item->image_ = GetNodeImage(item->node_->m_nType, false, IMAGE_NORMAL);
        item->selectedImage_ = GetNodeImage(item->node_->m_nType, true, IMAGE_NORMAL);
    }
    Link(item, parent, where);
    ++count_;
    if (observer_) observer_->OnItemInserted(item);
    return item;
}

void SiteTree::Delete(SiteItem* item, bool keepNodes) {
    if (!item) return;
    // Deepest first, without recursion: a site may be a chain of any depth.
    SiteItem* cur = item;
    for (;;) {
        while (cur->first_) cur = cur->first_;
        SiteItem* parent = cur->parent_;
        const bool done = (cur == item);
        if (observer_) observer_->OnItemRemoving(cur, !keepNodes);
        if (selection_ == cur) selection_ = nullptr;
        Unlink(cur);
        if (!keepNodes) delete cur->node_;
        delete cur;
        --count_;
        if (done) break;
        cur = parent;
    }
}

void SiteTree::DeleteAll() {
    while (first_) Delete(first_);
    selection_ = nullptr;
}

void SiteTree::SetLabel(SiteItem* item, std::string label) {
    item->label_ = std::move(label);
    if (observer_) observer_->OnItemChanged(item);
}

void SiteTree::SetImages(SiteItem* item, int image, int selectedImage) {
    item->image_ = image;
    item->selectedImage_ = selectedImage;
    if (observer_) observer_->OnItemChanged(item);
}

void SiteTree::RefreshImages(SiteItem* item) {
    const std::int32_t kind = item->node_ ? item->node_->m_nType : NODE_PAGE;
    SetImages(item, GetNodeImage(kind, false, IMAGE_NORMAL),
              GetNodeImage(kind, true, IMAGE_NORMAL));
}

void SiteTree::Expand(SiteItem* item, bool expanded) {
    item->expanded_ = expanded;
    if (observer_) observer_->OnItemChanged(item);
}

void SiteTree::Select(SiteItem* item) {
    SiteItem* old = selection_;
    selection_ = item;
    if (observer_) observer_->OnSelectionChanged(old, item);
}

TreePlace SiteTree::ResolvePosition(SiteItem* ref, int position) const {
    if (!ref) return {nullptr, InsertWhere::AtLast()};
    switch (position) {
        case POS_CHILD:
            return {ref, InsertWhere::Sorted()};
        case POS_BEFORE:
            if (ref->prev_) return {ref->parent_, InsertWhere::AfterItem(ref->prev_)};
            return {ref->parent_, InsertWhere::AtFirst()};
        case POS_AFTER:
        default:
            return {ref->parent_, InsertWhere::AfterItem(ref)};
    }
}

bool SiteTree::IsSameOrAncestor(const SiteItem* a, const SiteItem* b) {
    for (; b; b = b->parent_) {
        if (a == b) return true;
    }
    return false;
}

SiteItem* SiteTree::NextInPreorder(const SiteItem* item) {
    if (item->first_) return item->first_;
    for (; item; item = item->parent_) {
        if (item->next_) return item->next_;
    }
    return nullptr;
}

SiteItem* SiteTree::MoveSubtree(SiteItem* subtree, SiteItem* ref, int position) {
    if (!subtree || !ref || IsSameOrAncestor(subtree, ref)) return nullptr;

    auto copyOf = [this](SiteItem* from, const TreePlace& place) {
        auto* item = new SiteItem;
        item->label_ = from->label_.substr(0, kMaxTagLength);
        item->node_ = from->node_;
        item->image_ = from->image_;
        item->selectedImage_ = from->selectedImage_;
        Link(item, place.parent, place.where);
        ++count_;
        if (observer_) observer_->OnItemInserted(item);
        return item;
    };

    SiteItem* top = copyOf(subtree, ResolvePosition(ref, position));
    SiteItem* newSelection = (selection_ == subtree) ? top : nullptr;
    // Every level below is rebuilt sorted; siblings are inserted in their old order, so equal
    // labels keep it.
    std::vector<std::pair<SiteItem*, SiteItem*>> pending{{subtree, top}};
    while (!pending.empty()) {
        auto [from, to] = pending.back();
        pending.pop_back();
        for (SiteItem* child = from->first_; child; child = child->next_) {
            SiteItem* copy = copyOf(child, {to, InsertWhere::Sorted()});
            if (selection_ == child) newSelection = copy;
            pending.emplace_back(child, copy);
        }
    }
    Delete(subtree, /*keepNodes=*/true);
    if (newSelection) Select(newSelection);
    return top;
}

}  // namespace folio
