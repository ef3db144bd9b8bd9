// The open site: its defaults, its tree, the current object, the generate settings, and the
// commands the editor runs on them. No window code: the editor's views register as DocView and
// its dialogs answer through DocumentUI.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "site/DocProperties.h"
#include "site/GenerateSettings.h"
#include "site/SiteTree.h"

namespace folio {

class Clock;
class MessageSink;

// Update hints sent to the views.
inline constexpr int HINT_LOAD = 0;   // reload from the current node
inline constexpr int HINT_STORE = 1;  // store into the current node

class DocView {
  public:
    virtual ~DocView() = default;
    virtual void OnUpdate(DocView* sender, int hint) = 0;
};

// The dialogs the document runs. Each edits the record it is given in place when it ends with
// OK (and returns true); Cancel leaves the record as it was.
class DocumentUI {
  public:
    virtual ~DocumentUI() = default;
    virtual bool RunDocumentProperties(CDocProperties& properties) = 0;
    virtual bool RunObjectProperties(CDocInfo& info) = 0;
};

// What the insert and position dialogs offer: bit 0 "As child", bit 1 "Before", bit 2 "After",
// and the position chosen at first.
struct PositionChoice {
    int allowed = 7;
    int position = POS_CHILD;
};

class CFolio32Doc final : private SiteTreeObserver {
  public:
    CFolio32Doc(const Clock& clock, DocumentUI& ui, MessageSink& messages);
    ~CFolio32Doc() override;
    CFolio32Doc(const CFolio32Doc&) = delete;
    CFolio32Doc& operator=(const CFolio32Doc&) = delete;

    BOOL32 m_bBusy = 0;
    CDocProperties m_Properties;
    SiteTree m_Tree;
    CNode* m_pCurrent = nullptr;
    CGenerateDlg m_GenerateDlg;

    // Views. The tree view is the sender of the updates that a selection change causes.
    void AddView(DocView* view);
    void RemoveView(DocView* view);
    void SetTreeView(DocView* view) { treeView_ = view; }
    void UpdateAllViews(DocView* sender, int hint);

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }
    const Clock& GetClock() const { return clock_; }

    // File New. Runs the "Document Properties" dialog first; Cancel keeps the open site as it
    // is and fails. On OK the tree is emptied and a new root "Index" becomes current. The
    // defaults and the generate settings carry over from the previous site.
    bool OnNewDocument();
    // Opens a site document. On failure the open site is untouched and `error` names the file
    // and the byte offset.
    bool OnOpenDocument(const std::filesystem::path& path, std::string& error);
    // Saves to a temporary file beside `path` and renames it over `path`.
    bool OnSaveDocument(const std::filesystem::path& path, std::string& error);
    // Takes over a site read elsewhere (a load): the previous tree is deleted, the root becomes
    // current.
    void ReplaceSite(CDocProperties properties, SiteTree tree, std::string destDir,
                     std::string spare);

    // "Document default properties".
    void OnDocumentProperties();
    // "Properties of the current object".
    void OnObjectProperties();

    // Selection and the current node.
    void SelectItem(SiteItem* item);
    // The nearest page at or above the selection, or null.
    CNode* GetCurrentPage() const;

    // Insert: what the dialog offers for the selected item, then the insertion after OK.
    // An empty tag inserts nothing (null). The new item is not selected.
    PositionChoice PrepareInsert() const;
    SiteItem* InsertObject(std::int32_t type, std::string tag, int position);

    // Convert: bit 0 page, bit 1 paragraph, bit 2 link.
    int ConvertAllowedMask() const;
    void ConvertCurrent(std::int32_t type);

    // Delete key: refuses the root, asks, deletes and moves the selection. Marks the document
    // modified in every case.
    void DeleteCurrent();

    // A tag edited in place: accepted when 1 to 31 characters long.
    bool RenameItem(SiteItem* item, std::string label);

    // Drag and drop: whether a drop is accepted, what the position dialog offers, the move.
    bool CanDrop(const SiteItem* dragged, const SiteItem* target) const;
    PositionChoice PrepareDrop(const SiteItem* target) const;
    SiteItem* DropItem(SiteItem* dragged, SiteItem* target, int position);

  private:
    void OnSelectionChanged(SiteItem* oldItem, SiteItem* newItem) override;
    void CreateRoot();

    const Clock& clock_;
    DocumentUI& ui_;
    MessageSink& messages_;
    std::vector<DocView*> views_;
    DocView* treeView_ = nullptr;
    bool modified_ = false;
};

}  // namespace folio
