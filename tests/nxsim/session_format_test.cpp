// The session file's format 2 (what nxsim writes) and format 1 (every file written
// before it, which users keep): both read to the same model through either loader,
// what format 2 leaves out reads back as it was, and a save reads back to the bit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model_text.h"
#include "scenario.h"
#include "session_file.h"

namespace fs = std::filesystem;
using namespace nxsim;

namespace {

const fs::path kForms = fs::path(SCENARIO_DIR) / "nxsim" / "session_format";

// The model through the quick loader, after checking that the careful one reads the same.
std::string model_of(const std::string &text) {
    std::string quick = model_text::of(*session_from_text(text, "s.json"));
    std::string careful = model_text::of(*session_from_json(parse_json_text(text, "s.json"), "s.json"));
    EXPECT_EQ(quick, careful) << "the two loaders differ on\n" << text;
    return quick;
}

std::string saved(const std::string &text) { return session_text(*session_from_text(text, "s.json")); }

// One component under a part, in a session of the given format (0: no "format" key).
std::string one_component(const std::string &fields, int format = 2) {
    std::string head = format == 0 ? "{" : "{\"format\":" + std::to_string(format) + ",";
    return head + R"("display":"@DB/A/A","parts":[{"name":"@DB/A/A","components":[{"name":"C","part":"@DB/B/A")" +
           (fields.empty() ? "" : "," + fields) + R"(}]},{"name":"@DB/B/A"}]})";
}

const Instance &component(const Session &s) { return **s.find_part("@DB/A/A")->components.begin(); }

// The component's line as saved, without its name and part.
std::string saved_fields(const std::string &text) {
    std::string out = saved(text);
    const std::string start = R"({"name":"C","part":"@DB/B/A")";
    size_t from = out.find(start) + start.size();
    return out.substr(from, out.find("}\n", from) - from);
}

}  // namespace

// Saved sessions of the tests before format 2 and a hand-made one with a bit of
// everything: the old form and the new form are the same model, and saving the old
// form gives the new form's bytes.
TEST(SessionFormat, OldFormsReadAsTheirNewForms) {
    int pairs = 0;
    for (const auto &e : fs::directory_iterator(kForms)) {
        std::string name = e.path().filename().string();
        if (name.size() < 9 || name.substr(name.size() - 9) != ".old.json") continue;
        ++pairs;
        fs::path new_form = kForms / (name.substr(0, name.size() - 9) + ".json");
        std::string old_text = scenario::read_file(e.path()), new_text = scenario::read_file(new_form);
        EXPECT_EQ(old_text.find("\"format\""), std::string::npos) << name << " is not of the old form";
        EXPECT_EQ(model_of(old_text), model_of(new_text)) << name;
        EXPECT_EQ(saved(old_text), new_text) << name;
        EXPECT_EQ(saved(new_text), new_text) << name;
        EXPECT_EQ(model_text::of(*load_session(e.path())), model_of(new_text)) << name;
    }
    EXPECT_EQ(pairs, 6);
}

TEST(SessionFormat, ObjectNameLeftOutOnlyWhenItIsTheInstanceName) {
    struct field_case {
        std::string fields;
        int format;
        std::string object_name;  // in the model
        std::string written;      // the component's fields as saved
    };
    const field_case cases[] = {
        // Format 1: absent is empty, as every older file meant it.
        {"", 0, "", R"(,"object_name":"")"},
        {"", 1, "", R"(,"object_name":"")"},
        {R"("object_name":"C")", 0, "C", ""},
        {R"("object_name":"N")", 0, "N", R"(,"object_name":"N")"},
        // Format 2: absent is the instance name; an empty one is written out.
        {"", 2, "C", ""},
        {R"("object_name":"")", 2, "", R"(,"object_name":"")"},
        {R"("object_name":"C")", 2, "C", ""},
        {R"("object_name":"N")", 2, "N", R"(,"object_name":"N")"},
    };
    for (const auto &c : cases) {
        std::string text = one_component(c.fields, c.format);
        model_of(text);
        EXPECT_EQ(component(*session_from_text(text, "s")).object_name, c.object_name) << text;
        EXPECT_EQ(saved_fields(text), c.written) << text;
    }
}

TEST(SessionFormat, NameOriginAsAnOffsetWhenExactAndNoLonger) {
    struct field_case {
        std::string fields;
        Vec3 name_origin;
        std::string written;
    };
    const field_case cases[] = {
        {R"("origin":[1,2,3])", {1, 2, 3}, R"(,"origin":[1,2,3])"},
        {R"("origin":[1,2,3],"name_origin":[1,2,3])", {1, 2, 3}, R"(,"origin":[1,2,3])"},
        {R"("origin":[13775,1050,0],"name_origin":[13775,1050,4])",
         {13775, 1050, 4},
         R"(,"origin":[13775,1050,0],"name_offset":[0,0,4])"},
        {R"("origin":[13775,1050,0],"name_offset":[0,0,4])",
         {13775, 1050, 4},
         R"(,"origin":[13775,1050,0],"name_offset":[0,0,4])"},
        {R"("name_offset":[0,0,4])", {0, 0, 4}, R"(,"name_offset":[0,0,4])"},
        // 0.2 + (0.9 - 0.2) is 0.8999999999999999: the offset would not give it back.
        {R"("origin":[0.2,0,0],"name_origin":[0.9,0,0])",
         {0.9, 0, 0},
         R"(,"origin":[0.2,0,0],"name_origin":[0.9,0,0])"},
        // 1e17 + (0.1 - 1e17) is 0, not 0.1.
        {R"("origin":[1e17,0,0],"name_origin":[0.1,0,0])",
         {0.1, 0, 0},
         R"(,"origin":[1e+17,0,0],"name_origin":[0.1,0,0])"},
        // Exact, but longer than the point itself.
        {R"("origin":[-78,-15,-54],"name_origin":[-75.2,-15,-53.60000000000001])",
         {-75.2, -15, -53.60000000000001},
         R"(,"origin":[-78,-15,-54],"name_origin":[-75.2,-15,-53.60000000000001])"},
    };
    for (const auto &c : cases) {
        std::string text = one_component(c.fields + R"(,"object_name":"C")", 1);
        model_of(text);
        auto session = session_from_text(text, "s");
        const Instance &i = component(*session);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(i.name_origin[k], c.name_origin[k]) << text;
        EXPECT_EQ(saved_fields(text), c.written) << text;
    }
}

