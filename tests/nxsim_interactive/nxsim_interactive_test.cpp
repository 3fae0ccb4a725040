// Interactive runs: nxsim without a script reads the engineer's answers from its
// input. The answers recorded with --record must replay the very same run.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "scenario.h"

namespace fs = std::filesystem;

namespace {

// Test sources are compiled to Windows-1251; the terminal speaks UTF-8.
std::string utf8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

struct Outcome {
    int exit_code = -1;
    fs::path dir;     // session.json, run/, record.json
    std::string out;  // what the engineer saw
    std::string err;
    fs::path session() const { return dir / "session.json"; }
    fs::path run_dir() const { return dir / "run"; }
    fs::path record() const { return dir / "record.json"; }
};

std::vector<fs::path> &made() {
    static std::vector<fs::path> dirs;
    return dirs;
}

// The runs' folders go when the program ends.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override {
        for (const auto &d : made()) {
            std::error_code ec;
            fs::remove_all(d, ec);
        }
    }
};
const auto *const cleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

fs::path fresh_dir(const std::string &name) {
    fs::path dir = scenario::make_temp_dir("nxsim-interactive-" + name);
    made().push_back(dir);
    return dir;
}

fs::path session_of(const std::string &tool, const std::string &file) {
    return fs::path(SCENARIO_DIR) / tool / "sessions" / file;
}

// `input` goes to the program's standard input; an empty `script` makes the run interactive.
Outcome nxsim_run(const std::string &tool, const fs::path &session, const std::string &input,
                  const fs::path &script = {}, bool record = true, int delay_seconds = 0) {
    Outcome r;
    r.dir = fresh_dir(tool);
    fs::copy_file(session, r.session());
    {
        std::ofstream in(r.dir / "input.txt", std::ios::binary);
        in << input;
    }
    std::vector<std::string> argv = {NXSIM_EXE,       "run",
                                     "--session",     r.session().string(),
                                     "--tool",        tool,
                                     "--run-dir",     r.run_dir().string(),
                                     "--tools-dir",   RIVET_TOOLS_DIR,
                                     "--dialogs-dir", RIVET_DIALOGS_DIR};
    if (!script.empty()) argv.insert(argv.end(), {"--script", script.string()});
    if (script.empty() && record) argv.insert(argv.end(), {"--record", r.record().string()});
    scenario::child_result c;
    if (delay_seconds > 0) {
        // The answers come only after the engineer has sat at the terminal for a while.
        std::string line = "{ sleep " + std::to_string(delay_seconds) + "; cat " +
                           scenario::shell_quote((r.dir / "input.txt").string()) + "; } |";
        for (const auto &a : argv) line += " " + scenario::shell_quote(a);
        c = scenario::run_shell(line, {});
    } else {
        c = scenario::run_child(argv, scenario::child_options().from(r.dir / "input.txt"));
    }
    r.exit_code = c.signalled ? -1 : c.exit_code;
    r.out = c.out;
    r.err = c.err;
    return r;
}

std::string file_or_empty(const fs::path &p) { return fs::exists(p) ? scenario::read_file(p) : std::string(); }

