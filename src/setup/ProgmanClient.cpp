#include "setup/ProgmanClient.h"

#include <cstdlib>

namespace folio::setup {

using namespace folio::win;

namespace {

const char* kProgman = "PROGMAN";

// An open conversation, closed when it goes.
class Conversation {
  public:
    explicit Conversation(WinSystem& sys) : sys_(sys) {
        if (sys_.DdeConnect(kProgman, kProgman, conv_) != DMLERR_NO_ERROR) conv_ = 0;
    }
    ~Conversation() {
        if (conv_ != 0) sys_.DdeDisconnect(conv_);
    }
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    // An execute transaction; without a conversation it fails as the system's would. Most
    // commands go with their terminating zero as part of the data; ShowGroup goes without.
    bool Execute(const std::string& command, Dword timeout, bool withZero = true) {
        if (conv_ == 0) return false;
        const std::string_view data(command.c_str(), command.size() + (withZero ? 1 : 0));
        return sys_.DdeExecute(conv_, data, timeout) == DMLERR_NO_ERROR;
    }
    bool ExecuteShowGroup(std::string_view group) {
        return Execute(PmShowGroupCommand(group), kPmGroupTimeout, false);
    }
    bool Request(std::string_view item, std::string& reply) {
        return conv_ != 0 && sys_.DdeRequest(conv_, item, kPmItemTimeout, reply) == DMLERR_NO_ERROR;
    }

  private:
    WinSystem& sys_;
    WinSystem::Conversation conv_ = 0;
};

bool Fits(const std::string& command, std::size_t buffer) { return command.size() < buffer; }

std::string Refusal(std::string_view name, const std::string& problem) {
    return "The Program Manager name \"" + std::string(name) + "\" " + problem +
           "; it is not sent to Program Manager.";
}

}  // namespace

std::string PmNameProblem(std::string_view name, bool isGroup) {
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == ',' || c == '(' || c == ')' || c == '[' || c == ']' || u < 0x20) {
            return "contains a quote, comma, parenthesis, bracket or control character";
        }
        if (isGroup && c == '@') return "contains an \"@\"";
    }
    if (name.empty()) return "is empty";
    return {};
}

std::string PmCreateGroupCommand(std::string_view group) {
    return "[CreateGroup(" + std::string(group) + ")]";
}
std::string PmShowGroupCommand(std::string_view group) {
    return "[ShowGroup(" + std::string(group) + ",1)]";
}
std::string PmDeleteGroupCommand(std::string_view group) {
    return "[DeleteGroup(" + std::string(group) + ")]";
}
std::string PmDeleteItemCommand(std::string_view item) {
    return "[DeleteItem(" + std::string(item) + ")]";
}
std::string PmReplaceItemCommand(std::string_view item) {
    return "[ReplaceItem(\"" + std::string(item) + "\")]";
}
std::string PmAddItemCommand(std::string_view item, std::string_view target) {
    const std::size_t slash = target.rfind('\\');
    const std::string_view dir = slash == std::string_view::npos ? target : target.substr(0, slash);
    std::string t(target);
    return "[AddItem(\"" + t + "\",\"" + std::string(item) + "\",\"" + t + "\",0,0,0,\"" +
           std::string(dir) + "\")]";
}

int PmCreateGroup(WinSystem& sys, MessageSink& sink, std::string_view group) {
    const std::string create = PmCreateGroupCommand(group);
    const std::string show = PmShowGroupCommand(group);
    std::string problem = PmNameProblem(group, true);
    if (problem.empty() && !Fits(show, kPmGroupBuffer)) problem = "is too long";
    if (!problem.empty()) {
        sink.Show(Refusal(group, problem));
        return 0;
    }
    Conversation conv(sys);
    if (!conv.Execute(create, kPmGroupTimeout)) sink.Show("DdeClientTransaction Failed");
    // Items are added to the current group: 0 tells the caller that this one did not become it.
    return conv.ExecuteShowGroup(group) ? 1 : 0;
}

int PmAddItem(WinSystem& sys, MessageSink& sink, std::string_view item, std::string_view target) {
    const std::string add = PmAddItemCommand(item, target);
    std::string problem = PmNameProblem(item, false);
    if (problem.empty() && !Fits(add, kPmItemBuffer)) problem = "is too long";
    if (!problem.empty()) {
        sink.Show(Refusal(item, problem));
        return 0;
    }
    Conversation conv(sys);
    conv.Execute(PmReplaceItemCommand(item), kPmItemTimeout);
    conv.Execute(add, kPmItemTimeout);
    return 1;
}

int PmListGroups(WinSystem& sys, std::vector<std::string>& groups) {
    std::string reply;
    {
        Conversation conv(sys);
        if (!conv.Request("Groups", reply)) return 1;
    }
    std::size_t start = 0;
    while (start < reply.size()) {
        std::size_t lf = reply.find('\n', start);
        if (lf == std::string::npos) lf = reply.size();
        std::string piece = reply.substr(start, lf - start);
        const std::size_t cr = piece.rfind('\r');
        if (cr != std::string::npos) piece.resize(cr);
        groups.push_back(std::move(piece));
        start = lf + 1;
    }
    return 1;
}

int PmGroupIsEmpty(WinSystem& sys, std::string_view group) {
    std::string reply;
    {
        Conversation conv(sys);
        if (!conv.Request(group, reply)) return 0;
    }
    const std::size_t first = reply.find(',');
    if (first == std::string::npos) return 0;
    const std::size_t second = reply.find(',', first + 1);
    if (second == std::string::npos) return 0;
    return std::atoi(reply.c_str() + second + 1) == 0 ? 1 : 0;
}

int PmDeleteGroup(WinSystem& sys, MessageSink& console, std::string_view group) {
    const std::string del = PmDeleteGroupCommand(group);
    std::string problem = PmNameProblem(group, false);
    if (problem.empty() && !Fits(PmShowGroupCommand(group), kPmGroupBuffer)) {
        problem = "is too long";
    }
    if (!problem.empty()) {
        console.Show(Refusal(group, problem) + "\n");
        return 0;
    }
    Conversation conv(sys);
    if (!conv.Execute(del, kPmGroupTimeout)) console.Show("***DdeClientTransaction Failed");
    conv.ExecuteShowGroup(group);
    return 1;
}

int PmDeleteItem(WinSystem& sys, MessageSink& console, std::string_view group,
                 std::string_view item) {
    std::string problem = PmNameProblem(group, false);
    std::string_view bad = group;
    if (problem.empty() && !Fits(PmShowGroupCommand(group), kPmGroupBuffer)) {
        problem = "is too long";
    }
    if (problem.empty()) {
        bad = item;
        problem = PmNameProblem(item, false);
        if (problem.empty() && !Fits(PmDeleteItemCommand(item), kPmGroupBuffer)) {
            problem = "is too long";
        }
    }
    if (!problem.empty()) {
        console.Show(Refusal(bad, problem) + "\n");
        return 0;
    }
    Conversation conv(sys);
    conv.ExecuteShowGroup(group);
    if (!conv.Execute(PmDeleteItemCommand(item), kPmGroupTimeout)) {
        console.Show("****DdeClientTransaction Failed");
    }
    return 1;
}

}  // namespace folio::setup