TEST(SessionFormat, QuarterTurnsAboutZInAWord) {
    struct field_case {
        std::string fields;
        std::string written;
    };
    const field_case cases[] = {
        {R"("x":[1,0,0],"y":[0,1,0])", ""},
        {R"("x":[0,1,0],"y":[-1,0,0])", R"(,"turn":90)"},
        {R"("x":[-1,0,0],"y":[0,-1,0])", R"(,"turn":180)"},
        {R"("x":[0,-1,0],"y":[1,0,0])", R"(,"turn":270)"},
        {R"("turn":90)", R"(,"turn":90)"},
        // Not a quarter turn about Z, or not to the bit.
        {R"("x":[0,0,1],"y":[1,0,0])", R"(,"x":[0,0,1],"y":[1,0,0])"},
        {R"("x":[6.123233995736766e-17,1,0],"y":[-1,6.123233995736766e-17,0])",
         R"(,"x":[6.123233995736766e-17,1,0],"y":[-1,6.123233995736766e-17,0])"},
        {R"("x":[-0.0,1,0],"y":[-1,0,0])", R"(,"x":[-0.0,1,0],"y":[-1,0,0])"},
    };
    for (const auto &c : cases) {
        std::string text = one_component(c.fields);
        model_of(text);
        EXPECT_EQ(saved_fields(text), c.written) << text;
    }
    // A turn is the same frame as its two axes, z included.
    EXPECT_EQ(model_of(one_component(R"("turn":180)")), model_of(one_component(R"("x":[-1,0,0],"y":[0,-1,0])")));
    Frame f = component(*session_from_text(one_component(R"("turn":90)"), "s")).place;
    EXPECT_EQ(f.x, (Vec3{0, 1, 0}));
    EXPECT_EQ(f.y, (Vec3{-1, 0, 0}));
    EXPECT_EQ(f.z[2], 1);
}

// "-0" was always read as the whole number 0; a negative zero is now written "-0.0",
// which both loaders read with its sign.
TEST(SessionFormat, TheSignOfAZeroSurvives) {
    std::string old_form = one_component(R"("origin":[-0,1,2])", 0);
    EXPECT_FALSE(std::signbit(component(*session_from_text(old_form, "s")).place.origin[0]));
    EXPECT_EQ(saved_fields(old_form), R"(,"origin":[0,1,2],"object_name":"")");

    std::string text = one_component(R"("origin":[-0.0,1,2],"name_offset":[-0.0,0,0])");
    auto session = session_from_text(text, "s");
    const Instance &i = component(*session);
    EXPECT_TRUE(std::signbit(i.place.origin[0]));
    EXPECT_TRUE(std::signbit(i.name_origin[0]));
    EXPECT_EQ(saved_fields(text), R"(,"origin":[-0.0,1,2])");
    model_of(text);
    // A name origin of +0 beside an origin of -0 is not left out.
    text = one_component(R"("origin":[-0.0,1,2],"name_origin":[0,1,2])");
    EXPECT_FALSE(std::signbit(component(*session_from_text(text, "s")).name_origin[0]));
    EXPECT_EQ(model_of(saved(text)), model_of(text));
}

TEST(SessionFormat, BadFormatTwoKeysNameThePlace) {
    struct bad {
        std::string text;
        const char *message;
    };
    const bad cases[] = {
        {one_component(R"("turn":45)"), "s.json: parts[0].components[0].turn: expected 90, 180 or 270"},
        {one_component(R"("turn":90,"x":[0,1,0])"), "parts[0].components[0].turn: give the turn or the axes"},
        {one_component(R"("name_offset":[0,0,1],"name_origin":[0,0,1])"),
         "parts[0].components[0].name_offset: give the name origin or its offset, not both"},
        {one_component(R"("name_offset":[0,0])"), "parts[0].components[0].name_offset: expected three numbers"},
        {one_component("", 3), "s.json: format: expected 1 to 2"},
        {one_component("", 0).insert(1, R"("format":"2",)"), "s.json: format: expected a whole number"},
    };
    for (const auto &c : cases) {
        std::string quick, careful;
        try {
            session_from_text(c.text, "s.json");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const InputError &e) {
            quick = e.what();
        }
        try {
            session_from_json(parse_json_text(c.text, "s.json"), "s.json");
        } catch (const InputError &e) {
            careful = e.what();
        }
        EXPECT_NE(quick.find(c.message), std::string::npos) << quick;
        EXPECT_EQ(quick, careful);
    }
}

// Load, save, load: the same model; and the same session saves to the same bytes.
TEST(SessionFormat, SavedIsReadBackToTheBitAndAlwaysTheSame) {
    for (const auto &e : fs::directory_iterator(kForms)) {
        std::string text = scenario::read_file(e.path());
        auto session = session_from_text(text, "s");
        std::string once = session_text(*session);
        EXPECT_EQ(session_text(*session), once) << e.path();
        EXPECT_EQ(model_of(once), model_text::of(*session)) << e.path();
    }
}
