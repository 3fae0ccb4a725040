// Runs the built fpdf_diff program on two issues of a machine file written here as
// the export writes them: every kind of change, the JSON form, and the files that
// neither it nor fpdf_check reads.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "common/fpdf_reader.h"
#include "compare.h"
#include "machine_file.h"
#include "scenario.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using scenario::fpdf_record;
using scenario::set_fpdf_field;

namespace {

struct result {
    int status = -1;
    std::string out;
    std::string err;
};

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Two routes as the export writes them; the second route's rivets 10 mm apart.
std::vector<std::string> issue_1() {
    return {
        "$$HEAD,\tPANEL,\tA,\tTOLV,\t07-12-2026\r\n",
        "$$PATH,\tRT,\t2\r\n",
        fpdf_record("H", "A", "3404579D35", "095", "RT_01", 1, 2, 3, 0, 0, 1),
        fpdf_record("H", "A", "3404579D35", "095", "RT_02", 11, 2, 3, 0, 0, 1),
        "$$PATH,\tRS,\t3\r\n",
        fpdf_record("G", "B", "3404480D40", "095", "RS_01", 0, 100, 0, 0, 0, 1),
        fpdf_record("G", "B", "3404480D40", "095", "RS_02", 10, 100, 0, 0, 0, 1),
        fpdf_record("G", "B", "3404480D40", "095", "RS_03", 20, 100, 0, 0, 0, 1),
    };
}

class FpdfDiff : public ::testing::Test {
protected:
    scenario::temp_dir scratch{"fpdf-diff"};
    fs::path dir = scratch.path();

    std::string write(const std::string &name, const std::string &bytes) {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
        return p.string();
    }

