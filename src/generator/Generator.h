// The page generator: expands the template of every object of a site, writes one HTML file per
// page into the destination directory and copies the pictures the pages use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "generator/GenFiles.h"
#include "generator/GenerateReporter.h"
#include "generator/MacroTable.h"
#include "platform/FileIo.h"
#include "platform/Messages.h"
#include "site/DocProperties.h"
#include "site/GenerateSettings.h"
#include "site/SiteTree.h"

namespace folio {

// What lives from program start to exit: the image map counter keeps counting across runs so
// that map names never repeat.
struct GeneratorProgram {
    std::uint32_t mapCounter = 0;
};

enum class GenerateResult { Done, Aborted };

inline constexpr const char* kGeneratorName = "Folio32 0.4b";

// The longest page path the generator writes (the original's buffer held 264 characters with
// the terminating zero) and the longest path of a copied picture (260 with the zero).
inline constexpr std::size_t kMaxPagePath = 263;
inline constexpr std::size_t kMaxCopyPath = 259;

// How deeply paragraphs and links may nest below their page before they are left out: every
// level is a nested template expansion.
inline constexpr int kMaxNesting = 200;

// The two pictures every run copies.
inline constexpr const char* kFixedPictures[] = {"images\\folio32.jpg", "images\\bluerib.gif"};

// Everything a run reads and reports to. The references must outlive the generator.
struct GenerateEnv {
    const SiteTree& tree;
    const CDocProperties& properties;
    const CGenerateDlg& settings;
    const GenFiles& files;
    GenerateReporter& reporter;
    MessageSink& messages;
    GeneratorProgram& program;
};

// One step of a compiled template: what the reading of the template file decides once per run,
// in the order of the file. Text, log lines and bracket contents are copied out of the file.
struct TemplateStep {
    enum Kind : std::uint8_t {
        Text,         // text: literal text
        Log,          // text: a log line (a malformed construct)
        Store,        // m_strValue[index] = text (an assignment that computes nothing)
        Assign,       // m_strValue[index] = text, then the expansion is computed
        IfLevel,      // level <= the object's level, else go on at skipTo
        IfMoreLinks,  // the next sibling is not a link, else go on at skipTo
        Insert,       // m_strExpand[index]
        Close,        // "</" and m_strExpand[index] without its first character, when not empty
        CloseText,    // text, when m_strExpand[index] is not empty
    };
    Kind kind = Text;
    int index = -1;
    long long level = 0;
    // The first step of the next piece: where a failing conditional goes on.
    std::size_t skipTo = 0;
    std::string text;
};

// A template file as a run uses it: its steps, the size of its literal text (what an object's
// output holds at least, unless a conditional drops some), and the size of the output of the
// object last expanded with it (objects of one template tend to come out alike).
struct CompiledTemplate {
    std::vector<TemplateStep> steps;
    std::size_t textSize = 0;
    std::size_t lastOutput = 0;
};

class PageGenerator {
  public:
    explicit PageGenerator(GenerateEnv env);

    // The "Generate" button: the whole run. Reports to the reporter and the message sink.
    GenerateResult OnDogenerte();

    // Starts a run: empties the log, the copy list and the home link list and takes the file
    // extension and lowercase setting. OnDogenerte calls it; tests call it before the parts.
    void BeginRun();

    // Expands one object's template. Never null.
    std::unique_ptr<CMacroTable> CreateNode(const SiteItem* item, int depth = 0);
    // Writes one page file. False when it cannot be created (after the message box).
    bool CreatePage(const SiteItem* item);

    // Tree helpers.
    std::string GetTag(const SiteItem* item) const;
    static const SiteItem* GetPageItem(const SiteItem* item);
    static int GetLevel(const SiteItem* item);
    static bool HasSubPages(const SiteItem* item);
    // tag of the page + extension + "#" + tag of the item.
    std::string GetTarget(const SiteItem* item) const;
    // The page file: destination, one backslash, tag, extension.
    std::string PageFileName(const SiteItem* item) const;

    std::string ConvertText(std::string_view text, bool cutLastWord, bool withMacros) const;
    std::string BuildContents(int levels, std::string_view pageLabel,
                              std::string_view paragraphLabel, std::string_view linkLabel) const;

    // The copy list, in first-use order; each path only once (compared exactly).
    void AddToCopyList(std::string_view path);
    const std::vector<std::string>& CopyEntries() const { return copyList_; }
    // The list as the original kept it: "[" + path + "]" per entry.
    std::string CopyListText() const;
    void CopyImageFiles(std::string_view destDir);

    // The file name of a picture path (after the last "\", or "/" when the path holds no ":"),
    // lowercased when the lowercase setting is on.
    std::string StripPath(std::string_view path) const;
    // The same for an image map's target, which only a "\" cuts (it may be an address).
    std::string StripMapTarget(std::string_view target) const;

    // Image maps and pictures.
    bool ReadImageMap(std::string& picture, std::string& expansion, std::string& mapAttr);
    std::string GetGifSizeAttr(std::string_view path);

    const std::string& Log() const { return log_; }
    const std::string& HomeLinks() const { return homeLinks_; }
    const std::string& Extension() const { return ext_; }
    bool Lowercase() const { return lowercase_; }

  private:
    struct Expansion;  // the state of one CreateNode

    void AppendLog(std::string_view text) {
        log_ += text;
        log_ += "\r\n";
    }
    // A text file of this run (template or image map), read once; null when it cannot be read.
    const std::string* CachedText(const std::string& fileName);
    // A template file of this run, read and compiled once; null when it cannot be read.
    CompiledTemplate* Compiled(const std::string& fileName);
    void RunSteps(Expansion& x, CompiledTemplate& compiled);
    void Expand(Expansion& x, int index);
    void ExpandSingleFile(Expansion& x, int index);
    void ExpandPicture(Expansion& x, int index);
    void ExpandLinks(Expansion& x);
    void FinishRun(GenerateResult result);
    // GenFiles::MapForWrite of a page file, with the page directory looked up once per run.
    std::optional<std::filesystem::path> MapPageForWrite(std::string_view fileName);

    GenerateEnv env_;
    std::string log_;
    std::vector<std::string> copyList_;
    std::unordered_set<std::string> copySet_;
    std::string homeLinks_;
    std::string ext_ = ".htm";
    bool lowercase_ = true;
    // The template and image map files of this run, read once: the text, or nothing for a file
    // that could not be read. Every use still logs and reports as if the file were read anew.
    std::unordered_map<std::string, std::optional<std::string>> texts_;
    // The template files of this run, compiled: the steps, or nothing for a file that could not
    // be read. Every object still logs and reports as if its template were read and parsed anew.
    std::unordered_map<std::string, std::optional<CompiledTemplate>> templates_;
    // The size attributes of the GIF pictures of this run, by path.
    std::unordered_map<std::string, std::string> gifSizes_;
    // The page directory of this run as written in page paths, and its host path as text, ending
    // in a separator unless empty.
    std::string destKey_;
    std::optional<std::string> destHost_;
};

// The six national letters written as entities; every other byte unchanged.
std::string HtmlEntities(std::string_view text);
// Writes a page's text: entities, and each LF as CR LF.
void WriteHtml(AtomicFile& file, std::string_view text);

}  // namespace folio