// Replays the recording on a fresh copy of the session and expects the same session,
// log and transcript as the interactive run left.
void expect_replay_matches(const std::string &tool, const fs::path &session, const Outcome &live) {
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    ASSERT_TRUE(fs::exists(live.record())) << live.out;
    // The session the run started from is kept beside the recording, and the replay
    // starts from that copy, as the run saved over its own session.
    fs::path started = live.dir / "record.session.json";
    ASSERT_TRUE(fs::exists(started)) << live.out;
    EXPECT_EQ(scenario::read_file(started), scenario::read_file(session));
    EXPECT_NE(live.out.find("the session they start from in " + started.string()), std::string::npos) << live.out;
    Outcome replay = nxsim_run(tool, started, "", live.record());
    ASSERT_EQ(replay.exit_code, 0) << replay.err;
    EXPECT_EQ(scenario::read_file(replay.session()), scenario::read_file(live.session()));
    EXPECT_EQ(scenario::read_file(replay.run_dir() / "transcript.txt"),
              scenario::read_file(live.run_dir() / "transcript.txt"));
    ASSERT_TRUE(fs::exists(live.run_dir() / "D" / "prterr.txt"));
    EXPECT_EQ(scenario::mask_log(scenario::read_file(replay.run_dir() / "D" / "prterr.txt")),
              scenario::mask_log(scenario::read_file(live.run_dir() / "D" / "prterr.txt")));
    // Nothing was typed into the replay: it took every answer from the recording, and
    // printed only the run's summary, the same line as the interactive run's.
    EXPECT_EQ(std::count(replay.out.begin(), replay.out.end(), '\n'), 1) << replay.out;
    EXPECT_EQ(replay.out.rfind(tool + " ", 0), 0u) << replay.out;
    EXPECT_NE(replay.out.find(" return code "), std::string::npos) << replay.out;
    EXPECT_NE(live.out.find(replay.out), std::string::npos) << live.out;
}

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// The lines of the transcript (UTF-8) that the run left.
std::string transcript(const Outcome &r) { return file_or_empty(r.run_dir() / "transcript.txt"); }

}  // namespace

TEST(Interactive, SelectionShowsWhatCanBePickedAndRecordsThePicks) {
    fs::path session = session_of("rivet_mark", "panel.json");
    Outcome live = nxsim_run("rivet_mark", session, "list\n99\nnothing\n3-4\nSUB2/R*\n3\nok\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    // The dialog's own cue and title, and the components numbered with their paths.
    EXPECT_TRUE(has(live.out, utf8(u8"выбери группу компонент - заклепок"))) << live.out;
    EXPECT_TRUE(has(live.out, utf8(u8"компоненты - заклепки")));
    EXPECT_TRUE(has(live.out, "      3  SUB1/R1 ")) << live.out;
    EXPECT_TRUE(has(live.out, "     11  R[1] ")) << live.out;
    // Wrong answers are explained and asked again; they never reach the tool.
    EXPECT_TRUE(has(live.out, "99: the list runs from 1 to 12"));
    EXPECT_TRUE(has(live.out, "\"nothing\" names no object"));
    std::string t = transcript(live);
    EXPECT_TRUE(has(t,
                    "pick SUB1/R1\npick SUB1/R2\npick SUB2/R5\npick SUB2/R6\npick SUB1/R1 (already selected)\n"
                    "respond 2 (4 objects)\n"))
        << t;
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec, "{\"select\":[\"SUB1/R1\",\"SUB1/R2\",\"SUB2/R*\",\"SUB1/R1\"]}")) << rec;
    // The recording keeps the run's clock, the one the transcript starts with.
    std::string clock = t.substr(std::string("start rivet_mark ").size(), 19);
    EXPECT_TRUE(has(rec, "\"clock\": \"" + clock + "\"")) << rec;
    EXPECT_TRUE(has(live.out, "nxsim: session saved to "));
    expect_replay_matches("rivet_mark", session, live);
}

TEST(Interactive, SelectionBackAndCancelAreRecorded) {
    fs::path session = session_of("rivet_mark", "panel.json");
    Outcome live = nxsim_run("rivet_mark", session, "back\nSKIN\ncancel\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec, "{\"select\":[],\"press\":\"back\"},\n  {\"select\":[\"SKIN\"],\"press\":\"cancel\"}")) << rec;
    expect_replay_matches("rivet_mark", session, live);
}

TEST(Interactive, SingleSelectionTakesOneObject) {
    fs::path session = session_of("rivet_attr_inspect", "panel.json");
    Outcome live =
        nxsim_run("rivet_attr_inspect", session, "1 2\n2\npick RIVET 1\npick RIVET 2\napply\ncancel\ncancel\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    EXPECT_TRUE(has(live.out, "The first object picked closes the dialog.")) << live.out;
    EXPECT_TRUE(has(live.out, "select one> 1 2\n   the dialog takes one object\n"));
    EXPECT_TRUE(has(live.out, "RIVET is greyed: it cannot be changed now"));
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec,
                    "{\"select\":[\"DEFAULTS\"]},\n  {\"styler\":[{\"pick\":\"RIVET\",\"entry\":1},\"apply\","
                    "\"cancel\"]},\n  {\"select\":[],\"press\":\"cancel\"}"))
        << rec;
    EXPECT_TRUE(has(transcript(live), "pick DEFAULTS\nrespond 5 (1 object)\n"));
    expect_replay_matches("rivet_attr_inspect", session, live);
}