    result run(const std::vector<std::string> &args, const scenario::child_options &options = {}) {
        std::vector<std::string> argv{FPDF_DIFF_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        scenario::child_result c = scenario::run_child(argv, options);
        EXPECT_FALSE(c.signalled) << "the program did not exit normally";
        return {c.signalled ? -1 : c.exit_code, c.out, c.err};
    }

    result diff(const std::vector<std::string> &old_lines, const std::vector<std::string> &new_lines,
                const std::vector<std::string> &flags = {}, const scenario::child_options &options = {}) {
        std::vector<std::string> args = flags;
        args.push_back(write("old.fpdf", scenario::joined_lines(old_lines)));
        args.push_back(write("new.fpdf", scenario::joined_lines(new_lines)));
        return run(args, options);
    }

    std::string summary_start() { return (dir / "old.fpdf").string() + " -> " + (dir / "new.fpdf").string() + ": "; }
};

TEST_F(FpdfDiff, SameFile) {
    result r = diff(issue_1(), issue_1());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, summary_start() + "the same (2 routes, 5 rivets)\n");
    EXPECT_EQ(r.err, "");
}

// Padding is the export's, not the cell's: a value padded otherwise is the same value.
TEST_F(FpdfDiff, PaddingIsNoChange) {
    std::vector<std::string> next = issue_1();
    set_fpdf_field(next[2], 4, "RT_01");
    set_fpdf_field(next[2], 6, "1.00000");
    result r = diff(issue_1(), next);
    EXPECT_EQ(r.status, 0) << r.out;
}

// An edit of the first issue and the change lines it must give, in order.
struct edit {
    const char *name;
    std::function<void(std::vector<std::string> &)> apply;
    std::vector<std::string> expected;
    const char *counts;  // the summary after "<n> changes: "
};

void PrintTo(const edit &e, std::ostream *os) { *os << e.name; }

class FpdfDiffEdit : public FpdfDiff, public ::testing::WithParamInterface<edit> {};

TEST_P(FpdfDiffEdit, ListsExactlyTheChanges) {
    std::vector<std::string> next = issue_1();
    GetParam().apply(next);
    result r = diff(issue_1(), next);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> lines = lines_of(r.out);
    ASSERT_FALSE(lines.empty());
    std::string summary = lines.back();
    lines.pop_back();
    EXPECT_EQ(lines, GetParam().expected) << r.out;
    size_t n = GetParam().expected.size();
    EXPECT_EQ(summary, summary_start() + std::to_string(n) + (n == 1 ? " change: " : " changes: ") + GetParam().counts);
}

const char NOTHING_ELSE[] =
    "0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 recoded, 0 re-sequenced";

const edit EDITS[] = {
    edit{"date",
         [](auto &l) { set_fpdf_field(l[0], 4, "08-12-2026"); },
         {"header: date \"07-12-2026\" -> \"08-12-2026\" (old line 1, new line 1)"},
         "1 header field; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 recoded, "
         "0 re-sequenced"},
    edit{"assembly_and_area",
         [](auto &l) { l[0] = "$$HEAD,\t\xCF\xC0\xCD\xC5\xCB\xDC,\tB,\tTOLV,\t07-12-2026\r\n"; },
         {"header: assembly \"PANEL\" -> \"\xD0\x9F\xD0\x90\xD0\x9D\xD0\x95\xD0\x9B\xD0\xAC\" (old line 1, new "
          "line 1)",
          "header: area \"A\" -> \"B\" (old line 1, new line 1)"},
         "2 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"route_removed",
         [](auto &l) { l.erase(l.begin() + 1, l.begin() + 4); },
         {"route \"RT\": removed, 2 rivets (old line 2)"},
         "0 header fields; 0 routes added, 1 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"route_added",
         [](auto &l) {
             l.push_back("$$PATH,\tRU,\t1\r\n");
             l.push_back(fpdf_record("H", "A", "3404579D35", "095", "RU_01", 0, 300, 0, 0, 0, 1));
         },
         {"route \"RU\": added, 1 rivet (new line 9)"},
         "0 header fields; 1 route added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"recounted",
         [](auto &l) { l[4] = "$$PATH,\tRS,\t4\r\n"; },
         {"route \"RS\": count 3 -> 4 (old line 5, new line 5)"},
         "0 header fields; 0 routes added, 0 removed, 1 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"rivet_removed",
         [](auto &l) {
             l.erase(l.begin() + 6);
             l[4] = "$$PATH,\tRS,\t2\r\n";
         },
         {"route \"RS\": count 3 -> 2 (old line 5, new line 5)", "route \"RS\", rivet \"RS_02\": removed (old line 7)"},
         "0 header fields; 0 routes added, 0 removed, 1 recounted; 0 rivets added, 1 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"rivet_added",
         [](auto &l) { l.push_back(fpdf_record("G", "B", "3404480D40", "095", "RS_04", 30, 100, 0, 0, 0, 1)); },
         {"route \"RS\", rivet \"RS_04\": added (new line 9)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 1 rivet added, 0 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"moved_half_a_millimetre",
         [](auto &l) { set_fpdf_field(l[3], 7, "        2.50000"); },
         {"route \"RT\", rivet \"RT_02\": moved 0.50000 mm: position 11.00000, 2.00000, 3.00000 -> 11.00000, "
          "2.50000, 3.00000 (old line 4, new line 4)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 1 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"moved_by_the_last_decimal",
         [](auto &l) { set_fpdf_field(l[2], 8, "        3.00001"); },
         {"route \"RT\", rivet \"RT_01\": moved 0.00001 mm: position 1.00000, 2.00000, 3.00000 -> 1.00000, "
          "2.00000, 3.00001 (old line 3, new line 3)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 1 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"axis_turned",
         [](auto &l) {
             set_fpdf_field(l[5], 10, "        0.70711");
             set_fpdf_field(l[5], 11, "        0.70711");
         },
         {"route \"RS\", rivet \"RS_01\": moved: axis 0.00000, 0.00000, 1.00000 -> 0.00000, 0.70711, 0.70711 "
          "(old line 6, new line 6)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 1 moved, 0 "
         "recoded, 0 re-sequenced"},
    edit{"grip_and_fastener",
         [](auto &l) {
             set_fpdf_field(l[7], 2, "  3404480D50");
             set_fpdf_field(l[7], 3, "140");
         },
         {"route \"RS\", rivet \"RS_03\": recoded: fastener \"3404480D40\" -> \"3404480D50\", grip \"095\" -> "
          "\"140\" (old line 8, new line 8)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 1 "
         "recoded, 0 re-sequenced"},
    edit{"process_and_add",
         [](auto &l) {
             set_fpdf_field(l[2], 0, "X");
             set_fpdf_field(l[2], 1, "B");
         },
         {"route \"RT\", rivet \"RT_01\": recoded: process code \"H\" -> \"X\", add code \"A\" -> \"B\" (old "
          "line 3, new line 3)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 1 "
         "recoded, 0 re-sequenced"},
    // The route walked again from its last rivet: the same rivets at the same
    // places, numbered the other way round.
    edit{"walked_from_another_rivet",
         [](auto &l) {
             l[5] = fpdf_record("G", "B", "3404480D40", "095", "RS_01", 20, 100, 0, 0, 0, 1);
             l[7] = fpdf_record("G", "B", "3404480D40", "095", "RS_03", 0, 100, 0, 0, 0, 1);
         },
         {"route \"RS\", rivet \"RS_01\": re-sequenced: identifier \"RS_01\" -> \"RS_03\", place 1 -> 3 (old "
          "line 6, new line 8)",
          "route \"RS\", rivet \"RS_03\": re-sequenced: identifier \"RS_03\" -> \"RS_01\", place 3 -> 1 (old "
          "line 8, new line 6)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 2 re-sequenced"},
    // The same identifiers in another order (the file not as the export sorts
    // it): the rivet taken out of its place is named, the others keep theirs.
    edit{"another_place_in_the_order",
         [](auto &l) { std::rotate(l.begin() + 5, l.begin() + 6, l.begin() + 8); },
         {"route \"RS\", rivet \"RS_01\": re-sequenced: place 1 -> 3 (old line 6, new line 8)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 0 rivets added, 0 removed, 0 moved, 0 "
         "recoded, 1 re-sequenced"},
    // Moved and renumbered at once: no longer the same rivet by either key.
    edit{"moved_and_renumbered",
         [](auto &l) { l[3] = fpdf_record("H", "A", "3404579D35", "095", "RT_09", 12, 2, 3, 0, 0, 1); },
         {"route \"RT\", rivet \"RT_02\": removed (old line 4)", "route \"RT\", rivet \"RT_09\": added (new line 4)"},
         "0 header fields; 0 routes added, 0 removed, 0 recounted; 1 rivet added, 1 removed, 0 moved, 0 "
         "recoded, 0 re-sequenced"}};

INSTANTIATE_TEST_SUITE_P(, FpdfDiffEdit, ::testing::ValuesIn(EDITS));

// An edit of the table above and the "changes" list that --json gives for it: each
// kind with the keys of its own, the Windows-1251 texts in UTF-8.
struct json_edit {
    const char *edit;
    const char *changes;
};

void PrintTo(const json_edit &e, std::ostream *os) { *os << e.edit; }

class FpdfDiffJson : public FpdfDiff, public ::testing::WithParamInterface<json_edit> {};

TEST_P(FpdfDiffJson, ListsTheChangesWithTheirKeys) {
    const edit *e = std::find_if(std::begin(EDITS), std::end(EDITS),
                                 [](const edit &x) { return std::string(x.name) == GetParam().edit; });
    ASSERT_NE(e, std::end(EDITS)) << "no edit " << GetParam().edit;
    std::vector<std::string> next = issue_1();
    e->apply(next);
    result r = diff(issue_1(), next, {"--json"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    nlohmann::json doc = nlohmann::json::parse(r.out);
    nlohmann::json want = nlohmann::json::parse(GetParam().changes);
    EXPECT_EQ(doc["changes"], want) << doc["changes"].dump(2);
    EXPECT_EQ(doc["same"], false);
    EXPECT_EQ(doc["new"], (dir / "new.fpdf").string());
    EXPECT_EQ(doc["summary"]["changes"], want.size());
    std::map<std::string, int> kinds;
    for (const nlohmann::json &c : want) ++kinds[c["kind"].get<std::string>()];
    for (const auto &[kind, n] : kinds) EXPECT_EQ(doc["summary"][kind], n) << kind;
    EXPECT_EQ(doc["summary"].size(), 10u) << doc["summary"].dump();
}

INSTANTIATE_TEST_SUITE_P(
    , FpdfDiffJson,
    ::testing::Values(
        json_edit{"assembly_and_area", R"([
            {"kind": "header", "old_line": 1, "new_line": 1,
             "fields": {"assembly": {"old": "PANEL", "new": "\u041f\u0410\u041d\u0415\u041b\u042c"}}},
            {"kind": "header", "old_line": 1, "new_line": 1, "fields": {"area": {"old": "A", "new": "B"}}}])"},
        json_edit{"route_added", R"([{"kind": "route_added", "route": "RU", "new_line": 9, "rivets": 1}])"},
        json_edit{"recounted", R"([{"kind": "route_recounted", "route": "RS", "old_line": 5, "new_line": 5,
                                    "count": {"old": 3, "new": 4}}])"},
        json_edit{"rivet_removed", R"([
            {"kind": "route_recounted", "route": "RS", "old_line": 5, "new_line": 5, "count": {"old": 3, "new": 2}},
            {"kind": "rivet_removed", "route": "RS", "old_point_id": "RS_02", "old_line": 7}])"},
        json_edit{"rivet_added", R"([{"kind": "rivet_added", "route": "RS", "new_point_id": "RS_04", "new_line": 9}])"},
        // Only the axis turned: no position key.
        json_edit{"axis_turned", R"([{"kind": "rivet_moved", "route": "RS", "old_point_id": "RS_01",
                                      "new_point_id": "RS_01", "old_line": 6, "new_line": 6,
                                      "axis": {"old": [0.0, 0.0, 1.0], "new": [0.0, 0.70711, 0.70711]}}])"},
        json_edit{"walked_from_another_rivet", R"([
            {"kind": "rivet_resequenced", "route": "RS", "old_point_id": "RS_01", "new_point_id": "RS_03",
             "old_line": 6, "new_line": 8, "place": {"old": 1, "new": 3}},
            {"kind": "rivet_resequenced", "route": "RS", "old_point_id": "RS_03", "new_point_id": "RS_01",
             "old_line": 8, "new_line": 6, "place": {"old": 3, "new": 1}}])"},
        json_edit{"process_and_add", R"([{"kind": "rivet_recoded", "route": "RT", "old_point_id": "RT_01",
                                          "new_point_id": "RT_01", "old_line": 3, "new_line": 3,
                                          "fields": {"process code": {"old": "H", "new": "X"},
                                                     "add code": {"old": "A", "new": "B"}}}])"}));

TEST_F(FpdfDiff, Json) {
    std::vector<std::string> next = issue_1();
    set_fpdf_field(next[7], 3, "140");
    next.erase(next.begin() + 1, next.begin() + 4);
    result r = diff(issue_1(), next, {"--json"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["old"], (dir / "old.fpdf").string());
    EXPECT_EQ(doc["same"], false);
    ASSERT_EQ(doc["changes"].size(), 2u) << doc.dump(2);
    EXPECT_EQ(doc["changes"][0]["kind"], "route_removed");
    EXPECT_EQ(doc["changes"][0]["route"], "RT");
    EXPECT_EQ(doc["changes"][0]["rivets"], 2);
    EXPECT_EQ(doc["changes"][0]["old_line"], 2);
    EXPECT_FALSE(doc["changes"][0].contains("new_line"));
    const nlohmann::json &recoded = doc["changes"][1];
    EXPECT_EQ(recoded["kind"], "rivet_recoded");
    EXPECT_EQ(recoded["old_point_id"], "RS_03");
    EXPECT_EQ(recoded["new_line"], 5);
    EXPECT_EQ(recoded["fields"]["grip"]["old"], "095");
    EXPECT_EQ(recoded["fields"]["grip"]["new"], "140");
    EXPECT_EQ(doc["summary"]["changes"], 2);
    EXPECT_EQ(doc["summary"]["route_removed"], 1);
    EXPECT_EQ(doc["summary"]["rivet_recoded"], 1);
    EXPECT_EQ(doc["summary"]["rivet_moved"], 0);

    r = diff(issue_1(), issue_1(), {"--json"});
    EXPECT_EQ(r.status, 0);
    doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["same"], true);
    EXPECT_TRUE(doc["changes"].empty());
}

TEST_F(FpdfDiff, JsonOfAMove) {
    std::vector<std::string> next = issue_1();
    set_fpdf_field(next[3], 7, "        2.50000");
    set_fpdf_field(next[3], 9, "        1.00000");
    result r = diff(issue_1(), next, {"--json"});
    nlohmann::json moved = nlohmann::json::parse(r.out)["changes"][0];
    EXPECT_EQ(moved["kind"], "rivet_moved");
    EXPECT_EQ(moved["position"]["old"], nlohmann::json::array({11.0, 2.0, 3.0}));
    EXPECT_EQ(moved["position"]["new"], nlohmann::json::array({11.0, 2.5, 3.0}));
    EXPECT_DOUBLE_EQ(moved["position"]["distance"].get<double>(), 0.5);
    EXPECT_EQ(moved["axis"]["new"], nlohmann::json::array({1.0, 0.0, 1.0}));
}

TEST_F(FpdfDiff, Usage) {
    const std::string more = "Try 'fpdf_diff --help' for more information.\n";
    result r = run({write("old.fpdf", scenario::joined_lines(issue_1()))});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fpdf_diff: missing NEW\n" + more);
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Exit status: 0 the files are the same for the cell, 1 differences, 2"), std::string::npos);
    r = run({"--version"});
    EXPECT_EQ(r.out, std::string("fpdf_diff ") + RIVET_VERSION + "\n");
    r = run({"--jsn", "a", "b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "fpdf_diff: unknown option --jsn (did you mean --json?)\n" + more);
}

// The comparison in-process: two issues of 40 routes of 99 rivets, every rivet moved.
TEST(FpdfCompare, ManyRivetsEveryOneMoved) {
    fpdf::file a, b;
    for (int r = 0; r < 40; ++r) {
        a.routes.push_back({r + 1, "R" + std::to_string(r), 99, a.records.size(), 99});
        for (int k = 0; k < 99; ++k) {
            fpdf::record rec;
            rec.route = static_cast<size_t>(r);
            rec.point_id = "R" + std::to_string(r) + "_" + std::to_string(k);
            rec.position[0] = k;
            rec.position[1] = r;
            rec.line = static_cast<long>(a.records.size()) + 2;
            a.records.push_back(rec);
        }
    }
    b = a;
    for (fpdf::record &rec : b.records) rec.position[2] = 0.25;
    std::vector<change> changes = compare(a, b);
    ASSERT_EQ(changes.size(), 40u * 99u);
    for (const change &c : changes) {
        EXPECT_EQ(c.kind, change_kind::rivet_moved);
        EXPECT_DOUBLE_EQ(c.distance, 0.25);
    }
    EXPECT_TRUE(compare(a, a).empty());
}

// --- Bad input: every program that reads machine files refuses alike ---------------

using scenario::bad_file;
using scenario::written;
static_assert(scenario::FPDF_FILE_LIMIT == fpdf::MAX_FILE_BYTES);

class BadMachineFile : public FpdfDiff, public ::testing::WithParamInterface<bad_file> {};

TEST_P(BadMachineFile, IsOneLineNamingTheFileTheLineAndWhy) {
    std::string bad = GetParam().make(dir);
    std::string good = write("good.fpdf", scenario::joined_lines(issue_1()));
    std::string expected_end = GetParam().where + ": not %s: " + GetParam().why + "\n";
    auto expected = [&](const char *verb) {
        std::string e = bad + expected_end;
        return e.replace(e.find("%s"), 2, verb);
    };

    scenario::child_result check = scenario::run_child({FPDF_CHECK_EXE, bad});
    EXPECT_EQ(check.exit_code, 2);
    EXPECT_EQ(check.out, "");
    EXPECT_EQ(check.err, expected("checked"));

    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{bad, good}, {good, bad}, {"--json", good, bad}}) {
        result r = run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, expected("compared"));
    }
}

// Besides the files no system reads: a FIFO and a device, a binary byte after an
// empty line, and the two routes cut inside the last record.
std::vector<bad_file> bad_files() {
    return scenario::bad_machine_files(
        {
            bad_file{"fifo",
                     [](const fs::path &d) {
                         std::string p = (d / "fifo.fpdf").string();
                         EXPECT_EQ(::mkfifo(p.c_str(), 0600), 0);
                         return p;
                     },
                     "", "cannot read the machine file: not a regular file (a FIFO or a device)"},
            bad_file{"device", [](const fs::path &) { return std::string("/dev/zero"); }, "",
                     "cannot read the machine file: not a regular file (a FIFO or a device)"},
        },
        bad_file{
            "binary",
            [](const fs::path &d) { return written(d / "bin.fpdf", "$$HEAD,\tA\r\n\r\n\x7F" + std::string(9, 'x')); },
            ":3", "binary data: byte 0x7F at offset 13; an FPDF file is text"},
        bad_file{"cut_short",
                 [](const fs::path &d) {
                     std::string bytes = scenario::joined_lines(issue_1());
                     return written(d / "cut.fpdf", bytes.substr(0, bytes.size() - 40));
                 },
                 ":8", "the file is cut short: its last line has no line end"});
}

INSTANTIATE_TEST_SUITE_P(, BadMachineFile, ::testing::ValuesIn(bad_files()));

// A report that cannot be written is no report: status 2 and one line on the error stream.
TEST_F(FpdfDiff, ReportThatCannotBeWritten) {
    ASSERT_TRUE(fs::exists("/dev/full"));
    std::vector<std::string> next = issue_1();
    set_fpdf_field(next[0], 4, "08-12-2026");
    for (const std::vector<std::string> &flags : std::vector<std::vector<std::string>>{{}, {"--json"}}) {
        result r = diff(issue_1(), next, flags, scenario::child_options().output_to("/dev/full"));
        EXPECT_EQ(r.status, 2) << flags.size();
        EXPECT_EQ(r.err, "fpdf_diff: the report could not be written\n") << flags.size();
    }
}

// What fpdf_check reports as findings and reads on, fpdf_diff cannot compare: one line.
TEST_F(FpdfDiff, RecordItCannotRead) {
    std::vector<std::string> next = issue_1();
    set_fpdf_field(next[6], 8, "        x.00000");
    result r = diff(issue_1(), next);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, (dir / "new.fpdf").string() + ":7: not compared: the position Z is not a number\n");
}

}  // namespace
