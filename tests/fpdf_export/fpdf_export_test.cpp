#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scenario.h"

SCENARIO_SUITE(FpdfExport, "fpdf_export");

namespace fs = std::filesystem;

namespace {

std::string fpdf_of(const char *case_name, const char *file) {
    scenario::outcome out = scenario::run(fs::path(SCENARIO_DIR) / "fpdf_export" / case_name);
    EXPECT_EQ(out.exit_code, 0) << out.stderr_text;
    std::string bytes = scenario::read_file(out.work / "run" / "D" / file);
    fs::remove_all(out.work);
    return bytes;
}

}  // namespace

// The record of the machine file's worked example, spelled out field by field
// rather than taken from a golden copy.
TEST(FpdfExportRecord, WorkedExample) {
    std::string file = fpdf_of("defaults_worked_example", "ASM1aaa.fpdf");
    const std::string header = "$$HEAD,\tASM1,\tA,\tTOLV,\t07-12-2026\r\n";
    const std::string route = "$$PATH,\tRT,\t3\r\n";
    std::string record = "A,\tB,\t" + std::string(2, ' ') + "3404579D35,\t095,\t" + std::string(7, ' ') +
                         "RT_01,\t0,\t" + std::string(6, ' ') + "120.50000,\t" + std::string(6, ' ') + "-35.25000,\t";
    for (int i = 0; i < 3; ++i) record += std::string(8, ' ') + "0.00000,\t";
    record += std::string(8, ' ') + "1.00000,\t1, 0, 0\r\n";
    ASSERT_EQ(file.rfind(header + route + record, 0), 0u) << file;
}

// Cuts and padding of the string fields.
TEST(FpdfExportRecord, FieldCuts) {
    std::string file = fpdf_of("routes_in_order_picked", "ASM1aaa.fpdf");
    EXPECT_NE(file.find("H,\tB,\t3404480D40_C,\t9.5,\tAAAAB_001_01,\t0,\t"), std::string::npos);
    EXPECT_NE(file.find("H,\tA,\t  3404579D35,\t095,\tAAAAB_001_03,\t0,\t"), std::string::npos);
    EXPECT_NE(file.find(" ,\tA,\t  3404480D40,\t 95,\t        RT_2,\t0,\t"), std::string::npos);
    EXPECT_NE(file.find("$$PATH,\tAAAAB_001,\t3\r\n"), std::string::npos);
    EXPECT_LT(file.find("RT_10"), file.find("RT_2,"));
}