TEST(Interactive, StylerDialogIsAskedStepByStep) {
    fs::path session = session_of("route_create", "panel.json");
    Outcome live = nxsim_run("route_create", session,
                             "enter PATH_NAME RT\nenter PATH_NAME XX\nenter PATH_COUNT two\nenter path_count 2\n"
                             "type SUFFIX \"_A\"\nback\nok\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    EXPECT_TRUE(has(live.out, utf8(u8"== Dialog: Создание маршрут-компонент"))) << live.out;
    // The values as the constructor left them, then as each step's callback left them.
    EXPECT_TRUE(has(live.out, "   PATH_NAME   text     \"AAAAB\"\n")) << live.out;
    EXPECT_TRUE(has(live.out, "   PATH_NAME   text     \"RT\"   (greyed)\n")) << live.out;
    EXPECT_TRUE(has(live.out, "PATH_NAME is greyed: it cannot be changed now"));
    EXPECT_TRUE(has(live.out, "PATH_COUNT takes a whole number"));
    EXPECT_TRUE(has(live.out, "the dialog has no back button"));
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec,
                    "{\"styler\":[{\"enter\":\"PATH_NAME\",\"value\":\"RT\"},{\"enter\":\"PATH_COUNT\",\"value\":2},"
                    "{\"type\":\"SUFFIX\",\"value\":\"_A\"},\"ok\"]}"))
        << rec;
    std::string s = scenario::read_file(live.session());
    EXPECT_TRUE(has(s, "@DB/RT_001_A/A")) << s;
    EXPECT_TRUE(has(s, "@DB/RT_002_A/A")) << s;
    expect_replay_matches("route_create", session, live);
}

TEST(Interactive, StylerRefreshShowsListsTheCallbacksChanged) {
    fs::path session = session_of("rivet_group_attr", "panel.json");
    Outcome live =
        nxsim_run("rivet_group_attr", session,
                  "pick FAST_CODE 1\npick GRIP_LNG 15.5\nok\ntree\nR1\nR2\nok\nnext\nOK\nok\n1\nok\nCANCEL\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    // Only what the tool's filter takes is offered: the components marked as rivets.
    EXPECT_TRUE(has(live.out, "   Objects that can be picked (5):\n      1  R1   @DB/RIV3404579/A\n")) << live.out;
    EXPECT_TRUE(has(live.out, "      5  R5   @DB/RIV3404579/A\n   Answers:")) << live.out;
    EXPECT_TRUE(has(live.out, "     R5   @DB/RIV3404579/A   (can be picked)\n     PLAIN   @DB/RIV3404579/A\n"))
        << live.out;
    // After the fastener pick the grips are the new fastener's, the fastener greyed.
    size_t pick = live.out.find("dialog> pick FAST_CODE 1\n");
    ASSERT_NE(pick, std::string::npos) << live.out;
    std::string after = live.out.substr(pick);
    EXPECT_TRUE(has(after, "   FAST_CODE     list     1 \"3404579D40\"   (greyed)\n")) << after;
    EXPECT_TRUE(has(after, "   GRIP_LNG      list     0 \"11.0\"\n")) << after;
    EXPECT_TRUE(has(after, "                    3  15.5\n")) << after;
    // The question with its lines and buttons; an unknown label is asked again.
    EXPECT_TRUE(has(live.out, utf8(u8"== Question: Примите решение\n   Следующая группа?\n"))) << live.out;
    EXPECT_TRUE(has(live.out, "Buttons: OK (1), CANCEL (3)")) << live.out;
    EXPECT_TRUE(has(live.out, "question> next\n   no such button\n"));
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec,
                    "{\"styler\":[{\"pick\":\"FAST_CODE\",\"entry\":1},{\"pick\":\"GRIP_LNG\",\"text\":\"15.5\"},"
                    "\"ok\"]}"))
        << rec;
    EXPECT_TRUE(has(rec, "{\"message_dialog\":1}")) << rec;
    EXPECT_TRUE(has(rec, "{\"message_dialog\":3}")) << rec;
    std::string t = transcript(live);
    EXPECT_TRUE(has(t, "buttons [\"OK\", \"CANCEL\"] -> 1\n")) << t;
    EXPECT_TRUE(has(t, "buttons [\"OK\", \"CANCEL\"] -> 3\n")) << t;
    expect_replay_matches("rivet_group_attr", session, live);
}

