#include "terminal_grammar.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "cp1251.h"

namespace nxsim::terminal {
namespace {

const DialogItem *find_item(const DialogLayout &d, const std::string &name, std::string &problem) {
    const DialogItem *found = nullptr;
    for (const auto &i : d.items)
        if (i.id == name) return &i;
    for (const auto &i : d.items) {
        if (lower(i.id) != lower(name)) continue;
        if (found != nullptr) {
            problem = "item " + name + " is ambiguous";
            return nullptr;
        }
        found = &i;
    }
    if (found == nullptr) problem = "the dialog has no item " + name;
    return found;
}

StepLine refused(std::string problem) { return {std::nullopt, std::move(problem)}; }

// The value of an item's step ("type", "enter") as the script carries it.
StepLine item_value(const DialogItem &item, Json step, const std::string &value) {
    switch (item.kind) {
    case ItemKind::List: return refused(item.id + " is a list: pick an entry");
    case ItemKind::Text: {
        auto text = typed_text(value);
        if (!text || !utf8_to_cp1251(*text))
            return refused("not a text the dialog can hold (Windows-1251; a quoted text is one JSON string)");
        step["value"] = *text;
        return {step, ""};
    }
    case ItemKind::Integer:
    case ItemKind::Toggle: {
        double n = 0;
        if (!parse_number(value, n) || n != std::floor(n) || n < INT_MIN || n > INT_MAX ||
            (item.kind == ItemKind::Toggle && n != 0 && n != 1))
            return refused(item.id + (item.kind == ItemKind::Toggle ? " takes 0 or 1" : " takes a whole number"));
        step["value"] = static_cast<long long>(n);
        return {step, ""};
    }
    case ItemKind::Real: {
        double n = 0;
        if (!parse_number(value, n)) return refused(item.id + " takes a number");
        step["value"] = n;
        return {step, ""};
    }
    }
    return refused("");
}

}  // namespace

std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::pair<std::string, std::string> split_first(const std::string &line) {
    std::string t = trim(line);
    size_t blank = t.find_first_of(" \t");
    if (blank == std::string::npos) return {t, ""};
    return {t.substr(0, blank), trim(t.substr(blank))};
}

std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> out;
    std::string rest = trim(line);
    while (!rest.empty()) {
        auto [w, r] = split_first(rest);
        out.push_back(w);
        rest = r;
    }
    return out;
}

