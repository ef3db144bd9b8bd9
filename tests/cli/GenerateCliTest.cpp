// folio32 generate: the options, what goes to standard output and error, the exit statuses, and
// the shipped example site.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "CliFixture.h"

namespace folio {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

// A home page with an icon, a sub-page whose tag has a Windows-1252 letter, and a section.
constexpr const char* kSite = R"({
  "items": [{
    "tag": "Index", "type": 0, "name": "Home", "info": {"icon": "LOGO.GIF"},
    "children": [
      {"tag": "Caf\u00e9", "type": 0, "name": "Caf\u00e9"},
      {"tag": "about", "type": 1, "name": "About"}
    ]
  }],
  "generate": {"destDir": "site-out"}
})";

class GenerateCli : public Folio32Cli {
  protected:
    void SetUp() override {
        Folio32Cli::SetUp();
        Write("site.json", kSite);
        Write("res/templates/Default.hdr.txt",
              "[@TAG=!][@HOME=!][@IMAGE=!][@LINKS=!]\n<P>[TAG] [HOME] [IMAGE]</P>\n[LINKBODY]");
        Write("res/templates/Default.pgh.txt", "[@TAG=!]<A NAME=\"[TAG]\"></A>\n");
        Write("res/images/logo.gif", "GIF87a\x05\x00\x07\x00"sv);
        Write("res/images/folio32.jpg", "jpeg");
        Write("res/images/bluerib.gif", "GIF87a\x01\x00\x01\x00"sv);
    }
};

TEST_F(GenerateCli, DoneRunPrintsTheLogWithLfAndExitsZero) {
    const RunResult r = Run({"generate", "site.json", "--dest", "out", "--resources", "res"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Generating... out\\index.htm\n"
              "Parsing template file: templates\\Default.hdr.txt\n"
              "Parsing template file: templates\\Default.pgh.txt\n"
              "Generating... out\\caf\xE9.htm\n"
              "Parsing template file: templates\\Default.hdr.txt\n"
              "Copying file images\\LOGO.GIF to out\\logo.gif\n"
              "Copying file images\\folio32.jpg to out\\folio32.jpg\n"
              "Copying file images\\bluerib.gif to out\\bluerib.gif\n");
    // Standard error is not a terminal: no progress bar and no beep.
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Slurp(Path("out/index.htm")),
              "<P>index index.htm#main <IMG SRC=\"logo.gif\" ALT=\"Home\" border=0  width=5 "
              "height=7 ></P>\r\n<A NAME=\"about\"></A>\r\n");
    EXPECT_TRUE(fs::exists(Path("out/caf\xE9.htm")));
    EXPECT_EQ(Slurp(Path("out/logo.gif")), Slurp(Path("res/images/logo.gif")));
}

