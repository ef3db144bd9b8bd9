// The one way libraries talk to the user. The original showed these as modal message boxes;
// the Qt front ends show them the same way, the command-line front ends print them.
#pragma once

#include <string_view>

namespace folio {

enum class MsgIcon { None, Information, Exclamation, Question, Stop };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Shows `text` with an optional caption and returns the button chosen. A sink that cannot
    // ask (an unattended run) answers with the first button of the set.
    virtual MsgAnswer Show(std::string_view text, std::string_view caption = {},
                           MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok) = 0;
    // The default beep of the system.
    virtual void Beep() {}
};

}  // namespace folio
