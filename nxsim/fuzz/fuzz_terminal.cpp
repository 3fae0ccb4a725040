// Any bytes typed at the terminal, answering the dialogs a tool opens (a selection,
// a styler dialog, a choice, a question, part names), end in answers or in the run
// stopping, never a crash; and what was answered replays as an engineer script.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host.h"
#include "session_file.h"
#include "terminal.h"
#include "uf.h"
#include "uf_styler.h"
#include "uf_ui.h"

namespace {

namespace fs = std::filesystem;

const char kSession[] = R"({"display": "@DB/ASM/A", "parts": [
  {"name": "@DB/ASM/A", "components": [
    {"name": "SUB", "part": "@DB/SUB/A"}, {"name": "R", "part": "@DB/RIV/A", "attributes": {"RIVET": "work"}},
    {"name": "R", "part": "@DB/RIV/A", "origin": [4, 5, 6]}]},
  {"name": "@DB/SUB/A", "bodies": 1, "components": [{"name": "R1", "part": "@DB/RIV/A"}]},
  {"name": "@DB/RIV/A", "bodies": 1}]})";

const char kDialog[] = R"({"title": "T", "buttons": ["ok", "apply", "cancel", "back"], "items": [
  {"id": "NAME", "kind": "text", "value": "file"}, {"id": "N", "kind": "integer", "value": 3},
  {"id": "X", "kind": "real", "value": 1.5}, {"id": "ON", "kind": "toggle"},
  {"id": "LIST", "kind": "list", "entries": ["a", "b", "c"]}]})";

int on_callback(int, void *, UF_STYLER_item_value_type_p_t) { return 0; }

// The drives of the runs, made once per fuzzing process and removed when it ends.
struct RunFolder {
    fs::path path;
    ~RunFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

fs::path run_dir() {
    static RunFolder folder{[] {
        char pattern[] = "/tmp/fuzz-terminal-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("fuzz_terminal: no run folder in /tmp");
            std::abort();
        }
        fs::path d = pattern;
        fs::create_directories(d / "D" / "application");
        std::ofstream(d / "D" / "application" / "t.dlg") << kDialog;
        return d;
    }()};
    return folder.path;
}

int one_input(const uint8_t *data, size_t size) {
    using namespace nxsim;
    auto session = session_from_json(parse_json_text(kSession, "session"), "session");
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    std::ostringstream out;
    // Not the wall clock, which would make an input play differently on a busy machine:
    // each look at the time finds 0.6 s more, so some answers take a wait and some none.
    double seconds = 0;
    TerminalEngineer engineer(in, out, default_clock(), [&seconds] { return seconds += 0.6; });
    Host &h = Host::get();
    h.reset();
    h.session = session.get();
    h.engineer = &engineer;
    h.run_dir = run_dir();
    h.clock = default_clock();

    UF_initialize();
    int response = 0, count = 0;
    tag_t *objects = nullptr;
    UF_UI_select_with_class_dialog("Pick rivets", "Rivets", UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, nullptr, nullptr,
                                   &response, &count, &objects);
    UF_free(objects);
    UF_STYLER_callback_info_t table[] = {{UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, on_callback},
                                         {"NAME", UF_STYLER_ACTIVATE_CB, 0, on_callback},
                                         {"LIST", UF_STYLER_ACTIVATE_CB, 0, on_callback},
                                         {UF_STYLER_NULL_OBJECT, UF_STYLER_OK_CB, 0, on_callback},
                                         {UF_STYLER_NULL_OBJECT, UF_STYLER_APPLY_CB, 0, on_callback}};
    UF_STYLER_create_dialog("D:\\application\\t.dlg", table, 5, nullptr, &response);
    char options[2][UF_CHOICE_OPTION_SIZE] = {"First", "Second"};
    uc1603("Choose", 1, options, 2);
    char line[] = "Go on?";
    char *lines[] = {line};
    UF_UI_message_buttons_t buttons{};
    buttons.button1 = TRUE;
    buttons.button3 = TRUE;
    buttons.label1 = "Yes";
    buttons.label3 = "No";
    buttons.response1 = 1;
    buttons.response3 = 2;
    UF_UI_message_dialog("Question", UF_UI_MESSAGE_QUESTION, lines, 1, FALSE, &buttons, &response);
    char name[MAX_FSPEC_SIZE + 1] = "";
    UF_UI_ugmgr_ask_create_part_name("Name", name, &response);
    UF_terminate();
    engineer.show_transcript();

    // What was answered is an engineer script that loads.
    std::string recording = engineer.recording();
    try {
        script_from_json(parse_json_text(recording, "recording"), "recording");
    } catch (const InputError &e) {
        std::fprintf(stderr, "the recording does not load: %s\n%s\n", e.what(), recording.c_str());
        std::abort();
    }
    h.reset();
    h.session = nullptr;
    h.engineer = nullptr;
    return 0;
}

}  // namespace

// Whatever escapes is a finding; its message is printed before the abort that reports it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        return one_input(data, size);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "fuzz_terminal: uncaught %s\n", e.what());
        std::abort();
    }
}
