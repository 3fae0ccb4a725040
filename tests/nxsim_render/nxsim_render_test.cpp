// nxsim render: the picture is well-formed SVG, draws each route's walk order at the
// places projected into the WCS, and marks exactly the rivets the route check named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "child_process.h"
#include "cp1251.h"
#include "render.h"
#include "scenario.h"
#include "temp_dir.h"
#include "xml_reader.h"

namespace fs = std::filesystem;
using scenario::Element;
using scenario::parse_xml;
using scenario::with_class;
using scenario::with_id;

namespace {

std::vector<std::pair<double, double>> polyline_points(const Element &e) {
    std::vector<std::pair<double, double>> pts;
    std::istringstream in(e.get("points"));
    std::string pair;
    while (in >> pair) {
        size_t comma = pair.find(',');
        pts.emplace_back(std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1)));
    }
    return pts;
}

double number(const Element &e, const char *key) { return std::stod(e.get(key)); }

// ---- running the renderer -------------------------------------------------------

struct Rendered {
    int code = -1;
    std::string out, err, svg;
    Element root;
};

class Render : public ::testing::Test {
protected:
    fs::path write(const std::string &name, const std::string &bytes) {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    Rendered render(const std::string &session_json, std::optional<std::string> plane = std::nullopt,
                    std::optional<std::string> findings = std::nullopt) {
        nxsim::RenderOptions o;
        o.session = write("session.json", session_json);
        o.out = dir / "picture.svg";
        fs::remove(o.out);
        o.plane = plane;
        if (findings) o.findings = write("prterr.txt", *findings);
        return render(o);
    }

    Rendered render(const nxsim::RenderOptions &o) {
        Rendered r;
        std::ostringstream out, err;
        r.code = nxsim::render_command(o, out, err);
        r.out = out.str();
        r.err = err.str();
        if (r.code == 0) {
            r.svg = scenario::read_file(o.out);
            try {
                r.root = parse_xml(r.svg);
            } catch (const std::exception &e) {
                ADD_FAILURE() << e.what();
            }
        }
        return r;
    }

    scenario::temp_dir scratch{"nxsim-render"};
    fs::path dir = scratch.path();
};

// Rivets are found at any depth; routes carry PATH on their part; the walk is the
// text order of point_id ("_02" < "_1" < "_10"), and a rivet without one is off it.
const char *const kPanel = R"json({
  "display": "@DB/PANEL/A",
  "parts": [
    {"name": "@DB/PANEL/A", "components": [
      {"name": "SKIN", "part": "@DB/SKIN/A"},
      {"name": "ROUTE_A", "part": "@DB/RA/A", "origin": [0, 100, 0]},
      {"name": "ROUTE_B", "part": "@DB/RB/A", "origin": [0, 200, 0]},
      {"name": "ROUTE_C", "part": "@DB/RC/A", "origin": [0, 300, 0]},
      {"name": "ROUTE_D", "part": "@DB/RD/A", "origin": [0, 400, 0]},
      {"name": "LOOSE", "part": "@DB/RIV/A", "origin": [50, 50, 0],
       "attributes": {"RIVET": "work", "point_id": "AAAAB_001_1"}}]},
    {"name": "@DB/SKIN/A", "bodies": 1},
    {"name": "@DB/RIV/A", "bodies": 1},
    {"name": "@DB/WASHER/A", "bodies": 1},
    {"name": "@DB/RA/A", "attributes": {"PATH": "work"}, "components": [
      {"name": "A3", "part": "@DB/RIV/A", "origin": [30, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_001_10"}},
      {"name": "A1", "part": "@DB/RIV/A", "origin": [10, 5, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_001_02"}},
      {"name": "A0", "part": "@DB/RIV/A", "origin": [20, -5, 0], "attributes": {"RIVET": "work"}},
      {"name": "W", "part": "@DB/WASHER/A", "origin": [25, 0, 0]},
      {"name": "A2", "part": "@DB/RIV/A", "origin": [0, 8, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_001_1"}},
      {"name": "A4", "part": "@DB/RIV/A", "origin": [40, 0, 0],
       "attributes": {"RIVET": "work", "point_id": "AAAAB_001_POINT_ID_LONG"}}]},
    {"name": "@DB/RB/A", "attributes": {"PATH": "work"}, "components": [
      {"name": "B1", "part": "@DB/RIV/A", "origin": [0, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_002_01"}},
      {"name": "B2", "part": "@DB/RIV/A", "origin": [10, 0, 0], "attributes": {"RIVET": "work"}}]},
    {"name": "@DB/RC/A", "attributes": {"PATH": "work"}, "components": [
      {"name": "C1", "part": "@DB/RIV/A", "origin": [0, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_003_01"}},
      {"name": "C2", "part": "@DB/RIV/A", "origin": [10, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_003_02"}}]},
    {"name": "@DB/RD/A", "attributes": {"PATH": "work"}, "components": [
      {"name": "D1", "part": "@DB/RIV/A", "origin": [0, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_004_01"}},
      {"name": "D2", "part": "@DB/RIV/A", "origin": [10, 0, 0], "attributes": {"RIVET": "work", "point_id": "AAAAB_004_02"}}]}
  ]})json";

// The rivet circle of a route and point_id; fails the test unless there is exactly one.
const Element &rivet(const Element &root, const std::string &route, const std::string &point_id) {
    std::vector<const Element *> found;
    for (const Element *e : with_class(root, "circle", "rivet"))
        if (e->get("data-route") == route && e->get("data-point-id") == point_id) found.push_back(e);
    if (found.size() != 1)
        throw std::runtime_error(route + "/" + point_id + ": " + std::to_string(found.size()) + " rivets");
    return *found[0];
}

const Element *walk_of(const Element &root, const std::string &route) {
    for (const Element *e : with_class(root, "polyline", "walk"))
        if (e->get("data-route") == route) return e;
    return nullptr;
}

// Pixels must follow plane coordinates by one scale, the vertical axis pointing up.
void expect_uniform_scale(const std::vector<const Element *> &circles) {
    ASSERT_GE(circles.size(), 3u);
    const Element *a = circles[0], *b = nullptr, *c = nullptr;
    for (const Element *e : circles) {
        if (b == nullptr || std::fabs(number(*e, "data-u") - number(*a, "data-u")) >
                                std::fabs(number(*b, "data-u") - number(*a, "data-u")))
            b = e;
        if (c == nullptr || std::fabs(number(*e, "data-v") - number(*a, "data-v")) >
                                std::fabs(number(*c, "data-v") - number(*a, "data-v")))
            c = e;
    }
    double su = (number(*b, "cx") - number(*a, "cx")) / (number(*b, "data-u") - number(*a, "data-u"));
    double sv = -(number(*c, "cy") - number(*a, "cy")) / (number(*c, "data-v") - number(*a, "data-v"));
    EXPECT_GT(su, 0);
    EXPECT_NEAR(su, sv, su * 1e-3);
    for (const Element *e : circles) {
        EXPECT_NEAR(number(*e, "cx"), number(*a, "cx") + su * (number(*e, "data-u") - number(*a, "data-u")), 0.02);
        EXPECT_NEAR(number(*e, "cy"), number(*a, "cy") - su * (number(*e, "data-v") - number(*a, "data-v")), 0.02);
    }
}

TEST(XmlReader, RefusesWhatIsNotWellFormed) {
    EXPECT_NO_THROW(parse_xml("<?xml version=\"1.0\"?>\n<a x=\"1 &amp; 2\"><b/>t&lt;<!-- c --></a>\n"));
    for (const char *bad :
         {"<a><b></a></b>", "<a>", "<a></a><b/>", "<a x=\"1\"x=\"2\"/>", "<a x=\"1\" x=\"2\"/>", "<a>&</a>",
          "<a>&nbsp;</a>", "<a x=\"<\"/>", "<a>\x01</a>", "<a>\xC3</a>", "text", "<a x=1/>"}) {
        EXPECT_THROW(parse_xml(bad), std::runtime_error) << bad;
    }
}

TEST_F(Render, DrawsOneWalkPerRouteAndEveryRivet) {
    Rendered r = render(kPanel);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, (dir / "picture.svg").string() + ": 4 routes, 12 rivets\n");
    EXPECT_EQ(r.root.name, "svg");
    EXPECT_EQ(r.root.get("xmlns"), "http://www.w3.org/2000/svg");
    EXPECT_EQ(r.svg.find("nan"), std::string::npos);
    EXPECT_EQ(r.svg.find("inf"), std::string::npos);

    std::set<std::string> routes;
    for (const Element *w : with_class(r.root, "polyline", "walk")) routes.insert(w->get("data-route"));
    EXPECT_EQ(with_class(r.root, "polyline", "walk").size(), 4u);
    EXPECT_EQ(routes, (std::set<std::string>{"ROUTE_A", "ROUTE_B", "ROUTE_C", "ROUTE_D"}));
    EXPECT_EQ(with_class(r.root, "g", "legend-route").size(), 4u);

    // Colour by route: one colour per route, all different, the loose rivet neutral.
    std::map<std::string, std::set<std::string>> fills;
    for (const Element *c : with_class(r.root, "circle", "rivet")) fills[c->get("data-route")].insert(c->get("fill"));
    ASSERT_EQ(fills.size(), 5u);  // four routes and "" for the loose rivet
    std::set<std::string> colours;
    for (const auto &[route, f] : fills) {
        EXPECT_EQ(f.size(), 1u) << route;
        colours.insert(*f.begin());
    }
    EXPECT_EQ(colours.size(), 5u);
    EXPECT_EQ(with_class(r.root, "circle", "rivet").size(), 12u);
    // SKIN, the four route components and the washer are drawn faint.
    EXPECT_EQ(with_class(r.root, "circle", "component").size(), 6u);
    EXPECT_TRUE(with_class(r.root, "circle", "finding").empty());

    std::vector<const Element *> titles = with_class(r.root, "text", "title");
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->all_text(), "@DB/PANEL/A");
    std::set<std::string> labels;
    for (const Element *t : with_class(r.root, "text", "axis-label")) labels.insert(t->all_text());
    EXPECT_EQ(labels, (std::set<std::string>{"XC (mm)", "YC (mm)"}));
    const Element *bar = with_id(r.root, "scale-bar");
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(bar->all_text().find(" mm"), std::string::npos);
}

TEST_F(Render, WalkFollowsPointIdsAsText) {
    Rendered r = render(kPanel);
    ASSERT_EQ(r.code, 0) << r.err;
    const Element *walk = walk_of(r.root, "ROUTE_A");
    ASSERT_NE(walk, nullptr);
    auto points = polyline_points(*walk);
    // The rivet without point_id is drawn but is not on the walk.
    const char *order[] = {"AAAAB_001_02", "AAAAB_001_1", "AAAAB_001_10", "AAAAB_001_POINT_ID_LONG"};
    const double places[][2] = {{10, 105}, {0, 108}, {30, 100}, {40, 100}};
    ASSERT_EQ(points.size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const Element &c = rivet(r.root, "ROUTE_A", order[k]);
        EXPECT_NEAR(number(c, "data-u"), places[k][0], 1e-6) << order[k];
        EXPECT_NEAR(number(c, "data-v"), places[k][1], 1e-6) << order[k];
        EXPECT_NEAR(points[k].first, number(c, "cx"), 0.01) << order[k];
        EXPECT_NEAR(points[k].second, number(c, "cy"), 0.01) << order[k];
    }
    EXPECT_EQ(polyline_points(*walk_of(r.root, "ROUTE_B")).size(), 1u);
    expect_uniform_scale(with_class(r.root, "circle", "rivet"));
}

// A log as the route check writes it: banners, a host failure, findings, CR LF.
std::string crlf(const std::string &text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

const char *const kFindings =
    "\n <route_check>\tHAS STARTED\t\tline=43\n"
    "\n\terrorCode=1\tmessage=в маршруте <ROUTE_D> заклепка\tline=70\n"
    "\n\t в маршруте <ROUTE_A> заклепка <AAAAB_001_1> - неправильное значение атрибута <pr_code> <Z>\tline=148\n"
    "\n\t в маршруте <ROUTE_A> заклепка <AAAAB_001_POINT_ID_> - отсутствует атрибут <ad_code>\n"
    "\n\t отсутствие атрибута <point_id> у заклепки в маршруте <ROUTE_B>\n"
    "\n\t в маршруте <ROUTE_C> больше 99 заклепок\tline=103 \n"
    "\n\t в маршруте <ROUTE_X> заклепка <X_01> - отсутствует атрибут <pr_code>\n"
    "\n <route_check>\tHAS FINISHED\tline=81\n";

std::multiset<std::string> marked(const Element &root) {
    std::multiset<std::string> keys;
    for (const Element *f : with_class(root, "circle", "finding"))
        keys.insert(f->get("data-route") + "/" + f->get("data-point-id"));
    return keys;
}

TEST_F(Render, MarksExactlyTheRivetsTheFindingsName) {
    Rendered r = render(kPanel, std::nullopt, crlf(kFindings));
    ASSERT_EQ(r.code, 0) << r.err;
    // A cut point_id of 19 characters stands for the longer one; "_1" is not "_10";
    // a whole route is marked for a missing point_id and for more than 99 rivets.
    EXPECT_EQ(marked(r.root), (std::multiset<std::string>{"ROUTE_A/AAAAB_001_1", "ROUTE_A/AAAAB_001_POINT_ID_LONG",
                                                          "ROUTE_B/AAAAB_002_01", "ROUTE_B/", "ROUTE_C/AAAAB_003_01",
                                                          "ROUTE_C/AAAAB_003_02"}));
    // Each ring sits on its rivet, and says what was found.
    const Element &a1 = rivet(r.root, "ROUTE_A", "AAAAB_001_1");
    for (const Element *f : with_class(r.root, "circle", "finding")) {
        if (f->get("data-point-id") != "AAAAB_001_1") continue;
        EXPECT_EQ(f->get("cx"), a1.get("cx"));
        EXPECT_EQ(f->get("cy"), a1.get("cy"));
        std::string tip = f->all_text();
        EXPECT_NE(tip.find(nxsim::cp1251_to_utf8("неправильное значение атрибута <pr_code> <Z>")), std::string::npos)
            << tip;
        EXPECT_EQ(tip.find("line="), std::string::npos) << tip;
    }
    EXPECT_EQ(r.out, (dir / "picture.svg").string() + ": 4 routes, 12 rivets, 6 marked\n");
    // The finding about a route that is not drawn is told, with its line.
    EXPECT_EQ(r.err, "nxsim: note: " + (dir / "prterr.txt").string() +
                         ":14: 1 finding names no rivet of the displayed assembly\n");
}

// Every finding that names a rivet gets a number, beside its rivet (a whole route's
// at the start of its walk), and its text in a numbered list beside the legend, so
// the picture tells what was found also on paper.
TEST_F(Render, NumbersTheFindingsAndListsThemBesideTheLegend) {
    Rendered r = render(kPanel, std::nullopt, crlf(kFindings));
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> list;
    for (const Element *e : with_class(r.root, "text", "finding-entry")) list.push_back(e->text);
    EXPECT_EQ(list, (std::vector<std::string>{
                        nxsim::cp1251_to_utf8("1  ROUTE_A AAAAB_001_1: неправильное значение атрибута <pr_code> <Z>"),
                        nxsim::cp1251_to_utf8("2  ROUTE_A AAAAB_001_POINT_ID_: отсутствует атрибут <ad_code>"),
                        nxsim::cp1251_to_utf8("3  отсутствие атрибута <point_id> у заклепки в маршруте <ROUTE_B>"),
                        nxsim::cp1251_to_utf8("4  в маршруте <ROUTE_C> больше 99 заклепок")}));
    std::map<std::string, const Element *> numbers;
    for (const Element *e : with_class(r.root, "text", "finding-number")) numbers[e->text] = e;
    ASSERT_EQ(numbers.size(), 4u);
    const std::pair<const char *, const Element *> at[] = {
        {"1", &rivet(r.root, "ROUTE_A", "AAAAB_001_1")},
        {"2", &rivet(r.root, "ROUTE_A", "AAAAB_001_POINT_ID_LONG")},
        {"3", &rivet(r.root, "ROUTE_B", "AAAAB_002_01")},
        {"4", &rivet(r.root, "ROUTE_C", "AAAAB_003_01")},
    };
    for (const auto &[n, circle] : at) {
        ASSERT_TRUE(numbers.count(n)) << n;
        EXPECT_NEAR(number(*numbers[n], "x"), number(*circle, "cx") + 8, 0.01) << n;
        EXPECT_NEAR(number(*numbers[n], "y"), number(*circle, "cy") + 13, 0.01) << n;
    }
    // Without a log there is neither a number nor a list.
    Rendered plain = render(kPanel);
    EXPECT_TRUE(with_class(plain.root, "text", "finding-entry").empty());
    EXPECT_TRUE(with_class(plain.root, "text", "finding-number").empty());
}

// --colour-by fastener: rivets of one fast_code share a colour, another code has
// another, a rivet without one is grey, and the legend names each code.
TEST_F(Render, ColoursRivetsByFastener) {
    std::string session = kPanel;
    auto give = [&](const std::string &point_id, const std::string &fast) {
        std::string key = "\"point_id\": \"" + point_id + "\"";
        size_t at = session.find(key);
        ASSERT_NE(at, std::string::npos) << point_id;
        session.insert(at + key.size(), ", \"fast_code\": \"" + fast + "\"");
    };
    give("AAAAB_001_10", "3404579D35");
    give("AAAAB_001_02", "3404579D35");
    give("AAAAB_002_01", "3404579D35");
    give("AAAAB_003_01", "163768D40");
    nxsim::RenderOptions o;
    o.session = write("session.json", session);
    o.out = dir / "picture.svg";
    o.by_fastener = true;
    Rendered r = render(o);
    ASSERT_EQ(r.code, 0) << r.err;
    std::string a = rivet(r.root, "ROUTE_A", "AAAAB_001_10").get("fill");
    EXPECT_EQ(rivet(r.root, "ROUTE_A", "AAAAB_001_02").get("fill"), a);
    EXPECT_EQ(rivet(r.root, "ROUTE_B", "AAAAB_002_01").get("fill"), a) << "another route, the same fastener";
    std::string b = rivet(r.root, "ROUTE_C", "AAAAB_003_01").get("fill");
    EXPECT_NE(b, a);
    std::string none = rivet(r.root, "ROUTE_C", "AAAAB_003_02").get("fill");
    EXPECT_NE(none, a);
    EXPECT_NE(none, b);
    EXPECT_EQ(rivet(r.root, "ROUTE_D", "AAAAB_004_01").get("fill"), none);
    std::vector<std::string> legend;
    for (const Element *e : with_class(r.root, "g", "legend-fastener")) legend.push_back(e->get("data-fastener"));
    EXPECT_EQ(legend, (std::vector<std::string>{"163768D40", "3404579D35"}));
    // By route (the default) the two routes' rivets differ.
    Rendered by_route = render(session);
    EXPECT_NE(rivet(by_route.root, "ROUTE_A", "AAAAB_001_10").get("fill"),
              rivet(by_route.root, "ROUTE_B", "AAAAB_002_01").get("fill"));
}

TEST_F(Render, MarksNothingForALogWithoutFindings) {
    Rendered r = render(kPanel, std::nullopt, crlf("\n <route_check>\tHAS STARTED\t\tline=43\n"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(marked(r.root).empty());
    EXPECT_EQ(r.err, "");
}

// The WCS is moved and turned, and the route is turned inside a moved sub-assembly.
const char *const kTurned = R"json({
  "display": "@DB/ASM/A",
  "parts": [
    {"name": "@DB/ASM/A", "wcs": {"origin": [10, 20, 30], "x": [0, 1, 0], "y": [0, 0, 1]}, "components": [
      {"name": "SUB", "part": "@DB/SUB/A", "origin": [0, 0, 10]},
      {"name": "L", "part": "@DB/RIV/A", "origin": [0, 5, 0], "attributes": {"RIVET": "work", "point_id": "L_01"}}]},
    {"name": "@DB/SUB/A", "components": [
      {"name": "R", "part": "@DB/ROUTE/A", "origin": [100, 0, 0], "x": [0, 1, 0], "y": [-1, 0, 0]}]},
    {"name": "@DB/ROUTE/A", "attributes": {"PATH": "work"}, "components": [
      {"name": "T1", "part": "@DB/RIV/A", "origin": [10, 0, 5], "attributes": {"RIVET": "work", "point_id": "T_02"}},
      {"name": "T2", "part": "@DB/RIV/A", "origin": [0, 20, 0], "attributes": {"RIVET": "work", "point_id": "T_01"}}]},
    {"name": "@DB/RIV/A", "bodies": 1}
  ]})json";

TEST_F(Render, ProjectsIntoAMovedAndTurnedWcs) {
    // In WCS coordinates: T1 (-10, -15, 90), T2 (-20, -20, 70), L (-15, -30, -10).
    struct Case {
        std::optional<std::string> plane;
        double t1[2], t2[2], l[2];
        std::set<std::string> labels;
    };
    const Case cases[] = {
        {std::nullopt, {-10, -15}, {-20, -20}, {-15, -30}, {"XC (mm)", "YC (mm)"}},
        {"xy", {-10, -15}, {-20, -20}, {-15, -30}, {"XC (mm)", "YC (mm)"}},
        {"yz", {-15, 90}, {-20, 70}, {-30, -10}, {"YC (mm)", "ZC (mm)"}},
        {"zx", {90, -10}, {70, -20}, {-10, -15}, {"ZC (mm)", "XC (mm)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.plane.value_or("default"));
        Rendered r = render(kTurned, c.plane);
        ASSERT_EQ(r.code, 0) << r.err;
        const Element &t1 = rivet(r.root, "R", "T_02");
        const Element &t2 = rivet(r.root, "R", "T_01");
        const Element &l = rivet(r.root, "", "L_01");
        for (auto [e, want] : {std::pair{&t1, c.t1}, std::pair{&t2, c.t2}, std::pair{&l, c.l}}) {
            EXPECT_NEAR(number(*e, "data-u"), want[0], 1e-6) << e->get("data-point-id");
            EXPECT_NEAR(number(*e, "data-v"), want[1], 1e-6) << e->get("data-point-id");
        }
        expect_uniform_scale({&t1, &t2, &l});
        auto walk = polyline_points(*walk_of(r.root, "R"));
        ASSERT_EQ(walk.size(), 2u);
        EXPECT_NEAR(walk[0].first, number(t2, "cx"), 0.01);
        EXPECT_NEAR(walk[0].second, number(t2, "cy"), 0.01);
        EXPECT_NEAR(walk[1].first, number(t1, "cx"), 0.01);
        EXPECT_NEAR(walk[1].second, number(t1, "cy"), 0.01);
        std::set<std::string> labels;
        for (const Element *t : with_class(r.root, "text", "axis-label")) labels.insert(t->all_text());
        EXPECT_EQ(labels, c.labels);
    }
}

TEST_F(Render, MarksWhatARealRouteCheckFound) {
    scenario::outcome run = scenario::run(fs::path(SCENARIO_DIR) / "nxsim_render" / "checked");
    ASSERT_EQ(run.exit_code, 0) << run.stderr_text;
    nxsim::RenderOptions o;
    o.session = run.work / "session.json";
    o.out = dir / "picture.svg";
    o.findings = run.work / "run" / "D" / "prterr.txt";
    Rendered r = render(o);
    fs::remove_all(run.work);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // A wrong pr_code, a missing grip_lng, a cut point_id; ROUTE_B lacks a point_id
    // and is marked whole; ROUTE_C is sound; the loose rivet is never checked.
    EXPECT_EQ(marked(r.root),
              (std::multiset<std::string>{"ROUTE_A/AAAAB_001_02", "ROUTE_A/AAAAB_001_04",
                                          "ROUTE_A/AAAAB_001_LONG_POINT_ID", "ROUTE_B/AAAAB_002_01", "ROUTE_B/"}));
}

TEST_F(Render, EscapesNamesAndWritesUtf8) {
    const char *session = R"json({
      "display": "@DB/\u041f\u0410\u041d\u0415\u041b\u042c/A",
      "parts": [
        {"name": "@DB/\u041f\u0410\u041d\u0415\u041b\u042c/A", "components": [
          {"name": "<&>\"'\u041c", "part": "@DB/R/A"},
          {"name": "C\u0001D", "part": "@DB/X/A"}]},
        {"name": "@DB/R/A", "attributes": {"PATH": "work"}, "components": [
          {"name": "R1", "part": "@DB/X/A", "origin": [1, 2, 0], "attributes": {"RIVET": "work", "point_id": "P&<1>"}}]},
        {"name": "@DB/X/A"}
      ]})json";
    Rendered r = render(session);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string route = "<&>\"'\xD0\x9C";
    EXPECT_EQ(walk_of(r.root, route) != nullptr, true);
    EXPECT_NO_THROW(rivet(r.root, route, "P&<1>"));
    std::vector<const Element *> titles = with_class(r.root, "text", "title");
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0]->all_text(), "@DB/\xD0\x9F\xD0\x90\xD0\x9D\xD0\x95\xD0\x9B\xD0\xAC/A");
}

TEST_F(Render, DrawsEmptyAndDegenerateAssemblies) {
    const char *empty = R"json({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A"}]})json";
    const char *one = R"json({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A", "components": [
        {"name": "R", "part": "@DB/B/A", "origin": [5, 5, 5], "attributes": {"RIVET": "work"}}]}, {"name": "@DB/B/A"}]})json";
    // Far from the origin a grid step may be too small to move a double: still ends.
    const char *far = R"json({"display": "@DB/A/A", "parts": [{"name": "@DB/A/A", "components": [
        {"name": "R", "part": "@DB/B/A", "origin": [1e12, 0, 0], "attributes": {"RIVET": "work"}},
        {"name": "S", "part": "@DB/B/A", "origin": [1e12, 1e-3, 0], "attributes": {"RIVET": "work"}}]},
        {"name": "@DB/B/A"}]})json";
    for (const char *s : {empty, one, far}) {
        Rendered r = render(s);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.svg.find("nan"), std::string::npos);
        EXPECT_EQ(r.svg.find("inf"), std::string::npos);
        EXPECT_TRUE(with_class(r.root, "polyline", "walk").empty());
    }
}

