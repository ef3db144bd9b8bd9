// The shape of a site: an ordered tree of items, each with a tag (its label) and one owned
// CNode. The editor's tree widget mirrors this model through SiteTreeObserver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "site/Node.h"

namespace folio {

// Positions relative to a reference item, as the insert and position dialogs offer them.
inline constexpr int POS_CHILD = 0;   // as child, sorted among the reference's children
inline constexpr int POS_BEFORE = 1;  // directly before the reference
inline constexpr int POS_AFTER = 2;   // directly after the reference

// Display states of the tree images.
inline constexpr int IMAGE_NORMAL = 0;
inline constexpr int IMAGE_DRAGGED = 1;
inline constexpr int IMAGE_DROPTARGET = 2;

// The image number the tree shows for a kind of object in a state (0 for anything unknown).
int GetNodeImage(std::int32_t kind, bool selected, int state);

// A tag typed for an item is 1 to 31 characters long.
inline constexpr std::size_t kMaxTagLength = 31;

class SiteTree;

class SiteItem {
  public:
    SiteItem(const SiteItem&) = delete;
    SiteItem& operator=(const SiteItem&) = delete;

    const std::string& Label() const { return label_; }
    CNode* Node() const { return node_; }
    SiteItem* Parent() const { return parent_; }
    SiteItem* FirstChild() const { return first_; }
    SiteItem* LastChild() const { return last_; }
    SiteItem* Next() const { return next_; }
    SiteItem* Prev() const { return prev_; }
    int Image() const { return image_; }
    int SelectedImage() const { return selectedImage_; }
    bool Expanded() const { return expanded_; }

  private:
    friend class SiteTree;
    SiteItem() = default;

    std::string label_;
    CNode* node_ = nullptr;  // owned, except while a move hands it on
    SiteItem* parent_ = nullptr;
    SiteItem* first_ = nullptr;
    SiteItem* last_ = nullptr;
    SiteItem* next_ = nullptr;
    SiteItem* prev_ = nullptr;
    int image_ = 0;
    int selectedImage_ = 0;
    bool expanded_ = false;
};

// Told of every change, so that a display can mirror the tree.
class SiteTreeObserver {
  public:
    virtual ~SiteTreeObserver() = default;
    virtual void OnItemInserted(SiteItem* /*item*/) {}
    // Called for every removed item, deepest first, while it is still linked in. `nodeDeleted`
    // says whether its node goes with it (every removal but a move).
    virtual void OnItemRemoving(SiteItem* /*item*/, bool /*nodeDeleted*/) {}
    // Label, images or expand state changed.
    virtual void OnItemChanged(SiteItem* /*item*/) {}
    virtual void OnSelectionChanged(SiteItem* /*oldItem*/, SiteItem* /*newItem*/) {}
};

// Where an item goes among its siblings.
struct InsertWhere {
    enum Kind { First, Last, After, Sort };
    Kind kind = Last;
    SiteItem* after = nullptr;  // for After

    static InsertWhere AtFirst() { return {First, nullptr}; }
    static InsertWhere AtLast() { return {Last, nullptr}; }
    static InsertWhere Sorted() { return {Sort, nullptr}; }
    static InsertWhere AfterItem(SiteItem* item) { return {After, item}; }
};

// A place in the tree: a parent (null for the top level) and a position under it.
struct TreePlace {
    SiteItem* parent = nullptr;
    InsertWhere where;
};

class SiteTree {
  public:
    SiteTree() = default;
    ~SiteTree();
    SiteTree(const SiteTree&) = delete;
    SiteTree& operator=(const SiteTree&) = delete;
    // Moving hands over every item and node; observers and selection stay behind.
    SiteTree(SiteTree&& other) noexcept;
    SiteTree& operator=(SiteTree&& other) noexcept;

    void SetObserver(SiteTreeObserver* observer) { observer_ = observer; }

    SiteItem* Root() const { return first_; }
    // The top-level items in order (a valid site has exactly one).
    SiteItem* LastTopLevel() const { return last_; }
    SiteItem* Selection() const { return selection_; }
    std::size_t Count() const { return count_; }

    // Inserts a new item owning `node` under `parent` (null: the top level). Its images are the
    // normal pair for the node's kind. Returns the new item.
    SiteItem* Insert(SiteItem* parent, InsertWhere where, std::string label,
                     std::unique_ptr<CNode> node);
    SiteItem* Insert(const TreePlace& place, std::string label, std::unique_ptr<CNode> node) {
        return Insert(place.parent, place.where, std::move(label), std::move(node));
    }

    // Removes an item with all its descendants, deleting their nodes (unless `keepNodes`, which
    // only a move uses). A removed selection leaves the tree without a selection.
    void Delete(SiteItem* item, bool keepNodes = false);
    // Removes every item and node.
    void DeleteAll();

    void SetLabel(SiteItem* item, std::string label);
    void SetImages(SiteItem* item, int image, int selectedImage);
    // Sets the images to the normal pair for the kind of the item's node.
    void RefreshImages(SiteItem* item);
    void Expand(SiteItem* item, bool expanded = true);
    // Changes the selection and tells the observer (also when it stays the same item).
    void Select(SiteItem* item);

    // Where an item placed relative to `ref` with POS_CHILD, POS_BEFORE or POS_AFTER goes.
    TreePlace ResolvePosition(SiteItem* ref, int position) const;

    // Moves `subtree` with all its descendants to `position` relative to `ref`: a new item with
    // the label (cut to 31 characters), images and node of `subtree` is placed there, every
    // level below it is rebuilt sorted and collapsed, and the old items are removed keeping
    // their nodes. Refused (null) when `ref` lies inside the subtree.
    SiteItem* MoveSubtree(SiteItem* subtree, SiteItem* ref, int position);

    // Whether `a` is `b` or one of its ancestors.
    static bool IsSameOrAncestor(const SiteItem* a, const SiteItem* b);

    // The item after `item` in a depth-first, pre-order walk of the whole tree.
    static SiteItem* NextInPreorder(const SiteItem* item);

  private:
    void Link(SiteItem* item, SiteItem* parent, InsertWhere where);
    void Unlink(SiteItem* item);
    SiteItem*& FirstOf(SiteItem* parent) { return parent ? parent->first_ : first_; }
    SiteItem*& LastOf(SiteItem* parent) { return parent ? parent->last_ : last_; }

    SiteItem* first_ = nullptr;
    SiteItem* last_ = nullptr;
    SiteItem* selection_ = nullptr;
    std::size_t count_ = 0;
    SiteTreeObserver* observer_ = nullptr;
};

}  // namespace folio
