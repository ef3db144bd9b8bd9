// Template files: reading them in pieces, the four bracketed constructs and comments. A template
// is compiled once per run into a list of steps; every object expands that list.
#include <algorithm>
#include <cctype>
#include <climits>

#include "generator/Expansion.h"

namespace folio {

namespace {

// The reading unit: a line of up to 258 characters and its line feed.
constexpr std::size_t kPieceSize = 259;

const char* TemplateSuffix(std::int32_t type) {
    switch (type) {
        case NODE_PARAGRAPH:
            return ".pgh.txt";
        case NODE_LINK:
            return ".lnk.txt";
        default:
            return ".hdr.txt";
    }
}

bool IsRefusedAssignment(int index) {
    return index == MACRO_HOMENAME || index == MACRO_PARENTNAME || index == MACRO_LEVEL ||
           index == MACRO_UPNAME || index == MACRO_MORELINKS;
}

// Reads a decimal integer the way the C library's atoi does: leading blanks, one sign, digits up
// to the first non-digit; no digits reads as 0. Saturates instead of overflowing.
long long ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    return negative ? -value : value;
}

using Step = TemplateStep;

// Turns a template's text into steps. Everything that depends only on the text is decided here
// (pieces, comments, bracket contents, name lookups and the log lines of malformed constructs);
// what depends on the object stays a step.
class TemplateCompiler {
  public:
    std::vector<Step> Compile(std::string_view all) {
        std::size_t pos = 0;
        while (pos < all.size()) {
            std::size_t end = std::min(pos + kPieceSize, all.size());
            const std::size_t lf = all.find('\n', pos);
            if (lf != std::string_view::npos && lf < end) end = lf + 1;
            const std::string_view piece = all.substr(pos, end - pos);
            pos = end;
            if (piece.front() == '#') continue;  // a comment
            Piece(piece);
        }
        return std::move(steps_);
    }

  private:
    void Piece(std::string_view piece) {
        const std::size_t first = steps_.size();
        std::size_t i = 0;
        while (i < piece.size()) {
            const std::size_t open = piece.find('[', i);
            if (open == std::string_view::npos) {
                AddText(piece.substr(i));
                break;
            }
            AddText(piece.substr(i, open - i));
            const char kind = open + 1 < piece.size() ? piece[open + 1] : '\0';
            const bool marked = kind == '@' || kind == '?' || kind == '/';
            const std::size_t start = open + (marked ? 2 : 1);
            const std::size_t close = piece.find(']', start);
            const std::size_t contentEnd = close == std::string_view::npos ? piece.size() : close;
            const std::string_view content = piece.substr(start, contentEnd - start);
            std::size_t next = close == std::string_view::npos ? piece.size() : close + 1;

            if (kind == '@') {
                Assignment(content);
            } else if (kind == '?') {
                Conditional(content);
            } else {
                Reference(content, kind == '/');
            }
            if (marked && kind != '/' && next < piece.size() && piece[next] == '\n') ++next;
            i = next;
        }
        // A failing conditional goes on after this piece; text is not joined across that point.
        bool tested = false;
        for (std::size_t k = first; k < steps_.size(); ++k) {
            if (steps_[k].kind == Step::IfLevel || steps_[k].kind == Step::IfMoreLinks) {
                steps_[k].skipTo = steps_.size();
                tested = true;
            }
        }
        if (tested) joinFloor_ = steps_.size();
    }

    void AddText(std::string_view text) {
        if (text.empty()) return;
        if (steps_.size() > joinFloor_ && steps_.back().kind == Step::Text) {
            steps_.back().text.append(text);
            return;
        }
        Add(Step::Text, -1, text);
    }

    void Add(Step::Kind kind, int index, std::string_view text) {
        Step step;
        step.kind = kind;
        step.index = index;
        step.text.assign(text);
        steps_.push_back(std::move(step));
    }

    void Log(std::string text) { Add(Step::Log, -1, text); }

    // The lookup of an assignment or conditional: the macro index, with the value after the first
    // "=", or -1 after the log line of the failed lookup.
    int AssignMacro(std::string_view content, std::string_view& value) {
        const MacroLookup found = LookupMacro(content, true);
        if (found.error == MacroLookup::Syntax) {
            Log("Syntax error (in template file): " + std::string(content));
            return -1;
        }
        if (found.error == MacroLookup::Unknown) {
            Log("Unknown macro name (in template file) : " + found.upperName);
            return -1;
        }
        value = content.substr(found.valueAt);
        return found.index;
    }

    void Assignment(std::string_view content) {
        std::string_view value;
        const int index = AssignMacro(content, value);
        if (index < 0) return;
        if (IsRefusedAssignment(index)) {
            Add(Step::Store, index, value);
            Log("Dont know how to assgn value to macro: " + std::string(content));
        } else {
            Add(value.empty() ? Step::Store : Step::Assign, index, value);
        }
    }