bool parse_integer(const std::string &s, long long &value) {
    if (s.empty() || s.size() > 12) return false;
    size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
    value = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool parse_number(const std::string &s, double &value) {
    if (s.empty()) return false;
    char *end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(value);
}

std::optional<std::string> typed_text(const std::string &raw) {
    if (raw.empty() || raw[0] != '"') return raw;
    try {
        Json j = Json::parse(raw);
        if (j.is_string()) return j.get<std::string>();
    } catch (const Json::exception &) {
    }
    return std::nullopt;
}

SelectionLine read_selection(const std::string &line, size_t listed, bool single) {
    using Kind = SelectionLine::Kind;
    SelectionLine r;
    auto problem = [&](std::string text) {
        r.kind = Kind::Problem;
        r.problem = std::move(text);
        return r;
    };
    auto press = [&](Press p, int code) {
        r.kind = Kind::Press;
        r.press = p;
        r.code = code;
        return r;
    };
    auto [verb, rest] = split_first(line);
    std::string word = lower(verb);
    if (lower(line) == "help") {
        r.kind = Kind::Help;
        return r;
    }
    if (word == "list") {
        auto pattern = utf8_to_cp1251(rest);
        if (!pattern) return problem("not a Windows-1251 text");
        r.kind = Kind::List;
        r.pattern = *pattern;
        return r;
    }
    if (lower(line) == "tree") {
        r.kind = Kind::Tree;
        return r;
    }
    if (lower(line) == "ok") return press(Press::Ok, 0);
    if (lower(line) == "back") return press(Press::Back, 0);
    if (lower(line) == "cancel") return press(Press::Cancel, 0);
    long long code = 0;
    if (word == "respond" && parse_integer(rest, code) && code >= INT_MIN && code <= INT_MAX)
        return press(Press::Code, static_cast<int>(code));
    if (word == "respond") return problem("respond needs a response number");

    // Numbers and ranges of the last list, or else one reference.
    bool numbers = true;
    for (const auto &w : words(line)) {
        long long from = 0, to = 0;
        size_t dash = w.find('-', 1);
        bool number = w[0] != '+' && w[0] != '-' &&
                      (dash == std::string::npos
                           ? parse_integer(w, from) && (to = from, true)
                           : parse_integer(w.substr(0, dash), from) && parse_integer(w.substr(dash + 1), to));
        if (!number) {
            numbers = false;
            break;
        }
        if (from < 1 || to < from || to > static_cast<long long>(listed))
            return problem(
                w + ": " +
                (listed == 0 ? std::string("nothing is listed") : "the list runs from 1 to " + std::to_string(listed)));
        for (long long n = from; n <= to; ++n) r.numbers.push_back(static_cast<size_t>(n));
    }
    if (numbers) {
        if (single && r.numbers.size() > 1) return problem("the dialog takes one object");
        r.kind = Kind::Numbers;
        return r;
    }
    r.numbers.clear();
    auto text = typed_text(word == "pick" ? rest : line);
    auto ref = text ? utf8_to_cp1251(*text) : std::nullopt;
    if (!ref || ref->empty()) return problem("not a reference; help lists the answers");
    r.kind = Kind::Reference;
    r.reference = *ref;
    return r;
}

std::optional<int> read_choice(const std::string &line, const std::vector<std::string> &options) {
    const int last = 4 + static_cast<int>(options.size());
    auto text = typed_text(line);
    auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
    for (size_t i = 0; bytes && i < options.size(); ++i)
        if (options[i] == *bytes) return 5 + static_cast<int>(i);
    if (line.empty() || line[0] == '"') return std::nullopt;
    long long n = 0;
    if (parse_integer(line, n) && (n == 1 || n == 2 || n == 19 || (n >= 5 && n <= last))) return static_cast<int>(n);
    if (line == "back") return 1;
    if (line == "cancel") return 2;
    return std::nullopt;
}

QuestionLine read_question(const std::string &line, const std::vector<std::string> &options,
                           const std::vector<int> &responses) {
    QuestionLine r;
    auto text = typed_text(line);
    auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
    bool exact = false;
    for (size_t i = 0; bytes && i < options.size(); ++i) exact = exact || options[i] == *bytes;
    if (line == "help" && !exact) {
        r.help = true;
        return r;
    }
    for (size_t i = 0; bytes && i < options.size() && !r.response; ++i)
        if (options[i] == *bytes) r.response = responses[i];
    for (size_t i = 0; bytes && i < options.size() && !r.response; ++i)
        if (lower(options[i]) == lower(*bytes)) r.response = responses[i];
    long long n = 0;
    if (!r.response && !line.empty() && line[0] != '"' && parse_integer(line, n))
        for (int response : responses)
            if (response == n) r.response = response;
    return r;
}

PartLine read_part(const std::string &line, const char *key, bool new_part) {
    PartLine r;
    if (line == "help") {
        r.help = true;
        return r;
    }
    Json record = Json::object();
    if (line == "cancel") {
        record[key] = nullptr;
        r.record = record;
        return r;
    }
    std::string name = line;
    int units = 0;
    auto w = words(line);
    if (new_part && w.size() >= 3 && w[w.size() - 2] == "units" && (w.back() == "1" || w.back() == "2")) {
        units = w.back()[0] - '0';
        name = trim(line.substr(0, line.rfind("units")));
    }
    auto text = typed_text(name);
    if (!text) {
        r.problem = "a quoted name must be one JSON string";
        return r;
    }
    if (!utf8_to_cp1251(*text)) {
        r.problem = "the name holds a character Windows-1251 lacks";
        return r;
    }
    record[key] = *text;
    if (units != 0) record["units"] = units;
    r.record = record;
    return r;
}

StepLine read_step(const DialogLayout &dialog, const std::string &line) {
    auto [verb, rest] = split_first(line);
    std::string word = lower(verb);
    if (rest.empty() && (word == "ok" || word == "apply" || word == "cancel" || word == "back")) {
        if (std::find(dialog.buttons.begin(), dialog.buttons.end(), word) == dialog.buttons.end())
            return refused("the dialog has no " + word + " button");
        return {Json(word), ""};
    }
    if (word == "respond") {
        long long code = 0;
        if (!parse_integer(rest, code) || code < INT_MIN || code > INT_MAX)
            return refused("respond needs a response number");
        return {Json{{"respond", code}}, ""};
    }
    if (word != "type" && word != "enter" && word != "pick") return refused("not a step; help lists them");
    auto [name, value] = split_first(rest);
    if (name.empty()) return refused(word + " needs an item");
    std::string problem;
    const DialogItem *item = find_item(dialog, name, problem);
    if (item == nullptr) return refused(problem);
    if (!item->sensitive) return refused(item->id + " is greyed: it cannot be changed now");
    Json step = Json::object();
    if (word != "pick") {
        step[word] = item->id;
        return item_value(*item, step, value);
    }
    if (item->kind != ItemKind::List) return refused(item->id + " is not a list");
    step["pick"] = item->id;
    long long entry = 0;
    if (!value.empty() && value[0] != '"' && parse_integer(value, entry)) {
        if (entry < 0 || entry >= static_cast<long long>(item->entries.size()))
            return refused(item->id + " has entries 0 to " +
                           std::to_string(static_cast<long long>(item->entries.size()) - 1));
        step["entry"] = entry;
        return {step, ""};
    }
    auto text = typed_text(value);
    auto bytes = text ? utf8_to_cp1251(*text) : std::nullopt;
    if (!bytes || std::find(item->entries.begin(), item->entries.end(), *bytes) == item->entries.end())
        return refused(item->id + " has no such entry");
    step["text"] = *text;
    return {step, ""};
}

}  // namespace nxsim::terminal
