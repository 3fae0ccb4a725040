#include "render_findings.h"

#include <fstream>

#include "cp1251.h"
#include "files.h"
#include "json_error.h"

namespace nxsim::render {
namespace {

namespace fs = std::filesystem;

// The log's lines are Windows-1251; the markers are written here in UTF-8.
std::string cp(const char *utf8) { return utf8_to_cp1251(utf8).value(); }

bool starts_with(const std::string &s, const std::string &prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// "... <grip_lng>= 9.5 \tline=218" -> "... <grip_lng>= 9.5": the line number means
// nothing to the reader of the picture.
std::string without_line_number(std::string text) {
    size_t at = text.rfind("line=");
    if (at != std::string::npos) {
        text.erase(at);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    }
    return text;
}

}  // namespace

std::vector<Finding> read_findings(const fs::path &path) {
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!in || !fs::is_regular_file(path, ec)) {
        std::string why = unreadable_reason(path);
        throw InputError(path.string() + ": cannot read the route check's log: " + (why.empty() ? "not a file" : why));
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(path.string() + ": cannot be read");

    static const std::string in_route = cp("в маршруте <");
    static const std::string rivet = cp("> заклепка <");
    static const std::string over_limit = cp("> больше 99 заклепок");
    static const std::string no_point_id = cp("отсутствие атрибута <point_id> у заклепки в маршруте <");

    std::vector<Finding> findings;
    size_t start = 0;
    int number = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        line.erase(0, first);

        Finding f;
        f.line = number;
        if (starts_with(line, in_route)) {
            std::string rest = line.substr(in_route.size());
            size_t r = rest.find(rivet);
            if (r != std::string::npos) {
                std::string after = rest.substr(r + rivet.size());
                size_t dash = after.find("> - ");
                if (dash == std::string::npos) continue;
                f.route = rest.substr(0, r);
                f.point_id = after.substr(0, dash);
                f.text = cp1251_to_utf8(without_line_number(after.substr(dash + 4)));
            } else {
                size_t o = rest.find(over_limit);
                if (o == std::string::npos) continue;
                f.route = rest.substr(0, o);
                f.whole_route = true;
                f.text = cp1251_to_utf8(without_line_number(line));
            }
        } else if (starts_with(line, no_point_id)) {
            std::string rest = line.substr(no_point_id.size());
            size_t close = rest.rfind('>');
            if (close == std::string::npos) continue;
            f.route = rest.substr(0, close);
            f.whole_route = true;
            f.text = cp1251_to_utf8(line);
        } else {
            continue;
        }
        findings.push_back(std::move(f));
    }
    return findings;
}

// The route check keeps 19 characters of a point identifier: a finding naming
// exactly 19 characters stands for every identifier that begins with them.
constexpr size_t kCheckedPointIdLength = 19;

bool names_point(const std::string &named, const std::string &point_id) {
    if (named == point_id) return true;
    return named.size() == kCheckedPointIdLength && point_id.size() > named.size() && starts_with(point_id, named);
}

}  // namespace nxsim::render
