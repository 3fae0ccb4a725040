// The engineer script: the clock, the faults to inject and the engineer's answers.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "export.h"
#include "json_error.h"
#include "uf.h"

namespace nxsim {

enum class ActionKind { Select, Styler, Choice, MessageDialog, PartName, NewPart, OpenPart, Wait };
NXSIM_EXPORT const char *action_name(ActionKind kind);

enum class Press { Ok, Apply, Cancel, Back, Code };

struct StylerStep {
    enum class Kind { Type, Enter, Pick, Button } kind = Kind::Button;
    std::string where;
    std::string item;
    // type/enter: the value as a text (Windows-1251) and, when numeric, as a number.
    std::string text;
    std::optional<double> number;
    // pick: by entry index or by entry text
    int entry = -1;
    std::optional<std::string> entry_text;
    Press press = Press::Ok;
    int code = 0;
};

struct Action {
    ActionKind kind = ActionKind::Wait;
    std::string where;  // "actions[3]"
    // select
    std::vector<std::string> picks;  // references, Windows-1251
    Press press = Press::Ok;
    int code = 0;
    // styler
    std::vector<StylerStep> steps;
    // choice, message_dialog: a code or a text to match
    std::optional<std::string> answer_text;
    // part_name, new_part, open_part: nullopt is Cancel
    std::optional<std::string> name;
    int units = 0;  // 0: as offered
    // wait
    double seconds = 0;
    double cpu = 0;
};

struct Fault {
    std::string call;  // by name and count...
    long nth = 0;
    long at = 0;  // ...or by the running count of all host calls
    int code = 1;
};

// A drive folder that must not exist, and where the script names it.
struct MissingFolder {
    std::string path;
    std::string where;  // "script.json: missing[0]"
};

struct Script {
    std::string source;
    std::time_t clock = 0;  // local time, held as seconds since 1970 with no zone
    std::vector<MissingFolder> missing;
    std::vector<Fault> faults;
    std::vector<Action> actions;
};

NXSIM_EXPORT std::time_t default_clock();
// A clock as a script writes it: "2026-12-07 09:30:00".
NXSIM_EXPORT std::string clock_text(std::time_t t);
NXSIM_EXPORT Script load_script(const std::filesystem::path &path);
NXSIM_EXPORT Script script_from_json(const Json &json, const std::string &source);

}  // namespace nxsim