TEST_F(Render, RefusesBadInputAndWritesNothing) {
    nxsim::RenderOptions good;
    good.session = write("session.json", kPanel);
    good.out = dir / "picture.svg";
    struct Case {
        std::string name;
        std::function<void(nxsim::RenderOptions &)> change;
        std::string message;
    };
    const Case cases[] = {
        {"missing session", [&](auto &o) { o.session = dir / "none.json"; },
         (dir / "none.json").string() + ": cannot read the session: no such file"},
        {"malformed session", [&](auto &o) { o.session = write("bad.json", "{\n  \"parts\": [,]\n}"); },
         (dir / "bad.json").string() + ":2:"},
        {"wrong session", [&](auto &o) { o.session = write("bad.json", R"({"parts": [{"name": 3}]})"); },
         (dir / "bad.json").string() + ": parts[0].name: expected a text"},
        {"no displayed part", [&](auto &o) { o.session = write("nod.json", R"({"parts": [{"name": "@DB/A/A"}]})"); },
         (dir / "nod.json").string() + ": display: no part is displayed"},
        {"unknown plane", [&](auto &o) { o.plane = "xz"; }, "--plane: expected xy, yz or zx, not \"xz\""},
        {"empty plane", [&](auto &o) { o.plane = ""; }, "--plane: expected xy, yz or zx, not \"\""},
        {"missing findings", [&](auto &o) { o.findings = dir / "none.txt"; },
         (dir / "none.txt").string() + ": cannot read the route check's log: no such file"},
        {"findings folder", [&](auto &o) { o.findings = dir; },
         dir.string() + ": cannot read the route check's log: it is a folder"},
        {"folder missing for the picture", [&](auto &o) { o.out = dir / "no" / "p.svg"; },
         (dir / "no" / "p.svg").string() + ": cannot be written"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write("picture.svg", "old");
        nxsim::RenderOptions o = good;
        c.change(o);
        std::ostringstream out, err;
        EXPECT_EQ(nxsim::render_command(o, out, err), 2);
        EXPECT_EQ(out.str(), "");
        const std::string said = err.str();
        EXPECT_EQ(said.rfind("nxsim: " + c.message, 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(scenario::read_file(dir / "picture.svg"), "old");
        EXPECT_FALSE(fs::exists(dir / "no"));
        for (const auto &e : fs::directory_iterator(dir))
            EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
    }
}

int run_nxsim(const std::vector<std::string> &arguments) {
    std::vector<std::string> argv{NXSIM_EXE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    scenario::child_result r = scenario::run_child(argv);
    return r.signalled ? -1 : r.exit_code;
}

TEST_F(Render, TheProgramTakesTheCommand) {
    fs::path session = write("session.json", kPanel), picture = dir / "p.svg",
             log = write("prterr.txt", crlf(kFindings));
    std::string s = session.string(), p = picture.string(), f = log.string();
    EXPECT_EQ(run_nxsim({"render", s, "--out", p, "--plane", "yz", "--findings", f}), 0);
    ASSERT_TRUE(fs::exists(picture));
    Element root = parse_xml(scenario::read_file(picture));
    EXPECT_EQ(marked(root).size(), 6u);
    fs::remove(picture);
    EXPECT_EQ(run_nxsim({"render", s}), 2);
    EXPECT_EQ(run_nxsim({"render", "--out", p}), 2);
    EXPECT_EQ(run_nxsim({"render", s, "--out", p, "--plane"}), 2);
    EXPECT_EQ(run_nxsim({"render", s, "--out", p, "--plane", "xz"}), 2);
    EXPECT_EQ(run_nxsim({"render", s, "--out", p, "--colour", "red"}), 2);
    EXPECT_FALSE(fs::exists(picture));
}

}  // namespace