TEST(Interactive, ChoiceAndPartDialogs) {
    fs::path session = session_of("flat_assembly", "design.json");
    Outcome live =
        nxsim_run("flat_assembly", session, "FRAME\npick FRAME/RIB/R3\nok\n3\nnew file\n\"\"\nprefix/FLAT01/A\n");
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    EXPECT_TRUE(has(live.out, utf8(u8"== Choice: Выбери NEW или OPEN файл\n   5  new file\n   6  open file\n")))
        << live.out;
    EXPECT_TRUE(has(live.out, "choice> 3\n   no such option: give 5 to 6"));
    EXPECT_TRUE(has(live.out, "expected a name of 1 to 256 characters")) << live.out;
    std::string rec = scenario::read_file(live.record());
    EXPECT_TRUE(has(rec, "{\"choice\":5},\n  {\"part_name\":\"prefix/FLAT01/A\"}")) << rec;
    EXPECT_TRUE(has(scenario::read_file(live.session()), "@DB/FLAT01/A"));
    expect_replay_matches("flat_assembly", session, live);
}

TEST(Interactive, CancelInChoiceAndPartDialogs) {
    fs::path session = session_of("flat_assembly", "design.json");
    Outcome choice = nxsim_run("flat_assembly", session, "FRAME\nok\ncancel\n");
    ASSERT_EQ(choice.exit_code, 0) << choice.err << choice.out;
    EXPECT_TRUE(has(scenario::read_file(choice.record()), "{\"choice\":2}")) << scenario::read_file(choice.record());
    expect_replay_matches("flat_assembly", session, choice);

    Outcome part = nxsim_run("flat_assembly", session, "FRAME\nok\nnew file\ncancel\n");
    ASSERT_EQ(part.exit_code, 0) << part.err << part.out;
    EXPECT_TRUE(has(scenario::read_file(part.record()), "{\"choice\":5},\n  {\"part_name\":null}"))
        << scenario::read_file(part.record());
    EXPECT_TRUE(has(transcript(part), "part name \"\" -> cancel\n"));
    expect_replay_matches("flat_assembly", session, part);
}

// An overlong byte sequence (C1 81 for "A") is not UTF-8: refused like any text the
// dialog cannot hold, so that the recording stays JSON and the run is saved.
TEST(Interactive, TypedTextThatIsNotUtf8IsRefused) {
    fs::path session = session_of("flat_assembly", "design.json");
    Outcome part = nxsim_run("flat_assembly", session,
                             "FRAME\npick FRAME/RIB/R3\nok\n5\nprefix/FLAT01/\xC1\x81\nprefix/FLAT01/A\n");
    ASSERT_EQ(part.exit_code, 0) << part.err << part.out;
    EXPECT_TRUE(has(part.out, "the name holds a character Windows-1251 lacks")) << part.out;
    EXPECT_TRUE(has(scenario::read_file(part.record()), "{\"part_name\":\"prefix/FLAT01/A\"}"))
        << scenario::read_file(part.record());
    expect_replay_matches("flat_assembly", session, part);

    session = session_of("route_create", "panel.json");
    Outcome styler = nxsim_run("route_create", session,
                               "enter PATH_NAME RT\nenter PATH_COUNT 2\ntype SUFFIX _\xC1\x81\ntype SUFFIX _A\nok\n");
    ASSERT_EQ(styler.exit_code, 0) << styler.err << styler.out;
    EXPECT_TRUE(has(styler.out, "not a text the dialog can hold")) << styler.out;
    EXPECT_TRUE(has(scenario::read_file(styler.record()), "{\"type\":\"SUFFIX\",\"value\":\"_A\"},\"ok\"]}"))
        << scenario::read_file(styler.record());
    expect_replay_matches("route_create", session, styler);
}

