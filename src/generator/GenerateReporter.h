// What a generation run shows while it works. The editor's "Generate HTML pages" dialog and the
// command line implement it; every call has a do-nothing default.
#pragma once

#include <string_view>

namespace folio {

class GenerateReporter {
  public:
    virtual ~GenerateReporter() = default;
    // The "Current file" status line (the page being written, "Copying image files...",
    // "Done...", "Processing aborted...").
    virtual void SetCurrentFile(std::string_view /*text*/) {}
    // The "Current tag" status line (the object being expanded, the picture being copied).
    virtual void SetCurrentTag(std::string_view /*text*/) {}
    // The progress bar: range low..high, step size, one step, absolute position.
    virtual void SetProgressRange(int /*low*/, int /*high*/) {}
    virtual void SetProgressStep(int /*step*/) {}
    virtual void StepProgress() {}
    virtual void SetProgressPos(int /*pos*/) {}
    // The generation log, lines ended by CR LF, shown when the run ends.
    virtual void ShowLog(std::string_view /*log*/) {}
};

}  // namespace folio
