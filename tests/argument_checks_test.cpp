// The argument checks: verdicts and exact messages. The checks that end the process are called
// by a program of their own (argument_check.cpp), whose standard output and exit status are
// compared.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Varnoke_LiDAR.h"
#include "support/las_file.h"
#include "support/printed.h"
#include "support/process.h"
#include "support/scratch.h"

namespace lastest {
namespace {

TEST(CheckYN, AcceptsExactlyOneLetterFlags) {
    const std::string complaint = "\nASCII Header Flag should be either Y (y) or N (n)\n";
    struct Case {
        const char *text;
        bool accepted;
    };
    const Case cases[] = {{"Y", true},    {"N", true},   {"y", true}, {"n", true},  {"yes", false},
                          {"YES", false}, {"Y ", false}, {"", false}, {"x", false}, {"NY", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        int16_t status = 0;
        EXPECT_EQ(printed([&] { status = check_YN(c.text); }), c.accepted ? "" : complaint);
        EXPECT_EQ(status, c.accepted ? 0 : -1);
    }
}

// Runs `check` on `text` in the program that calls it, in directory `cwd`.
ProcessResult run_check(const std::string &check, const std::string &text,
                        const std::string &cwd = ".") {
    const ScratchDir holder;
    write_file(holder / "argument", Bytes(text.begin(), text.end()));
    return run_argument_check({check, holder / "argument"}, cwd);
}

std::string invalid_value(const std::string &text) {
    return "\nInvalid argument value (" + text + ")\n";
}

TEST(CheckNumericArgument, AcceptsOrEndsTheProcess) {
    const std::string beyond_16_bits(70000, '7');
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"0", true},
        {"42", true},
        {"-7", true},
        {"3.25", true},
        {"-0.5", true},
        {".5", true},
        {"5.", true},
        {"12-5", true},
        {"5-", true},
        {"-.", true},
        {"", true},
        {".", false},
        {"-", false},
        {"1.2.3", false},
        {"--5", false},
        {"+5", false},
        {"1e3", false},
        {" 5", false},
        {"5,0", false},
        {"abc", false},
        {"x..", false},   // breaks two rules, complains once
        {"\xB3", false},  // a byte above 127 is no digit
        {"7\xB9", false},
        // Texts longer than a 16-bit index can reach are scanned whole under the same rules.
        {beyond_16_bits, true},
        {beyond_16_bits + "-.", true},
        {beyond_16_bits + "x", false},
        {beyond_16_bits + "..", false},
        {"-" + beyond_16_bits + "-", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.size() > 20 ? c.text.substr(c.text.size() - 3) : c.text);
        const ProcessResult r = run_check("check_numeric_argument", c.text);
        EXPECT_EQ(r.out, c.accepted ? "" : invalid_value(c.text));
        EXPECT_EQ(r.status, c.accepted ? 0 : 255);
    }
}

std::string extension_complaint(const std::string &name, const std::string &extension) {
    return "\nFile extension of " + name + " is not ." + extension + "\n";
}

const std::string kDemExtension =
    "\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point binary)\n";
const std::string kDemHeaderMissing =
    "\nFloating point binary DEM files also require a ASCII header file ('.hdr')\n";

TEST(CheckDem, AcceptsAsciiAndFloatingPointNamesWithTheirMessages) {
    ScratchDir dir;
    // Companion headers present in the directory; the DEM files themselves are never opened.
    // A stem far longer than 80 characters, in directories (a single name may not pass 255).
    const std::string folder(60, 'd');
    const std::string long_stem = folder + "/" + folder + "/" + folder + "/" + folder + "/dem";
    std::filesystem::create_directories(dir.path() / "sub");
    std::filesystem::create_directories(dir.path() / long_stem.substr(0, long_stem.size() - 4));
    for (const std::string &hdr :
         {std::string("dem.hdr"), std::string("sub/dem.hdr"), long_stem + ".hdr"}) {
        write_file(dir / hdr, {});
    }
    const std::string too_short = "\nFile name (.asc) is too short\n";
    const std::string no_dot = "\nExtension of file demasc should be preceeded by a dot (.)\n";
    struct Case {
        std::string name;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"a.asc", extension_complaint("a.asc", "flt"), 0},
        {"dem.asc", extension_complaint("dem.asc", "flt"), 0},
        {"dem.flt", extension_complaint("dem.flt", "asc"), 0},
        {"sub/dem.flt", extension_complaint("sub/dem.flt", "asc"), 0},
        {long_stem + ".flt", extension_complaint(long_stem + ".flt", "asc"), 0},
        {"other.flt",
         extension_complaint("other.flt", "asc") +
             "Unable to open file other.hdr in file_access()\n" + kDemHeaderMissing,
         255},
        {"sub.flt",  // the directory sub exists, but not sub.hdr
         extension_complaint("sub.flt", "asc") + "Unable to open file sub.hdr in file_access()\n" +
             kDemHeaderMissing,
         255},
        {long_stem + "x.flt",
         extension_complaint(long_stem + "x.flt", "asc") + "Unable to open file " + long_stem +
             "x.hdr in file_access()\n" + kDemHeaderMissing,
         255},
        {"DEM.FLT",
         extension_complaint("DEM.FLT", "asc") + extension_complaint("DEM.FLT", "flt") +
             kDemExtension,
         255},
        {"dem.ASC",
         extension_complaint("dem.ASC", "asc") + extension_complaint("dem.ASC", "flt") +
             kDemExtension,
         255},
        {"dem.hdr",
         extension_complaint("dem.hdr", "asc") + extension_complaint("dem.hdr", "flt") +
             kDemExtension,
         255},
        {".asc", too_short + too_short + kDemExtension, 255},
        {"demasc", no_dot + no_dot + kDemExtension, 255},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.size() > 20 ? c.name.substr(c.name.size() - 8) : c.name);
        const ProcessResult r = run_check("check_DEM", c.name, dir.str());
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.status);
    }
}

}  // namespace
}  // namespace lastest