TEST(Interactive, TimeAtTheTerminalPassesOnTheClockAndIsRecorded) {
    fs::path session = session_of("rivet_mark", "panel.json");
    Outcome live = nxsim_run("rivet_mark", session, "SKIN\nok\n", {}, true, 2);
    ASSERT_EQ(live.exit_code, 0) << live.err << live.out;
    std::string rec = scenario::read_file(live.record());
    size_t wait = rec.find("{\"wait\":");
    ASSERT_NE(wait, std::string::npos) << rec;
    int seconds = std::atoi(rec.c_str() + wait + 8);
    EXPECT_GE(seconds, 1);  // the program starts while the input waits
    EXPECT_LE(seconds, 30);
    EXPECT_TRUE(has(transcript(live), "wait " + std::to_string(seconds) + "\n"));
    expect_replay_matches("rivet_mark", session, live);
}

TEST(Interactive, EndOfInputCancelsAndSavesNothing) {
    struct Case {
        const char *tool;
        const char *session;
        const char *input;
        const char *dialog;
    } cases[] = {
        {"rivet_mark", "panel.json", "SUB1/R1\n", "select \""},
        {"route_create", "panel.json", "enter PATH_COUNT 3\n", "styler \""},
        {"flat_assembly", "design.json", "FRAME\nok\n", "choice \""},
        {"rivet_group_attr", "panel.json", "ok\nR1\nok\n", "question \""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tool);
        fs::path session = session_of(c.tool, c.session);
        Outcome live = nxsim_run(c.tool, session, c.input);
        EXPECT_NE(live.exit_code, 0) << live.out;
        EXPECT_TRUE(has(live.err, std::string("end of input at the terminal while the tool shows ") + c.dialog))
            << live.err;
        EXPECT_TRUE(has(live.err, "nxsim: nothing saved\n")) << live.err;
        EXPECT_EQ(scenario::read_file(live.session()), scenario::read_file(session));
        EXPECT_FALSE(fs::exists(live.record()));
        EXPECT_FALSE(fs::exists(live.dir / "record.session.json"));
        EXPECT_FALSE(fs::exists(live.run_dir() / "transcript.txt"));
        EXPECT_FALSE(fs::exists(live.run_dir() / "D" / "prterr.txt"));
    }
}

TEST(Interactive, NoInputAtAllCancelsAtTheFirstDialog) {
    Outcome live = nxsim_run("rivet_mark", session_of("rivet_mark", "panel.json"), "", {}, false);
    EXPECT_EQ(live.exit_code, 1);
    EXPECT_TRUE(has(live.err, "end of input at the terminal")) << live.err;
}

TEST(Interactive, RecordNeedsAnInteractiveRun) {
    fs::path dir = fresh_dir("usage");
    fs::path session = dir / "s.json";
    fs::copy_file(session_of("rivet_mark", "panel.json"), session);
    std::ofstream(dir / "script.json") << "{\"actions\": []}";
    scenario::child_result c = scenario::run_child(
        {NXSIM_EXE, "run", "--session", session.string(), "--tool", "rivet_mark", "--run-dir", (dir / "run").string(),
         "--script", (dir / "script.json").string(), "--record", (dir / "r.json").string()});
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_EQ(c.err, "nxsim run: --script excludes --record\nTry 'nxsim run --help' for more information.\n");
    EXPECT_FALSE(fs::exists(dir / "r.json"));

    // A recording that could not be written is refused before the engineer answers anything.
    c = scenario::run_child({NXSIM_EXE, "run", "--session", session.string(), "--tool", "rivet_mark", "--run-dir",
                             (dir / "run").string(), "--tools-dir", RIVET_TOOLS_DIR, "--record",
                             (dir / "no" / "r.json").string()});
    EXPECT_EQ(c.exit_code, 2);
    EXPECT_TRUE(has(c.err, "r.json: no such folder for the recording"));
    EXPECT_EQ(c.out, "");
}