    void Conditional(std::string_view content) {
        std::string_view value;
        const int index = AssignMacro(content, value);
        if (index >= 0) Add(Step::Store, index, value);
        if (index == MACRO_LEVEL) {
            Add(Step::IfLevel, index, {});
            steps_.back().level = ReadDecimal(value);
        } else if (index == MACRO_MORELINKS) {
            Add(Step::IfMoreLinks, index, {});
        } else {
            Log("Dont know contitional statement: " + std::string(content));
        }
    }

    void Reference(std::string_view content, bool closing) {
        const MacroLookup found = LookupMacro(content, false);
        if (found.error == MacroLookup::Syntax) {
            Log("Syntax error (in template file): " + std::string(content));
        } else if (found.error == MacroLookup::Unknown) {
            Log("Unknown macro name (in template file) : " + found.upperName);
        } else if (!closing) {
            Add(Step::Insert, found.index, {});
        } else {
            const std::size_t eq = content.rfind('=');
            if (eq != std::string_view::npos) {
                Add(Step::CloseText, found.index, content.substr(eq + 1));
            } else {
                Add(Step::Close, found.index, {});
            }
        }
    }

    std::vector<Step> steps_;
    std::size_t joinFloor_ = 0;  // text steps before this index are not extended
};

}  // namespace

const std::string* PageGenerator::CachedText(const std::string& fileName) {
    auto it = texts_.find(fileName);
    if (it == texts_.end()) {
        std::optional<std::string> text;
        std::string content;
        if (env_.files.ReadText(fileName, content)) text = std::move(content);
        it = texts_.emplace(fileName, std::move(text)).first;
    }
    return it->second ? &*it->second : nullptr;
}

CompiledTemplate* PageGenerator::Compiled(const std::string& fileName) {
    auto it = templates_.find(fileName);
    if (it == templates_.end()) {
        std::optional<CompiledTemplate> compiled;
        std::string content;
        if (env_.files.ReadText(fileName, content)) {
            compiled.emplace();
            compiled->steps = TemplateCompiler().Compile(content);
            for (const TemplateStep& step : compiled->steps) {
                if (step.kind == TemplateStep::Text) compiled->textSize += step.text.size();
            }
        }
        it = templates_.emplace(fileName, std::move(compiled)).first;
    }
    return it->second ? &*it->second : nullptr;
}

std::unique_ptr<CMacroTable> PageGenerator::CreateNode(const SiteItem* item, int depth) {
    auto table = std::make_unique<CMacroTable>();
    if (!item || !item->Node()) return table;
    const CNode& node = *item->Node();
    const std::string fileName =
        "templates\\" + node.m_Info.m_strTemplate + TemplateSuffix(node.m_nType);

    env_.reporter.StepProgress();
    env_.reporter.SetCurrentTag(GetTag(item));

    CompiledTemplate* compiled = Compiled(fileName);
    if (!compiled) {
        env_.messages.Show("Unable to open template file: " + fileName, "CreateNode() ERROR",
                           MsgIcon::Exclamation);
        return table;
    }
    log_ += "Parsing template file: ";
    AppendLog(fileName);

    Expansion x{*table, item, node, depth};
    RunSteps(x, *compiled);
    return table;
}

void PageGenerator::RunSteps(Expansion& x, CompiledTemplate& compiled) {
    const std::vector<TemplateStep>& steps = compiled.steps;
    CMacroTable& t = x.table;
    std::string& out = t.m_strOutput;
    // Room for what the template's last object needed, or for the literal text and about as much
    // again of macro text.
    out.reserve(std::max(compiled.lastOutput, 2 * compiled.textSize));
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const TemplateStep& step = steps[k];
        switch (step.kind) {
            case TemplateStep::Text:
                out += step.text;
                break;
            case TemplateStep::Log:
                AppendLog(step.text);
                break;
            case TemplateStep::Store:
                t.m_strValue[step.index] = step.text;
                break;
            case TemplateStep::Assign:
                t.m_strValue[step.index] = step.text;
                Expand(x, step.index);
                break;
            case TemplateStep::IfLevel:
                if (step.level > GetLevel(x.item)) k = step.skipTo - 1;
                break;
            case TemplateStep::IfMoreLinks: {
                const SiteItem* next = x.item->Next();
                if (next && next->Node() && next->Node()->m_nType == NODE_LINK) {
                    k = step.skipTo - 1;
                }
                break;
            }
            case TemplateStep::Insert:
                out += t.m_strExpand[step.index];
                break;
            case TemplateStep::Close: {
                const std::string& expansion = t.m_strExpand[step.index];
                if (!expansion.empty()) {
                    out += "</";
                    out.append(expansion, 1);
                }
                break;
            }
            case TemplateStep::CloseText:
                if (!t.m_strExpand[step.index].empty()) out += step.text;
                break;
        }
    }
    compiled.lastOutput = out.size();
}

}  // namespace folio
