// What the generator fuzz targets share: files served from memory, a sink that answers every
// message box, and a small fixed site with one object of each kind.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "generator/Generator.h"
#include "platform/FileIo.h"

namespace folio::fuzz {

// Template, image map and picture files kept in memory. Paths compare without regard to case
// and with "/" and "\" alike, as GenFiles finds files on disk.
class MemoryFiles final : public GenFiles {
  public:
    void Put(std::string_view path, std::string bytes) { files_[Key(path)] = std::move(bytes); }

    bool ReadText(std::string_view path, std::string& out) const override {
        const auto it = files_.find(Key(path));
        if (it == files_.end()) return false;
        out = FromTextMode(it->second);
        return true;
    }
    bool ReadPrefix(std::string_view path, std::size_t count, std::string& out) const override {
        const auto it = files_.find(Key(path));
        if (it == files_.end()) return false;
        out = it->second.substr(0, count);
        return true;
    }

  private:
    static std::string Key(std::string_view path) {
        std::string key;
        for (char c : path) {
            if (c == '/') c = '\\';
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            key += c;
        }
        return key;
    }

    std::map<std::string, std::string> files_;
};

class SilentSink final : public MessageSink {
  public:
    MsgAnswer Show(std::string_view, std::string_view, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
};

inline std::string Gif(unsigned width, unsigned height) {
    std::string h = "GIF89a";
    h += static_cast<char>(width & 0xFF);
    h += static_cast<char>(width >> 8);
    h += static_cast<char>(height & 0xFF);
    h += static_cast<char>(height >> 8);
    return h;
}

// The site: a home page with a section, a link and a sub-page, the sub-page with a section that
// holds a link. Texts use the contents and extension macros; the pictures the defaults name
// exist (one as a too short file), and the home page's icon is an image map.
struct FuzzSite {
    FuzzSite() {
        properties.m_strImage = "logo.gif";
        properties.m_strLineImage = "line.gif";
        properties.m_strBgBitmap = "";
        properties.m_strLinkBullet = "ball.gif";
        properties.m_strUpButton = "up.gif";
        properties.m_strNewImage = "new.gif";
        properties.m_strConstructionImage = "short.gif";
        properties.m_strUpdatedImage = "updated.jpg";
        for (const char* name :
             {"logo.gif", "line.gif", "ball.gif", "up.gif", "new.gif", "home.gif", "Back.gif"}) {
            files.Put(std::string("images\\") + name, Gif(32, 16));
        }
        files.Put("images\\short.gif", "GIF8");
        files.Put("images\\plan.gif", Gif(100, 50));
        files.Put("images\\plan.map",
                  "#$PATH:images\\\n#$GIF:plan.gif\nrect index.htm 0,0 49,49\n"
                  "rect sub.htm#main 50,0 99,49\n");

        SiteItem* home = Add(nullptr, "Index", NODE_PAGE, "Home \xE5 page",
                             "Welcome.\r\n[$i,levels=3,page=P,paragraph=S,link=L] and [$f] [$$]");
        home->Node()->m_Info.m_strIcon = "plan.map";
        home->Node()->m_nNameStyle = 11;
        Add(home, "Intro", NODE_PARAGRAPH, "Introduction", "Some <B>bold</B> text.");
        Add(home, "Out", NODE_LINK, "Elsewhere http://example.com/", "");
        SiteItem* sub = Add(home, "Sub", NODE_PAGE, "Sub page", "Below [$i,levels=1]");
        sub->Node()->m_Info.m_bNew = 1;
        SiteItem* part = Add(sub, "Part", NODE_PARAGRAPH, "Part", "Text\r\nof the part");
        Add(part, "Deep", NODE_LINK, "Deep link sub.htm", "");
        Add(sub, "Last", NODE_LINK, "Last index.htm#main", "");
    }

    SiteItem* Add(SiteItem* parent, const std::string& tag, std::int32_t type,
                  const std::string& name, const std::string& text) {
        auto node = std::make_unique<CNode>(properties, true);
        node->m_nType = type;
        node->m_strName = name;
        node->m_strText = text;
        return tree.Insert(parent, InsertWhere::AtLast(), tag, std::move(node));
    }

    PageGenerator Generator() {
        return PageGenerator(
            GenerateEnv{tree, properties, settings, files, reporter, messages, program});
    }

    SiteTree tree;
    CDocProperties properties;
    CGenerateDlg settings;
    MemoryFiles files;
    GenerateReporter reporter;
    SilentSink messages;
    GeneratorProgram program;
};

}  // namespace folio::fuzz
