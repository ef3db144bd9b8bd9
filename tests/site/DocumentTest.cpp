#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "site/Clock.h"
#include "site/Document.h"

namespace folio {
namespace {

// Dialogs that answer as told and can change the record on OK.
struct ScriptedUI : DocumentUI {
    bool answer = true;
    std::function<void(CDocProperties&)> editProperties;
    std::function<void(CDocInfo&)> editInfo;
    int propertiesRuns = 0;
    bool RunDocumentProperties(CDocProperties& p) override {
        ++propertiesRuns;
        if (answer && editProperties) editProperties(p);
        return answer;
    }
    bool RunObjectProperties(CDocInfo& i) override {
        if (answer && editInfo) editInfo(i);
        return answer;
    }
};

struct RecordingMessages : MessageSink {
    std::vector<std::string> shown;
    MsgAnswer answer = MsgAnswer::Yes;
    MsgAnswer Show(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override {
        shown.emplace_back(text);
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : answer;
    }
};

// A view that records each hint with the current node at that moment.
struct RecordingView : DocView {
    explicit RecordingView(CFolio32Doc& d) : doc(d) {}
    struct Update {
        DocView* sender;
        int hint;
        CNode* current;
    };
    CFolio32Doc& doc;
    std::vector<Update> updates;
    void OnUpdate(DocView* sender, int hint) override {
        updates.push_back({sender, hint, doc.m_pCurrent});
    }
};

class DocumentTest : public ::testing::Test {
  protected:
    DocumentTest() : doc(clock, ui, messages), editor(doc), treeView(doc) {
        doc.AddView(&editor);
        doc.AddView(&treeView);
        doc.SetTreeView(&treeView);
        EXPECT_TRUE(doc.OnNewDocument());
        root = doc.m_Tree.Root();
        editor.updates.clear();
    }
    SiteItem* InsertUnderSelection(const std::string& tag, std::int32_t type = NODE_PAGE,
                                   int position = POS_CHILD) {
        return doc.InsertObject(type, tag, position);
    }
    std::vector<std::string> Children(const SiteItem* parent) {
        std::vector<std::string> labels;
        for (const SiteItem* c = parent->FirstChild(); c; c = c->Next())
            labels.push_back(c->Label());
        return labels;
    }
    using Labels = std::vector<std::string>;

    FixedClock clock{1'000'000};
    ScriptedUI ui;
    RecordingMessages messages;
    CFolio32Doc doc;
    RecordingView editor;
    RecordingView treeView;
    SiteItem* root = nullptr;
};

TEST_F(DocumentTest, NewDocumentHasOneRootIndexThatIsCurrent) {
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Label(), "Index");
    EXPECT_EQ(doc.m_Tree.Count(), 1u);
    EXPECT_EQ(doc.m_Tree.Selection(), root);
    EXPECT_EQ(doc.m_pCurrent, root->Node());
    EXPECT_EQ(root->Node()->m_tStamp, 1'000'000);
    EXPECT_EQ(root->Node()->m_Info.m_nExpireDays, 0);
    EXPECT_EQ(root->Image(), 1);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentTest, NewDocumentKeepsThePreviousSitesDefaultsAndDestination) {
    ui.editProperties = [](CDocProperties& p) { p.m_strAuthor = "Ann"; };
    doc.OnDocumentProperties();
    doc.m_GenerateDlg.m_strDestDir = "C:\\web";
    InsertUnderSelection("child");
    ui.editProperties = nullptr;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_Properties.m_strAuthor, "Ann");
    EXPECT_EQ(doc.m_GenerateDlg.m_strDestDir, "C:\\web");
    EXPECT_EQ(doc.m_Tree.Count(), 1u);
}

TEST_F(DocumentTest, CancelledNewDocumentLeavesTheOpenSiteWhole) {
    InsertUnderSelection("child");
    doc.SetModifiedFlag(true);
    ui.answer = false;
    EXPECT_FALSE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_Tree.Count(), 2u);
    EXPECT_EQ(doc.m_Tree.Root(), root);
    EXPECT_EQ(doc.m_pCurrent, root->Node());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocumentTest, DocumentPropertiesDoNotChangeExistingObjects) {
    SiteItem* child = InsertUnderSelection("child");
    const CDocInfo before = child->Node()->m_Info;
    ui.editProperties = [](CDocProperties& p) {
        p.m_strTemplate = "Other";
        p.m_crText = 0x123456;
    };
    doc.OnDocumentProperties();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(child->Node()->m_Info, before);
    EXPECT_EQ(doc.m_Properties.m_strTemplate, "Other");
}

