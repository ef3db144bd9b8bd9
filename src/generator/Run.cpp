// The generation run, the copy list and the copying of pictures.
#include <cstdio>
#include <memory>
#include <system_error>

#include "generator/Generator.h"
#include "platform/CodePage.h"

namespace folio {

namespace {

// The file name of a picture path: after the last backslash, or after the last "/" too when the
// path names neither a drive nor an address (no ":"), since the picture folders may be named
// with either separator. "http://host/x.gif" stays whole, so the page refers to the address.
std::string_view AfterLastSeparator(std::string_view path) {
    const bool address = path.find(':') != std::string_view::npos;
    const std::size_t cut = path.find_last_of(address ? "\\" : "\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

}  // namespace

PageGenerator::PageGenerator(GenerateEnv env) : env_(env) {}

void PageGenerator::BeginRun() {
    homeLinks_.clear();
    copyList_.clear();
    copySet_.clear();
    log_.clear();
    texts_.clear();
    templates_.clear();
    gifSizes_.clear();
    destKey_.clear();
    destHost_.reset();
    ext_ = env_.settings.FileExtension();
    lowercase_ = env_.settings.m_bLowercase != 0;
}

GenerateResult PageGenerator::OnDogenerte() {
    BeginRun();
    GenerateReporter& report = env_.reporter;
    report.SetProgressRange(0, static_cast<int>(env_.tree.Count()));
    report.SetProgressStep(1);
    report.SetProgressPos(0);

    for (const SiteItem* item = env_.tree.Root(); item; item = SiteTree::NextInPreorder(item)) {
        if (!item->Node() || item->Node()->m_nType != NODE_PAGE) continue;
        if (!CreatePage(item)) {
            env_.messages.Show("OnDogenerte(): Fatal error. Processing aborted.", {},
                               MsgIcon::Exclamation);
            FinishRun(GenerateResult::Aborted);
            return GenerateResult::Aborted;
        }
    }

    report.SetCurrentFile("Copying image files...");
    for (const char* picture : kFixedPictures) AddToCopyList(picture);
    CopyImageFiles(env_.settings.m_strDestDir);
    FinishRun(GenerateResult::Done);
    return GenerateResult::Done;
}

void PageGenerator::FinishRun(GenerateResult result) {
    GenerateReporter& report = env_.reporter;
    report.ShowLog(log_);
    report.SetCurrentFile(result == GenerateResult::Done ? "Done..." : "Processing aborted...");
    env_.messages.Beep();
    report.SetProgressPos(0);
    report.SetCurrentTag("");
    log_.clear();
    copyList_.clear();
    copySet_.clear();
    texts_.clear();
    templates_.clear();
    gifSizes_.clear();
}

void PageGenerator::AddToCopyList(std::string_view path) {
    std::string entry(path);
    if (copySet_.insert(entry).second) copyList_.push_back(std::move(entry));
}

std::string PageGenerator::CopyListText() const {
    std::string text;
    for (const std::string& path : copyList_) text += "[" + path + "]";
    return text;
}

std::string PageGenerator::StripPath(std::string_view path) const {
    std::string name(AfterLastSeparator(path));
    if (lowercase_) LowerAscii(name);
    return name;
}

std::string PageGenerator::StripMapTarget(std::string_view target) const {
    // A map target is a page or an address, never a copied file: only a backslash cuts it.
    const std::size_t cut = target.rfind('\\');
    std::string name(cut == std::string_view::npos ? target : target.substr(cut + 1));
    if (lowercase_) LowerAscii(name);
    return name;
}

void PageGenerator::CopyImageFiles(std::string_view destDir) {
    if (destDir.empty()) {
        AppendLog("No destination directory given: image files not copied.");
        return;
    }
    std::vector<char> buffer(1 << 16);
    for (const std::string& source : copyList_) {
        if (source.empty()) continue;
        std::string name(AfterLastSeparator(source));
        if (lowercase_) LowerAscii(name);
        // The log names the whole target lowercased, as the original did; the file goes into the
        // directory the pages went to, looked up as written.
        std::string target = std::string(destDir) + "\\" + name;
        const std::string hostTarget = target;
        if (lowercase_) LowerAscii(target);

        const std::optional<std::filesystem::path> from = env_.files.FindForRead(source);
        std::error_code ec;
        FilePtr in(from && !std::filesystem::is_directory(*from, ec)
                       ? std::fopen(from->c_str(), "rb")
                       : nullptr,
                   &std::fclose);
        if (!in) {
            AppendLog("Unable to open " + source + " for read.");
            continue;
        }
        if (target.size() > kMaxCopyPath) {
            AppendLog("Unable to open " + target + " for write: the path is longer than " +
                      std::to_string(kMaxCopyPath) + " characters.");
            continue;
        }
        const std::optional<std::filesystem::path> to = env_.files.MapForWrite(hostTarget);
        if (to) std::filesystem::remove(*to, ec);
        FilePtr out(to ? std::fopen(to->c_str(), "wb") : nullptr, &std::fclose);
        if (!out) {
            AppendLog("Unable to open " + target + " for write.");
            continue;
        }
        env_.reporter.SetCurrentTag(source);
        AppendLog("Copying file " + source + " to " + target);
        bool ok = true;
        for (;;) {
            const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
            if (got == 0) break;
            if (std::fwrite(buffer.data(), 1, got, out.get()) != got) {
                ok = false;
                break;
            }
        }
        ok = !std::ferror(in.get()) && ok;
        ok = std::fclose(out.release()) == 0 && ok;
        if (!ok) {
            // A partial copy is worse than none.
            std::filesystem::remove(*to, ec);
            AppendLog("Unable to copy " + source + " to " + target + ": read or write error.");
        }
    }
}

}  // namespace folio