TEST_F(GenerateCli, OptionsChooseExtensionAndCase) {
    struct Case {
        std::vector<std::string> options;
        std::string page;
        std::string home;
        std::string picture;
    };
    const std::vector<Case> cases = {
        {{}, "index.htm", "index.htm#main", "logo.gif"},
        {{"--html"}, "index.html", "index.html#main", "logo.gif"},
        {{"--keep-case"}, "Index.htm", "Index.htm#main", "LOGO.GIF"},
        {{"--keep-case", "--html"}, "Index.html", "Index.html#main", "LOGO.GIF"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string dest = "out" + std::to_string(++n);
        std::vector<std::string> args = {"generate", "site.json",   "--dest",
                                         dest,       "--resources", "res"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(Path(dest))) {
            files.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(files.size(), 5u) << c.page;  // two pages, three pictures
        const std::string page = Slurp(Path(dest) / c.page);
        EXPECT_NE(page.find(" " + c.home + " "), std::string::npos) << page;
        EXPECT_NE(page.find("SRC=\"" + c.picture + "\""), std::string::npos) << page;
        EXPECT_TRUE(fs::exists(Path(dest) / c.picture)) << c.picture;
    }
}

TEST_F(GenerateCli, DestinationOfTheSiteOrOfTheCommandLine) {
    const std::string before = Slurp(Path("site.json"));

    // --dest creates what it names, however deep, and leaves the site file alone.
    RunResult r = Run({"generate", "site.json", "--dest", "new\\deeper", "--resources", "res"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("new/deeper/index.htm")));
    EXPECT_EQ(Slurp(Path("site.json")), before);

    // Without --dest the site's own destination is used, and it must exist already.
    r = Run({"generate", "site.json", "--resources", "res"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(Path("site-out")));
    fs::create_directory(Path("site-out"));
    r = Run({"generate", "site.json", "--resources", "res"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("site-out/index.htm")));
}

TEST_F(GenerateCli, AbortedRunExitsOneWithMessageLines) {
    // A new document's destination names a drive, which nothing on this host is.
    Write("drive.json",
          R"({"items": [{"tag": "Index"}], "generate": {"destDir": "C:\\homepage"}})");
    const RunResult r = Run({"generate", "drive.json", "--resources", "res"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Generating... C:\\homepage\\index.htm\n");
    EXPECT_EQ(r.err,
              "CreatePage() ERROR: Unable to open destination file C:\\homepage\\index.htm\n"
              "OnDogenerte(): Fatal error. Processing aborted.\n");
}

TEST_F(GenerateCli, ResourcesDefaultToTheCurrentDirectory) {
    // No templates here: every page reports its template (the section is never reached without
    // its page's template), and the run still ends as done.
    RunResult r = Run({"generate", "site.json", "--dest", "out"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "CreateNode() ERROR: Unable to open template file: templates\\Default.hdr.txt\n"
              "CreateNode() ERROR: Unable to open template file: templates\\Default.hdr.txt\n");
    EXPECT_NE(r.out.find("Unable to open images\\folio32.jpg for read.\n"), std::string::npos);
    EXPECT_EQ(Slurp(Path("out/index.htm")), "");

    fs::rename(Path("res/templates"), Path("templates"));
    r = Run({"generate", "site.json", "--dest", "out"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(Slurp(Path("out/index.htm")).find("index.htm#main"), std::string::npos);
}

TEST_F(GenerateCli, UnreadableSiteOrBadCommandLineExitsTwo) {
    Write("broken.json", "{\"items\": [\n{\"tag\": }]}");
    Write("cut.fol", "\x05\x00\x00\x00Ren"sv);
    Write("site.txt", kSite);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"broken.json"}, "broken.json: items[0].tag: parse error at line 2"},
        {{"cut.fol"}, "cut.fol: offset "},
        {{"missing.FOL"}, "missing.FOL"},
        {{"site.txt"}, "site.txt: unknown format"},
        {{}, "SITE is required"},
        {{"site.json", "--resources", "nosuch"}, "nosuch"},
        {{"site.json", "--colour"}, "--colour"},
        {{"site.json", "extra.json"}, "extra.json"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"generate", "--dest", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
        EXPECT_FALSE(fs::exists(Path("out"))) << c.message;
    }
}

TEST_F(GenerateCli, SiteDocumentInAnyCase) {
    ASSERT_EQ(Run({"convert", "site.json", "SITE.FOL"}).status, 0);
    const RunResult r = Run({"generate", "SITE.FOL", "--dest", "out", "--resources", "res"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("out/index.htm")));
}

// Run under `script`, standard error is a terminal: the bar is drawn with carriage returns and
// the run ends with a beep; --quiet turns both off. The log never gets any of it.
TEST_F(GenerateCli, ProgressBarAndBeepOnlyOnATerminal) {
    if (std::system("script --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script";
    for (const bool quiet : {false, true}) {
        std::string command =
            Command({"generate", "site.json", "--dest", "out", "--resources", "res"});
        if (quiet) command += " --quiet";
        command += " >log.txt";
        const std::string outer = "script -qec " + Quote(command) + " " +
                                  Quote(Path("terminal.txt").string()) + " >/dev/null";
        const int raw = std::system(outer.c_str());
        ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << outer;
        const std::string terminal = Slurp(Path("terminal.txt"));
        EXPECT_EQ(terminal.find("\r[") != std::string::npos, !quiet) << terminal;
        EXPECT_EQ(terminal.find('\a') != std::string::npos, !quiet) << terminal;
        const std::string log = Slurp(Path("log.txt"));
        EXPECT_EQ(log.find_first_of("\r\a["), std::string::npos) << log;
        EXPECT_NE(log.find("Generating... out\\index.htm\n"), std::string::npos) << log;
    }
}

// The example site that ships, with the templates and pictures that ship: every page passes
// tidy, in both file types.
TEST_F(GenerateCli, ShippedExampleGeneratesPagesThatTidyAccepts) {
    const bool haveTidy = std::system("tidy -v >/dev/null 2>&1") == 0;
    for (const std::string ext : {".htm", ".html"}) {
        const std::string dest = "example" + ext;
        std::vector<std::string> args = {"generate",    FOLIO32_SHARE_DIR "/example/site.json",
                                         "--dest",      dest,
                                         "--resources", FOLIO32_SHARE_DIR};
        if (ext == ".html") args.push_back("--html");
        const RunResult r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.find("Unable"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("macro"), std::string::npos) << r.out;
        EXPECT_TRUE(fs::exists(Path(dest) / ("index" + ext)));
        if (!haveTidy) continue;
        for (const auto& entry : fs::directory_iterator(Path(dest))) {
            if (entry.path().extension() != ext) continue;
            const fs::path report = Path("tidy.txt");
            const int raw = std::system(("tidy -errors -quiet " + Quote(entry.path().string()) +
                                         " >/dev/null 2>" + Quote(report.string()))
                                            .c_str());
            const std::string text = Slurp(report);
            // tidy exits with 1 for warnings, 2 for errors.
            EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) < 2) << entry.path() << "\n" << text;
            EXPECT_EQ(text.find("Error:"), std::string::npos) << entry.path() << "\n" << text;
        }
    }
    if (!haveTidy) GTEST_SKIP() << "tidy is not installed";
}

}  // namespace
}  // namespace folio