TEST_F(DocumentTest, ObjectPropertiesRestampOnlyAfterABannerClick) {
    CNode* node = doc.m_pCurrent;
    clock.Advance(500);
    ui.editInfo = [](CDocInfo& i) { i.m_crText = 0xFF; };
    doc.OnObjectProperties();
    EXPECT_EQ(node->m_tStamp, 1'000'000);
    EXPECT_EQ(node->m_Info.m_crText, 0xFFu);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(editor.updates.size(), 2u);
    EXPECT_EQ(editor.updates[0].hint, HINT_STORE);
    EXPECT_EQ(editor.updates[1].hint, HINT_LOAD);
    EXPECT_EQ(editor.updates[0].sender, nullptr);

    ui.editInfo = [](CDocInfo& i) {
        i.m_bBannerChanged = 1;
        i.m_bNew = 1;
    };
    doc.OnObjectProperties();
    EXPECT_EQ(node->m_tStamp, 1'000'500);
    // The flag stays set: the next OK restamps again.
    ui.editInfo = nullptr;
    clock.Advance(10);
    doc.OnObjectProperties();
    EXPECT_EQ(node->m_tStamp, 1'000'510);
}

TEST_F(DocumentTest, CancelledObjectPropertiesChangeNothing) {
    ui.answer = false;
    ui.editInfo = [](CDocInfo& i) { i.m_crText = 0xFF; };
    doc.OnObjectProperties();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(editor.updates.empty());
}

TEST_F(DocumentTest, SelectionChangeStoresIntoTheOldNodeThenLoadsTheNew) {
    SiteItem* child = InsertUnderSelection("child");
    editor.updates.clear();
    doc.SelectItem(child);
    ASSERT_EQ(editor.updates.size(), 2u);
    EXPECT_EQ(editor.updates[0].hint, HINT_STORE);
    EXPECT_EQ(editor.updates[0].current, root->Node());
    EXPECT_EQ(editor.updates[0].sender, &treeView);
    EXPECT_EQ(editor.updates[1].hint, HINT_LOAD);
    EXPECT_EQ(editor.updates[1].current, child->Node());
    EXPECT_TRUE(treeView.updates.empty() || treeView.updates.back().sender != &treeView);
}

TEST_F(DocumentTest, SelectionChangeWhileBusyIsIgnored) {
    SiteItem* child = InsertUnderSelection("child");
    editor.updates.clear();
    doc.m_bBusy = 1;
    doc.SelectItem(child);
    doc.m_bBusy = 0;
    EXPECT_EQ(doc.m_pCurrent, root->Node());
    EXPECT_TRUE(editor.updates.empty());
}

TEST_F(DocumentTest, InsertOffersWhatTheSelectionAllows) {
    EXPECT_EQ(doc.PrepareInsert().allowed, 1);
    EXPECT_EQ(doc.PrepareInsert().position, POS_CHILD);
    SiteItem* link = InsertUnderSelection("link", NODE_LINK);
    EXPECT_EQ(link->Node()->m_strName, "Untitled\r\nhttp://");
    doc.SelectItem(link);
    const PositionChoice c = doc.PrepareInsert();
    EXPECT_EQ(c.allowed, 6);
    EXPECT_EQ(c.position, POS_AFTER);
    EXPECT_EQ(InsertUnderSelection("under-link", NODE_PAGE, POS_CHILD), nullptr);
    doc.SelectItem(root);
    EXPECT_EQ(InsertUnderSelection("beside-root", NODE_PAGE, POS_AFTER), nullptr);
}

