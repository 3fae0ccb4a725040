// The engineer who answers the tool's dialogs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dialog_file.h"
#include "export.h"
#include "script.h"
#include "uf.h"
#include "uf_styler.h"

struct UF_UI_selection_s;

namespace nxsim {

// A dialog the tool opened from a dialog file, as the engineer is shown it.
struct NXSIM_EXPORT Dialog {
    int id = 0;
    std::string path;
    DialogLayout layout;
    std::vector<UF_STYLER_callback_info_t> callbacks;
    void *client_data = nullptr;
    bool open = true;
    int response = 0;
    DialogItem *item(const std::string &id);
};

// What the tool shows in a modal dialog. Texts are the tool's own (Windows-1251).
struct DialogView {
    ActionKind kind = ActionKind::Wait;
    std::string line;  // the dialog as the transcript names it, for messages
    std::string title;
    // selection
    std::string cue;
    bool single = false;
    const UF_UI_selection_s *selection = nullptr;
    // Objects below the displayed part that the mask and the filter accept, in tree order.
    std::function<std::vector<tag_t>()> candidates;
    // choice: the options; question: the message lines, the button labels and responses
    std::vector<std::string> lines;
    std::vector<std::string> options;
    std::vector<int> responses;
    int type = 0;   // question
    int units = 0;  // new part: the units offered
};

class NXSIM_EXPORT Engineer {
public:
    virtual ~Engineer() = default;
    // The answer to a modal dialog. nullptr: the run is stopping (the host answers
    // Cancel); the reason is in Host::script_error.
    virtual const Action *next(const DialogView &view) = 0;
    // Inside a selection answered by `a`: the reference of pick k, or nullptr when
    // the engineer presses the button held in a.press (or the run is stopping).
    virtual const std::string *next_pick(const Action &a, size_t k, const DialogView &view) = 0;
    // Inside a styler dialog answered by `a`, after its constructor and each step:
    // step k, or nullptr when there is none (or the run is stopping).
    virtual const StylerStep *next_step(const Action &a, size_t k, const Dialog &dialog) = 0;
    // The dialog answered by `a` has closed; the tool goes on.
    virtual void closed(const Action &) {}
    // Answers never asked for, described for a message.
    virtual std::vector<std::string> unused() const = 0;
};

// Answers from a script, in order; the waits before an answer pass the clock.
class NXSIM_EXPORT ScriptEngineer : public Engineer {
public:
    explicit ScriptEngineer(const Script &script) : script_(script) {}
    const Action *next(const DialogView &view) override;
    const std::string *next_pick(const Action &a, size_t k, const DialogView &view) override;
    const StylerStep *next_step(const Action &a, size_t k, const Dialog &dialog) override;
    std::vector<std::string> unused() const override;

private:
    const Script &script_;
    size_t position_ = 0;
};

}  // namespace nxsim
