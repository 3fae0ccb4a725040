// What the engineer may type at the terminal, one line at a time, read into the answer
// it stands for (or what is wrong with it). Texts come in as UTF-8 and leave as the
// host holds them (Windows-1251); nothing here shows, records or asks the host.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog_file.h"
#include "json_error.h"
#include "script.h"

namespace nxsim::terminal {

std::string trim(const std::string &s);
std::string lower(std::string s);
// The first word and the rest of the line, both trimmed.
std::pair<std::string, std::string> split_first(const std::string &line);
std::vector<std::string> words(const std::string &line);
bool parse_integer(const std::string &s, long long &value);
bool parse_number(const std::string &s, double &value);
// A text as typed: a JSON string when it starts with a quote (for blanks at the ends,
// an empty text or a text that would read as a word of the dialog), else as it stands.
std::optional<std::string> typed_text(const std::string &raw);

// A line typed in a selection. `listed` is how many objects the last list numbered.
struct SelectionLine {
    enum class Kind { Help, List, Tree, Press, Numbers, Reference, Problem } kind = Kind::Problem;
    Press press = Press::Ok;  // Press: ok, back, cancel, or respond with `code`
    int code = 0;
    std::string pattern;          // List: Windows-1251, empty for all
    std::vector<size_t> numbers;  // Numbers: positions in the last list, from 1
    std::string reference;        // Reference: Windows-1251
    std::string problem;          // Problem: what the engineer is told
};
SelectionLine read_selection(const std::string &line, size_t listed, bool single);

// A choice's code (1 back, 2 cancel, 19, or 5 and up for the options), or nullopt.
std::optional<int> read_choice(const std::string &line, const std::vector<std::string> &options);

// A question's answer: help, or the response of the button named or numbered.
struct QuestionLine {
    bool help = false;
    std::optional<int> response;
};
QuestionLine read_question(const std::string &line, const std::vector<std::string> &options,
                           const std::vector<int> &responses);

// A part name dialog's answer as the script carries it under `key` ("part_name",
// "new_part", "open_part"; null for cancel), with "units" when a new part's are given.
struct PartLine {
    bool help = false;
    std::optional<Json> record;
    std::string problem;
};
PartLine read_part(const std::string &line, const char *key, bool new_part);

// A dialog step as the script would carry it ("ok", {"enter": ...}, ...), or what is wrong.
struct StepLine {
    std::optional<Json> step;
    std::string problem;
};
StepLine read_step(const DialogLayout &dialog, const std::string &line);

}  // namespace nxsim::terminal