TEST_F(DocumentTest, InsertPlacesSortedBeforeAndAfterWithoutSelecting) {
    InsertUnderSelection("b");
    SiteItem* d = InsertUnderSelection("d");
    doc.SetModifiedFlag(false);
    SiteItem* c = InsertUnderSelection("c");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Children(root), (Labels{"b", "c", "d"}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(doc.m_Tree.Selection(), root);
    EXPECT_EQ(c->Node()->m_tStamp, 1'000'000);
    EXPECT_EQ(c->Node()->m_Info.m_nExpireDays, 14);

    doc.SelectItem(root->FirstChild());
    InsertUnderSelection("first", NODE_PAGE, POS_BEFORE);
    doc.SelectItem(d);
    InsertUnderSelection("last", NODE_PAGE, POS_AFTER);
    EXPECT_EQ(Children(root), (Labels{"first", "b", "c", "d", "last"}));
    EXPECT_EQ(InsertUnderSelection(""), nullptr);
}

TEST_F(DocumentTest, ConvertOffersOnlyWhatKeepsTheTreeValid) {
    EXPECT_EQ(doc.ConvertAllowedMask(), 1);
    SiteItem* page = InsertUnderSelection("page");
    doc.SelectItem(page);
    EXPECT_EQ(doc.ConvertAllowedMask(), 7);
    InsertUnderSelection("sub");
    EXPECT_EQ(doc.ConvertAllowedMask(), 3);
    doc.ConvertCurrent(NODE_LINK);
    EXPECT_EQ(page->Node()->m_nType, NODE_PAGE);
    doc.ConvertCurrent(NODE_PARAGRAPH);
    EXPECT_EQ(page->Node()->m_nType, NODE_PARAGRAPH);
    EXPECT_EQ(page->Image(), 9);
    EXPECT_EQ(page->SelectedImage(), 8);
}

TEST_F(DocumentTest, DeletingTheRootIsRefusedAndStillMarksModified) {
    doc.DeleteCurrent();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "You can't delete the root object.");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_Tree.Count(), 1u);
}

TEST_F(DocumentTest, DeleteAsksAndMovesTheSelection) {
    SiteItem* a = InsertUnderSelection("a");
    SiteItem* b = InsertUnderSelection("b");
    SiteItem* c = InsertUnderSelection("c");
    doc.SelectItem(b);
    messages.answer = MsgAnswer::No;
    doc.SetModifiedFlag(false);
    doc.DeleteCurrent();
    EXPECT_EQ(messages.shown.back(), "Delete the current object and all it's sub-objects?");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_Tree.Count(), 4u);

    messages.answer = MsgAnswer::Yes;
    doc.DeleteCurrent();
    EXPECT_EQ(doc.m_Tree.Selection(), c);
    EXPECT_EQ(doc.m_pCurrent, c->Node());
    doc.DeleteCurrent();  // the last child: the previous one follows
    EXPECT_EQ(doc.m_Tree.Selection(), a);
    doc.DeleteCurrent();  // the only child: the parent follows
    EXPECT_EQ(doc.m_Tree.Selection(), root);
    EXPECT_EQ(doc.m_pCurrent, root->Node());
    EXPECT_EQ(doc.m_Tree.Count(), 1u);
}

TEST_F(DocumentTest, RenameAcceptsOneToThirtyOneCharacters) {
    struct Case {
        std::string label;
        bool accepted;
    } cases[] = {{std::string(31, 'x'), true},
                 {std::string(32, 'y'), false},
                 {"", false},
                 {"a b/c\\\"", true}};
    for (const Case& c : cases) {
        const std::string before = root->Label();
        EXPECT_EQ(doc.RenameItem(root, c.label), c.accepted) << c.label;
        EXPECT_EQ(root->Label(), c.accepted ? c.label : before);
    }
}

TEST_F(DocumentTest, DropIsRefusedOnItselfItsParentAndItsDescendants) {
    SiteItem* a = InsertUnderSelection("a");
    SiteItem* b = InsertUnderSelection("b");
    doc.SelectItem(a);
    SiteItem* a1 = InsertUnderSelection("a1");
    EXPECT_FALSE(doc.CanDrop(a, a));
    EXPECT_FALSE(doc.CanDrop(a, root));
    EXPECT_FALSE(doc.CanDrop(a, a1));
    EXPECT_TRUE(doc.CanDrop(a1, b));
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.DropItem(a, a1, POS_CHILD), nullptr);
    EXPECT_TRUE(doc.IsModified());

    EXPECT_EQ(doc.PrepareDrop(root).allowed, 1);
    SiteItem* moved = doc.DropItem(a1, b, POS_CHILD);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Parent(), b);
    EXPECT_EQ(a->FirstChild(), nullptr);
}

