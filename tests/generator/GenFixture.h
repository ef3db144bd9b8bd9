// A small site in a temporary directory: templates, pictures, a destination folder, and a
// generator wired to recorders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "generator/Generator.h"

namespace folio::test {

struct Message {
    std::string text;
    std::string caption;
    MsgIcon icon;
};

class Recorder final : public GenerateReporter, public MessageSink {
  public:
    void SetCurrentFile(std::string_view text) override { files.emplace_back(text); }
    void SetCurrentTag(std::string_view text) override { tags.emplace_back(text); }
    void SetProgressRange(int low, int high) override {
        rangeLow = low;
        rangeHigh = high;
    }
    void StepProgress() override { ++steps; }
    void SetProgressPos(int pos) override { position = pos; }
    void ShowLog(std::string_view text) override { log = text; }
    MsgAnswer Show(std::string_view text, std::string_view caption, MsgIcon icon,
                   MsgButtons) override {
        messages.push_back({std::string(text), std::string(caption), icon});
        return MsgAnswer::Ok;
    }
    void Beep() override { ++beeps; }

    std::vector<std::string> files, tags;
    std::vector<Message> messages;
    std::string log;
    int rangeLow = -1, rangeHigh = -1, steps = 0, position = -1, beeps = 0;
};

class GenFixture : public ::testing::Test {
  protected:
    GenFixture();
    ~GenFixture() override;

    // Writes a file below the resource folder ("templates/Default.hdr.txt"), bytes as given.
    void WriteResource(const std::string& relative, const std::string& bytes);
    void Template(const std::string& suffix, const std::string& text) {
        WriteResource("templates/Default" + suffix, text);
    }
    std::string ReadOut(const std::string& name) const;

    // Adds an object; the first one added without a parent becomes the root.
    SiteItem* Add(SiteItem* parent, const std::string& tag, std::int32_t type,
                  const std::string& name = "Untitled", const std::string& text = "");

    PageGenerator& Gen();
    // Renders one object with the given template for its kind (a fresh run).
    std::string Render(SiteItem* item, const std::string& templateText);

    std::filesystem::path dir;
    std::filesystem::path outDir;
    SiteTree tree;
    CDocProperties props;
    CGenerateDlg settings;
    GeneratorProgram program;
    Recorder rec;

  private:
    std::unique_ptr<GenFiles> files_;
    std::unique_ptr<PageGenerator> gen_;
};

// A GIF header of the given size (and nothing else of a picture).
std::string GifHeader(unsigned width, unsigned height);

}  // namespace folio::test
