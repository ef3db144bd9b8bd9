#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "site/DocProperties.h"
#include "site/SiteTree.h"

namespace folio {
namespace {

// Records removals, so tests can tell which nodes went with their items.
struct RemovalLog : SiteTreeObserver {
    std::vector<std::string> removed;
    std::set<const CNode*> deletedNodes;
    int keptNodes = 0;
    void OnItemRemoving(SiteItem* item, bool nodeDeleted) override {
        removed.push_back(item->Label());
        if (nodeDeleted) {
            deletedNodes.insert(item->Node());
        } else {
            ++keptNodes;
        }
    }
};

class SiteTreeTest : public ::testing::Test {
  protected:
    SiteItem* Add(SiteItem* parent, const std::string& label,
                  InsertWhere where = InsertWhere::AtLast(), std::int32_t type = NODE_PAGE) {
        return tree.Insert(parent, where, label, NewObjectNode(defaults, type, 0));
    }
    static std::vector<std::string> Children(const SiteItem* parent) {
        std::vector<std::string> labels;
        for (const SiteItem* c = parent->FirstChild(); c; c = c->Next())
            labels.push_back(c->Label());
        return labels;
    }
    using Labels = std::vector<std::string>;

    CDocProperties defaults;
    SiteTree tree;
};

TEST_F(SiteTreeTest, InsertPositions) {
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* b = Add(root, "b");
    Add(root, "d");
    Add(root, "a", InsertWhere::AtFirst());
    Add(root, "c", InsertWhere::AfterItem(b));
    EXPECT_EQ(Children(root), (Labels{"a", "b", "c", "d"}));
    EXPECT_EQ(tree.Count(), 5u);
    EXPECT_EQ(root->FirstChild()->Label(), "a");
    EXPECT_EQ(root->LastChild()->Label(), "d");
    EXPECT_EQ(root->LastChild()->Prev()->Label(), "c");
    EXPECT_EQ(b->Parent(), root);
    EXPECT_EQ(root->Parent(), nullptr);
}

TEST_F(SiteTreeTest, SortedInsertionIgnoresCaseAndKeepsEqualLabelsInArrivalOrder) {
    SiteItem* root = Add(nullptr, "Index");
    for (const char* label : {"delta", "Bravo", "alpha", "Charlie", "bravo", "\xC9t\xE9", "echo"}) {
        Add(root, label, InsertWhere::Sorted());
    }
    EXPECT_EQ(Children(root),
              (Labels{"alpha", "Bravo", "bravo", "Charlie", "delta", "echo", "\xC9t\xE9"}));
}

TEST_F(SiteTreeTest, ImagesFollowTheKind) {
    struct Case {
        std::int32_t type;
        int image, selected;
    } cases[] = {{NODE_PAGE, 1, 0}, {NODE_PARAGRAPH, 9, 8}, {NODE_LINK, 5, 4}, {7, 0, 0}};
    for (const Case& c : cases) {
        SiteItem* item = Add(nullptr, "x", InsertWhere::AtLast(), c.type);
        EXPECT_EQ(item->Image(), c.image) << c.type;
        EXPECT_EQ(item->SelectedImage(), c.selected) << c.type;
    }
    EXPECT_EQ(GetNodeImage(NODE_PAGE, false, IMAGE_DRAGGED), 2);
    EXPECT_EQ(GetNodeImage(NODE_LINK, true, IMAGE_DROPTARGET), 7);
    EXPECT_EQ(GetNodeImage(NODE_PARAGRAPH, false, 3), 0);
}

TEST_F(SiteTreeTest, ResolvePositionPlacesBeforeAfterAndAsSortedChild) {
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* b = Add(root, "b");
    SiteItem* d = Add(root, "d");
    tree.Insert(tree.ResolvePosition(root, POS_CHILD), "c", NewObjectNode(defaults, 0, 0));
    EXPECT_EQ(Children(root), (Labels{"b", "c", "d"}));
    tree.Insert(tree.ResolvePosition(b, POS_BEFORE), "z-first", NewObjectNode(defaults, 0, 0));
    tree.Insert(tree.ResolvePosition(d, POS_AFTER), "a-last", NewObjectNode(defaults, 0, 0));
    tree.Insert(tree.ResolvePosition(d, POS_BEFORE), "y-before-d", NewObjectNode(defaults, 0, 0));
    EXPECT_EQ(Children(root), (Labels{"z-first", "b", "c", "y-before-d", "d", "a-last"}));
}

TEST_F(SiteTreeTest, DeleteRemovesTheSubtreeWithItsNodesDeepestFirst) {
    RemovalLog log;
    tree.SetObserver(&log);
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* page = Add(root, "page");
    SiteItem* child = Add(page, "child");
    Add(child, "grandchild");
    Add(page, "child2");
    Add(root, "other");
    tree.Select(child);
    tree.Delete(page);
    EXPECT_EQ(log.removed, (Labels{"grandchild", "child", "child2", "page"}));
    EXPECT_EQ(log.deletedNodes.size(), 4u);
    EXPECT_EQ(log.keptNodes, 0);
    EXPECT_EQ(tree.Count(), 2u);
    EXPECT_EQ(tree.Selection(), nullptr);
    EXPECT_EQ(Children(root), (Labels{"other"}));
    tree.SetObserver(nullptr);
}

TEST_F(SiteTreeTest, MoveSortsEveryLevelCutsLabelsAndKeepsNodes) {
    RemovalLog log;
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* s = Add(root, "moved");
    SiteItem* target = Add(root, "target");
    const std::string longLabel(40, 'x');
    Add(s, "b");
    SiteItem* a = Add(s, "a");
    Add(s, longLabel);
    Add(a, "a2");
    Add(a, "a1");
    std::set<const CNode*> nodes;
    for (SiteItem* i = s; i && SiteTree::IsSameOrAncestor(s, i); i = SiteTree::NextInPreorder(i)) {
        nodes.insert(i->Node());
    }
    tree.SetObserver(&log);

    SiteItem* moved = tree.MoveSubtree(s, target, POS_CHILD);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Parent(), target);
    EXPECT_EQ(Children(moved), (Labels{"a", "b", std::string(31, 'x')}));
    EXPECT_EQ(Children(moved->FirstChild()), (Labels{"a1", "a2"}));
    EXPECT_EQ(Children(root), (Labels{"target"}));
    EXPECT_TRUE(log.deletedNodes.empty());
    EXPECT_EQ(log.keptNodes, 6);
    std::set<const CNode*> after;
    for (SiteItem* i = moved; i && SiteTree::IsSameOrAncestor(moved, i);
         i = SiteTree::NextInPreorder(i)) {
        after.insert(i->Node());
        EXPECT_FALSE(i->Expanded());
    }
    EXPECT_EQ(after, nodes);
    EXPECT_EQ(tree.Count(), 8u);
    tree.SetObserver(nullptr);
}

TEST_F(SiteTreeTest, MoveRefusesATargetInsideTheSubtreeAndFollowsTheSelection) {
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* s = Add(root, "s");
    SiteItem* inner = Add(s, "inner");
    SiteItem* other = Add(root, "other");
    EXPECT_EQ(tree.MoveSubtree(s, s, POS_AFTER), nullptr);
    EXPECT_EQ(tree.MoveSubtree(s, inner, POS_CHILD), nullptr);
    EXPECT_EQ(tree.Count(), 4u);

    CNode* innerNode = inner->Node();
    tree.Select(inner);
    SiteItem* moved = tree.MoveSubtree(s, other, POS_AFTER);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(Children(root), (Labels{"other", "s"}));
    ASSERT_NE(tree.Selection(), nullptr);
    EXPECT_EQ(tree.Selection()->Node(), innerNode);
    EXPECT_EQ(tree.Selection()->Parent(), moved);
}

TEST_F(SiteTreeTest, IsSameOrAncestor) {
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* a = Add(root, "a");
    SiteItem* a1 = Add(a, "a1");
    SiteItem* b = Add(root, "b");
    EXPECT_TRUE(SiteTree::IsSameOrAncestor(a, a));
    EXPECT_TRUE(SiteTree::IsSameOrAncestor(root, a1));
    EXPECT_TRUE(SiteTree::IsSameOrAncestor(a, a1));
    EXPECT_FALSE(SiteTree::IsSameOrAncestor(a1, a));
    EXPECT_FALSE(SiteTree::IsSameOrAncestor(b, a1));
}

TEST_F(SiteTreeTest, DeepChainsNeedNoStack) {
    constexpr int kDepth = 100'000;
    SiteItem* root = Add(nullptr, "Index");
    SiteItem* parent = Add(root, "top");
    for (int i = 0; i < kDepth; ++i) parent = Add(parent, "p" + std::to_string(i));
    SiteItem* other = Add(root, "other");
    SiteItem* moved = tree.MoveSubtree(root->FirstChild(), other, POS_CHILD);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(tree.Count(), static_cast<std::size_t>(kDepth) + 3);
    int depth = 0;
    for (SiteItem* i = moved; i->FirstChild(); i = i->FirstChild()) ++depth;
    EXPECT_EQ(depth, kDepth);
    tree.Delete(other);
    EXPECT_EQ(tree.Count(), 1u);
    for (int i = 0; i < kDepth; ++i) parent = Add(i ? parent : root, "q");
    // The destructor deletes what is left without recursion too.
}

}  // namespace
}  // namespace folio