TEST_F(DocumentTest, DroppingOntoALinkOffersOnlyBeforeAndAfter) {
    SiteItem* page = InsertUnderSelection("page");
    SiteItem* link = InsertUnderSelection("link", NODE_LINK);
    const PositionChoice c = doc.PrepareDrop(link);
    EXPECT_EQ(c.allowed, 6);
    EXPECT_EQ(c.position, POS_AFTER);
    EXPECT_EQ(doc.DropItem(page, link, POS_CHILD), nullptr);
    ASSERT_NE(doc.DropItem(page, link, POS_AFTER), nullptr);
    EXPECT_EQ(Children(root), (Labels{"link", "page"}));
}

TEST_F(DocumentTest, CurrentPageIsTheNearestPageAtOrAboveTheSelection) {
    SiteItem* page = InsertUnderSelection("page");
    doc.SelectItem(page);
    SiteItem* para = InsertUnderSelection("para", NODE_PARAGRAPH);
    doc.SelectItem(para);
    SiteItem* link = InsertUnderSelection("link", NODE_LINK);
    doc.SelectItem(link);
    EXPECT_EQ(doc.GetCurrentPage(), page->Node());
    doc.SelectItem(page);
    EXPECT_EQ(doc.GetCurrentPage(), page->Node());
}

TEST_F(DocumentTest, FailedOpenLeavesTheOpenSiteUntouched) {
    InsertUnderSelection("child");
    const auto path = std::filesystem::temp_directory_path() / "folio32-doc-bad.fol";
    {
        std::string error;
        ASSERT_TRUE(doc.OnSaveDocument(path, error)) << error;
    }
    // Cut the file in the middle of the second node record.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 40);
    std::string error;
    EXPECT_FALSE(doc.OnOpenDocument(path, error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_NE(error.find("offset"), std::string::npos) << error;
    EXPECT_EQ(doc.m_Tree.Count(), 2u);
    EXPECT_EQ(doc.m_pCurrent, root->Node());
    std::filesystem::remove(path);
}

TEST_F(DocumentTest, SaveAndOpenRestoreTheSiteAndMakeTheRootCurrent) {
    ui.editProperties = [](CDocProperties& p) { p.m_strAuthor = "Saved author"; };
    doc.OnDocumentProperties();
    SiteItem* child = InsertUnderSelection("child");
    doc.SelectItem(child);
    doc.m_GenerateDlg.m_strDestDir = "D:\\out";
    doc.m_GenerateDlg.m_bLowercase = 0;
    const auto path = std::filesystem::temp_directory_path() / "folio32-doc-good.fol";
    std::string error;
    ASSERT_TRUE(doc.OnSaveDocument(path, error)) << error;
    EXPECT_FALSE(doc.IsModified());

    ui.editProperties = [](CDocProperties& p) { p.m_strAuthor = "Other"; };
    ASSERT_TRUE(doc.OnNewDocument());
    doc.m_GenerateDlg.m_strDestDir = "E:\\x";
    ASSERT_TRUE(doc.OnOpenDocument(path, error)) << error;
    EXPECT_EQ(doc.m_Properties.m_strAuthor, "Saved author");
    EXPECT_EQ(doc.m_GenerateDlg.m_strDestDir, "D:\\out");
    EXPECT_EQ(doc.m_GenerateDlg.m_bLowercase, 0);  // not saved: kept from before
    EXPECT_EQ(doc.m_Tree.Count(), 2u);
    EXPECT_EQ(doc.m_Tree.Selection(), doc.m_Tree.Root());
    EXPECT_EQ(doc.m_pCurrent, doc.m_Tree.Root()->Node());
    EXPECT_EQ(doc.m_Tree.Root()->FirstChild()->Label(), "child");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace folio
