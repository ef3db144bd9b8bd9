// A console whose input is given up front and whose output is kept.
#pragma once

#include <string>

#include "uninstall/Uninstaller.h"

namespace folio::uninstall::test {

class ScriptedConsole : public Console {
  public:
    explicit ScriptedConsole(std::string input) : input_(std::move(input)) {}
    void Write(std::string_view text) override { out += text; }
    int ReadChar() override {
        return pos_ < input_.size() ? static_cast<unsigned char>(input_[pos_++]) : -1;
    }
    void DiscardInput() override {
        while (pos_ < input_.size() && input_[pos_++] != '\n') {
        }
    }
    std::string out;

  private:
    std::string input_;
    std::size_t pos_ = 0;
};

}  // namespace folio::uninstall::test
