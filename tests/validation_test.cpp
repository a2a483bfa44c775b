// The validation functions called directly: their results and their exact messages.
#include <gtest/gtest.h>

#include "Varnoke_LiDAR.h"
#include "support/expected_output.h"
#include "support/las_file.h"
#include "support/printed.h"
#include "support/scratch.h"

namespace lastest {
namespace {

TEST(CheckLas, YieldsTheLasTypeOfEachAcceptedCombination) {
    struct Case {
        uint8_t minor, format;
        uint16_t length;
        int16_t type;
    };
    const Case cases[] = {
        {0, 0, 20, 1},
        {0, 1, 28, 2},
        {1, 0, 20, 3},
        {1, 1, 28, 4},
        {2, 0, 20, 5},
        {2, 1, 28, 6},
        {2, 2, 26, 7},
        {2, 3, 34, 8},
        // Formats 2 and 3 before 1.2: no type, no message, whatever the length.
        {0, 2, 26, 0},
        {0, 3, 34, 0},
        {1, 2, 0, 0},
        {1, 3, 99, 0},
        // A length that belongs to another format.
        {2, 0, 28, -1},
        {2, 1, 20, -1},
        {0, 0, 0, -1},
        {2, 3, 26, -1},
    };
    ScratchDir dir;
    const std::string name = dir / "c.las";
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "1." << int{c.minor} << " format " << int{c.format}
                                        << " length " << c.length);
        LasSpec spec;
        spec.minor = c.minor;
        spec.format = c.format;
        spec.record_length = c.length;
        write_file(name, make_las(spec));
        int16_t type = 0;
        const std::string out = printed([&] { type = check_las(name.c_str()); });
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(out.empty(), c.type >= 0) << out;
    }
}

// A valid file cut anywhere before the end of the record length field is judged too short; from
// byte 107 on, validation has all it reads.
TEST(CheckLas, RejectsAFileThatEndsBeforeTheRecordLength) {
    LasSpec spec;
    spec.format = 3;
    const Bytes whole = make_las(spec);
    ScratchDir dir;
    const std::string name = dir / "t.las";
    for (std::size_t size = 0; size <= 108; ++size) {
        SCOPED_TRACE(size);
        write_file(name, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        int16_t type = 0;
        const std::string out = printed([&] { type = check_las(name.c_str()); });
        if (size < 107) {
            EXPECT_EQ(type, -1);
            EXPECT_EQ(out, too_short(name));
        } else {
            EXPECT_EQ(type, 8);
            EXPECT_EQ(out, "");
        }
    }
}

// A file shorter than a header is judged on the bytes it has: a rule whose field is there
// speaks before the file is found too short.
TEST(CheckLas, AShortFileIsJudgedOnTheBytesItHas) {
    LasSpec format3;
    format3.format = 3;
    Bytes bad_signature = make_las(format3);
    put_u8(bad_signature, 0, 'X');
    bad_signature.resize(10);
    LasSpec las13;
    las13.minor = 3;
    las13.record_length = 20;
    las13.points = {{1, 1, 1, 1}};
    Bytes short13 = make_las(las13);
    short13.resize(30);
    ScratchDir dir;
    const std::string name = dir / "t.las";
    const struct {
        const char *what;
        Bytes file;
        std::string message;
    } cases[] = {
        {"10 bytes, a bad signature", bad_signature, "\n" + name + " is not a valid .las file\n\n"},
        {"30 bytes of version 1.3", short13, "\nCannot handle las files of version 1.3\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        write_file(name, c.file);
        int16_t type = 0;
        EXPECT_EQ(printed([&] { type = check_las(name.c_str()); }), c.message);
        EXPECT_EQ(type, -1);
    }
}

// A minor version above 9 prints as the character after '9'; a record length as an unsigned
// number.
TEST(CheckLas, FieldsPrintedAsTheyAre) {
    ScratchDir dir;
    const std::string name = dir / "v.las";
    const struct {
        uint8_t minor, format;
        uint16_t length;
        std::string message;
    } cases[] = {
        {10, 0, 20, "\nCannot handle las files of version 1.:\n"},
        {0, 1, 65535,
         "\nData format of " + name + " (1) is incompatible with Length of Data Record (65535)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        LasSpec spec;
        spec.minor = c.minor;
        spec.format = c.format;
        spec.record_length = c.length;
        spec.points = {{1, 1, 1, 1}};
        write_file(name, make_las(spec));
        int16_t type = 0;
        EXPECT_EQ(printed([&] { type = check_las(name.c_str()); }), c.message);
        EXPECT_EQ(type, -1);
    }
}

TEST(CheckFileExtension, ComparesTheLastThreeCharactersExactly) {
    struct Case {
        const char *name, *extension;
        int16_t result;
        std::string message;
    };
    const Case cases[] = {
        {"a.las", "las", 0, ""},
        {"dir.d/x.las", "las", 0, ""},
        {".las", "las", -1, "\nFile name (.las) is too short\n"},
        {"", "las", -1, "\nFile name () is too short\n"},
        {"a_las", "las", -1, "\nExtension of file a_las should be preceeded by a dot (.)\n"},
        {"a.LAS", "las", -1, "\nFile extension of a.LAS is not .las\n"},
        {"a.las", "la", -1, "\nFile extension of a.las is not .la\n"},
        {"a.las", "lass", -1, "\nFile extension of a.las is not .lass\n"},
        {"a.flt", "asc", -1, "\nFile extension of a.flt is not .asc\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int16_t result = 0;
        EXPECT_EQ(printed([&] { result = check_file_extension(c.name, c.extension); }), c.message);
        EXPECT_EQ(result, c.result);
    }
}

TEST(FileAccess, ReportsAFileThatCannotBeOpened) {
    ScratchDir dir;
    const std::string present = dir / "p.txt", absent = dir / "a.txt";
    write_file(present, {1, 2, 3});
    int16_t result = -1;
    EXPECT_EQ(printed([&] { result = file_access(present.c_str()); }), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed([&] { result = file_access(absent.c_str()); }),
              "Unable to open file " + absent + " in file_access()\n");
    EXPECT_EQ(result, -1);
}

TEST(ErrorMsg, PrintsOneOfThreeMessages) {
    const std::pair<int16_t, std::string> cases[] = {
        {1, "\nFile f.las does NOT exist\n"},
        {2, "\nFile f.las already exists\n"},
        {3, "\nSame file name (f.las) has been specified twice\n"},
        {0, ""},
        {4, ""},
        {-1, ""},
    };
    for (const auto &[number, message] : cases) {
        EXPECT_EQ(printed([n = number] { error_msg(n, "f.las"); }), message) << number;
    }
}

}  // namespace
}  // namespace lastest
