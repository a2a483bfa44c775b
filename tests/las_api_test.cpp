// The check and the repair of the library's status API, against a plain reading of the files:
// every version and point format, where the records end, the legacy counts of LAS 1.4, the
// refusals, and the same bytes as Quillfen writes on every file both accept.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "support/las_file.h"
#include "support/process.h"
#include "support/scratch.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace lastest {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    varnoke_las_report report;
    Bytes after;
};

// Writes `file` into a scratch folder and checks or repairs it there, a repair with `flags`.
Outcome run_api(const Bytes &file, bool repair, unsigned flags = 0) {
    ScratchDir dir;
    write_file(dir / "f.las", file);
    Outcome o{};
    const std::string path = dir / "f.las";
    varnoke_las_options options = VARNOKE_LAS_OPTIONS_INIT;
    options.flags = flags;
    o.status = !repair ? varnoke_las_check(path.c_str(), &o.report)
               : flags ? varnoke_las_repair_ex(path.c_str(), &options, &o.report, sizeof o.report)
                       : varnoke_las_repair(path.c_str(), &o.report);
    o.after = read_file(path);
    return o;
}

// Records with every return number of four bits, extremes on each side.
std::vector<Point> mixed_points() {
    return {{-5, 7, 100, 0x01}, {9, -3, -200, 0x0F}, {2, 2, 0, 0x09}, {0, 11, 5, 0x15}};
}

LasSpec spec_of(uint8_t minor, uint8_t format, uint16_t extra = 0) {
    LasSpec s;
    s.minor = minor;
    s.format = format;
    s.record_length = static_cast<uint16_t>(record_length_for(format) + extra);
    s.scale = {0.01, 0.001, 0.5};
    s.offset = {500000.0, -20.0, 3.0};
    s.points = mixed_points();
    return s;
}

// The header a repair must leave: the counts, the counts by return and the box of a plain
// reading, in the fields of its version.
void expect_repaired(const Bytes &before, const Bytes &after) {
    ASSERT_EQ(after.size(), before.size());
    const PlainReading r = read_plainly(before);
    const bool v14 = before[25] == 4;
    const bool legacy_kept = !v14 || (before[104] <= 5 && r.records <= 0xFFFFFFFFu);
    EXPECT_EQ(u32_at(after, 107), legacy_kept ? r.records : 0);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(u32_at(after, 111 + 4 * k), legacy_kept ? r.by_return[k + 1] : 0) << k;
    }
    for (std::size_t side = 0; side < 6; ++side) {
        EXPECT_EQ(std::bit_cast<uint64_t>(f64_at(after, 179 + 8 * side)),
                  std::bit_cast<uint64_t>(r.box[side]))
            << "side " << side;
    }
    if (v14) {
        EXPECT_EQ(u64_at(after, 247), r.records);
        for (std::size_t k = 0; k < 15; ++k)
            EXPECT_EQ(u64_at(after, 255 + 8 * k), r.by_return[k + 1]);
    }
    // Nothing outside the counts and the box changes.
    for (std::size_t k = 0; k < before.size(); ++k) {
        const bool counts = rewritable_byte(k, v14);
        if (!counts) {
            ASSERT_EQ(after[k], before[k]) << "byte " << k;
        }
    }
}

TEST(LasApi, RepairsEveryVersionAndPointFormat) {
    struct Case {
        const char *what;
        LasSpec spec;
    };
    std::vector<Case> cases;
    for (uint8_t minor = 0; minor <= 4; ++minor) {
        const uint8_t highest = minor <= 1 ? 1 : minor == 2 ? 3 : minor == 3 ? 5 : 10;
        for (uint8_t format = 0; format <= highest; ++format) {
            cases.push_back({"a stale header", spec_of(minor, format)});
        }
    }
    cases.push_back({"extra bytes in 1.2", spec_of(2, 1, 6)});
    cases.push_back({"extra bytes in 1.4", spec_of(4, 7, 27)});
    LasSpec waveform = spec_of(3, 4);
    waveform.global_encoding = 2;
    waveform.trailing_bytes = 11;
    waveform.waveform_start = 235 + 4 * 57 + 11;
    waveform.bytes_after = 3 * 57;
    cases.push_back({"waveform data in the file after a fragment", waveform});
    LasSpec waveform_elsewhere = waveform;
    waveform_elsewhere.global_encoding = 4;  // external waveform data: the records run on
    waveform_elsewhere.waveform_start = 0;
    cases.push_back({"waveform data in another file", waveform_elsewhere});
    LasSpec evlr = spec_of(4, 6);
    evlr.evlr_count = 1;
    evlr.evlr_start = 375 + 4 * 30;
    evlr.bytes_after = 60;
    cases.push_back({"an extended VLR after the points", evlr});
    LasSpec no_evlr = evlr;
    no_evlr.evlr_count = 0;  // and its start 0, as the LAS text asks: the bytes after are records
    no_evlr.evlr_start = 0;
    no_evlr.bytes_after = 90;
    cases.push_back({"no extended VLR", no_evlr});
    LasSpec evlr_at_end = evlr;
    evlr_at_end.evlr_count = 0;  // a start at the end of the file: nothing follows it
    evlr_at_end.evlr_start = 375 + 4 * 30;
    evlr_at_end.bytes_after = 0;
    cases.push_back({"no extended VLR, their start at the end of the file", evlr_at_end});
    LasSpec empty = spec_of(4, 2);
    empty.points = {};
    cases.push_back({"no records", empty});

    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.what << ", 1." << int{c.spec.minor} << " format " << int{c.spec.format});
        Bytes before = make_las(c.spec);
        // An EVLR whose payload is empty: its 60 bytes end the file.
        if (c.spec.evlr_count > 0) put_u64(before, c.spec.evlr_start + 20, 0);
        const PlainReading plain = read_plainly(before);
        const Outcome checked = run_api(before, false);
        ASSERT_EQ(checked.status, VARNOKE_LAS_OK) << varnoke_las_strerror(checked.status);
        EXPECT_EQ(checked.after, before);
        const varnoke_las_report &r = checked.report;
        EXPECT_EQ(r.records, plain.records);
        for (std::size_t k = 0; k < 15; ++k)
            EXPECT_EQ(r.records_by_return[k], plain.by_return[k + 1]);
        EXPECT_EQ(r.point_data_end, plain.end);
        EXPECT_EQ(r.trailing_bytes, plain.trailing);
        const unsigned counts = c.spec.points.empty()
                                    ? VARNOKE_LAS_STALE_BY_RETURN
                                    : VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BY_RETURN;
        EXPECT_EQ(r.stale & (VARNOKE_LAS_STALE_COUNT | VARNOKE_LAS_STALE_BY_RETURN), counts);

        const Outcome repaired = run_api(before, true);
        ASSERT_EQ(repaired.status, VARNOKE_LAS_OK) << varnoke_las_strerror(repaired.status);
        EXPECT_EQ(repaired.report.written, 1);
        expect_repaired(before, repaired.after);
        const Outcome again = run_api(repaired.after, true);
        EXPECT_EQ(again.status, VARNOKE_LAS_OK);
        EXPECT_EQ(again.report.stale, 0u);
        EXPECT_EQ(again.report.written, 0);
    }
}

TEST(LasApi, RefusesWhatItCannotJudge) {
    struct Case {
        const char *what;
        Bytes file;
        int status;
    };
    const auto with = [](LasSpec spec, std::size_t at, uint8_t value) {
        Bytes b = make_las(spec);
        put_u8(b, at, value);
        return b;
    };
    LasSpec inside = spec_of(4, 6);
    inside.offset_to_data = 374;
    Bytes past = make_las(spec_of(3, 0));
    put_u32(past, 96, static_cast<uint32_t>(past.size() + 1));
    LasSpec short_header = spec_of(3, 1);
    short_header.header_size = 227;
    short_header.offset_to_data = 235;
    Bytes cut = make_las(spec_of(4, 6));
    cut.resize(300);
    // Pointers that contradict the count: ten records of 30 bytes from 375 and an EVLR start at
    // 525, a real EVLR at 675; LAS 1.3 format 4 with its waveform data at the fifth record; an
    // EVLR at the offset to data with three records declared.
    const auto declared = [](LasSpec spec, std::size_t records) {
        spec.points.resize(records, Point{3, 4, 5, 1});
        spec.stored_records = records;
        return spec;
    };
    LasSpec uncounted = declared(spec_of(4, 6), 4);
    uncounted.evlr_start = 375 + 4 * 30;
    uncounted.bytes_after = 90;
    LasSpec among = declared(spec_of(4, 6), 10);
    among.evlr_count = 1;
    among.evlr_start = 525;
    among.bytes_after = 60;
    Bytes among_file = make_las(among);
    put_u64(among_file, 675 + 20, 0);
    LasSpec waveform = declared(spec_of(3, 4), 10);
    waveform.global_encoding = 2;
    waveform.waveform_start = 235 + 5 * 57;
    waveform.bytes_after = 100;
    LasSpec at_start = declared(spec_of(4, 6), 3);
    at_start.evlr_count = 1;
    at_start.evlr_start = 375;
    const Case cases[] = {
        {"no signature", with(spec_of(2, 0), 3, 'X'), VARNOKE_LAS_ERR_NOT_LAS},
        {"version 2.0", with(spec_of(2, 0), 24, 2), VARNOKE_LAS_ERR_VERSION},
        {"version 1.5", with(spec_of(4, 0), 25, 5), VARNOKE_LAS_ERR_VERSION},
        {"compressed without a LASzip VLR", with(spec_of(4, 6), 104, 0x86),
         VARNOKE_LAS_ERR_LAZ_ITEMS},
        {"format 11", with(spec_of(4, 6), 104, 11), VARNOKE_LAS_ERR_POINT_FORMAT},
        {"format 6 in 1.3", with(spec_of(3, 5), 104, 6), VARNOKE_LAS_ERR_POINT_FORMAT},
        {"format 2 in 1.1", with(spec_of(1, 1), 104, 2), VARNOKE_LAS_ERR_POINT_FORMAT},
        {"records shorter than format 5", with(spec_of(3, 4), 104, 5),
         VARNOKE_LAS_ERR_RECORD_LENGTH},
        {"a 1.3 header of 227 bytes", make_las(short_header), VARNOKE_LAS_ERR_TOO_SHORT},
        {"a 1.4 file cut at 300 bytes", cut, VARNOKE_LAS_ERR_TOO_SHORT},
        {"data inside the 1.4 header", make_las(inside), VARNOKE_LAS_ERR_DATA_IN_HEADER},
        {"data past the end", past, VARNOKE_LAS_ERR_DATA_PAST_END},
        {"an EVLR start set, none counted", make_las(uncounted), VARNOKE_LAS_ERR_EVLR_UNCOUNTED},
        {"an EVLR start among the declared records", among_file, VARNOKE_LAS_ERR_RECORDS_OVERLAP},
        {"waveform data at the fifth of ten records", make_las(waveform),
         VARNOKE_LAS_ERR_RECORDS_OVERLAP},
        {"an EVLR at the offset to data, 3 records declared", make_las(at_start),
         VARNOKE_LAS_ERR_RECORDS_OVERLAP},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool repair : {false, true}) {
            const Outcome o = run_api(c.file, repair);
            EXPECT_EQ(o.status, c.status) << varnoke_las_strerror(o.status);
            EXPECT_EQ(o.after, c.file);
        }
        // Refused whatever the options: no cut-off file is written as one.
        const Outcome allowed = run_api(c.file, true, VARNOKE_LAS_ALLOW_TRUNCATED);
        EXPECT_EQ(allowed.status, c.status) << varnoke_las_strerror(allowed.status);
        EXPECT_EQ(allowed.after, c.file);
    }
    ScratchDir dir;
    varnoke_las_report report;
    EXPECT_EQ(varnoke_las_check((dir / "missing.las").c_str(), &report), VARNOKE_LAS_ERR_OPEN);
#if defined(_WIN32)
    // A folder cannot be opened as a file there at all.
    EXPECT_EQ(varnoke_las_check(dir.str().c_str(), &report), VARNOKE_LAS_ERR_OPEN);
#else
    EXPECT_EQ(varnoke_las_check(dir.str().c_str(), &report), VARNOKE_LAS_ERR_NOT_REGULAR);
    // A socket, which no open takes, is no file that cannot be opened but no regular file, by
    // its path and in its folder.
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = dir / "s.las";
    if (socket_path.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
        ASSERT_EQ(bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(varnoke_las_check(socket_path.c_str(), &report), VARNOKE_LAS_ERR_NOT_REGULAR);
        const int folder = open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_EQ(varnoke_las_repair_at(folder, "s.las", nullptr, &report, sizeof report),
                  VARNOKE_LAS_ERR_NOT_REGULAR);
        close(folder);
    }
    close(server);
#endif
    EXPECT_EQ(varnoke_las_check(nullptr, &report), VARNOKE_LAS_ERR_ARGUMENT);
    EXPECT_STREQ(varnoke_las_strerror(1), "unknown status");
}

// On every file of the repository Quillfen accepts, the repair writes the bytes Quillfen writes,
// or nothing where the header is right: then the file is not even opened for writing, so it may
// be read-only and keeps its time of last change.
TEST(LasApi, WritesWhatQuillfenWritesAndNothingElse) {
    for (const auto &entry : fs::recursive_directory_iterator(testdata_dir())) {
        if (entry.path().extension() != ".las") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const Bytes original = read_file(entry.path().string());
        ScratchDir dir;
        write_file(dir / "q.las", original);
        write_file(dir / "r.las", original);
        if (run_quillfen({"q.las"}, dir.str()).status != 0) continue;  // a file Quillfen refuses
        varnoke_las_report report;
        ASSERT_EQ(varnoke_las_check((dir / "r.las").c_str(), &report), VARNOKE_LAS_OK);
        const bool right = report.stale == 0;
        if (right) fs::permissions(dir / "r.las", fs::perms::owner_read);
        const auto time_before = fs::last_write_time(dir / "r.las");
        // A header that declares more records than there are is written only when allowed.
        const bool cut = report.stored_records > report.records;
        EXPECT_EQ(varnoke_las_repair((dir / "r.las").c_str(), &report),
                  cut ? VARNOKE_LAS_ERR_TRUNCATED : VARNOKE_LAS_OK);
        if (cut) {
            EXPECT_EQ(read_file(dir / "r.las"), original);
            const varnoke_las_options allow = {
                sizeof allow, VARNOKE_LAS_ALLOW_TRUNCATED, 0, 0, 0, 0, 0};
            ASSERT_EQ(
                varnoke_las_repair_ex((dir / "r.las").c_str(), &allow, &report, sizeof report),
                VARNOKE_LAS_OK);
        }
        EXPECT_EQ(report.written, right ? 0 : 1);
        Bytes expected = right ? original : read_file(dir / "q.las");
        // Without records the box is zeros, not the start values Quillfen writes.
        if (!right && report.records == 0) {
            for (std::size_t k = 0; k < 6; ++k) put_f64(expected, 179 + 8 * k, 0.0);
        }
        EXPECT_EQ(read_file(dir / "r.las"), expected);
        if (right) {
            EXPECT_EQ(fs::last_write_time(dir / "r.las"), time_before);
        }
    }
}

// The files of independent software, whole or cut short by `cut` bytes as a failed download
// leaves them: what a check must find in each, as the files' own descriptions and other readers
// tell it, and what a cut-off copy lacks.
TEST(LasApi, TestDataGiveTheirResults) {
    constexpr unsigned kCount = VARNOKE_LAS_STALE_COUNT, kBox = VARNOKE_LAS_STALE_BOX,
                       kByReturn = VARNOKE_LAS_STALE_BY_RETURN, kLegacy = VARNOKE_LAS_STALE_LEGACY;
    constexpr uint64_t kOff = VARNOKE_LAS_WARN_BOX_IMPRECISE, kEmpty = VARNOKE_LAS_WARN_EMPTY_BOX,
                       kLegacySet = VARNOKE_LAS_WARN_LEGACY_SET;
    constexpr unsigned kRecords = VARNOKE_LAS_MISSING_RECORDS, kEvlrs = VARNOKE_LAS_MISSING_EVLRS,
                       kTable = VARNOKE_LAS_MISSING_CHUNK_TABLE;
    const struct {
        const char *file;
        std::size_t cut;
        uint64_t records;
        unsigned stale;
        unsigned missing;
        uint64_t missing_bytes;
        uint64_t warnings = 0;      // of VARNOKE_LAS_WARN_STRICT
        unsigned strict_stale = 0;  // the stale bits with VARNOKE_LAS_STRICT, where they differ
    } cases[] = {
        {"1.0_0.las", 0, 1, 0, 0, 0},
        {"1.2_3.las", 0, 1, 0, 0, 0},
        {"TO_core_last_clip.las", 0, 8, 0, 0, 0},
        // Record length 34 with point format 1: longer records are allowed from LAS 1.0 on.
        {"1.2-empty-geotiff-vlrs.las", 0, 43, 0, 0, 0},
        // 1065 records of 34 bytes declared from 229 in a file of 229 bytes (its box is no box
        // of zero records), and in one of 36405 bytes, cut after 1064 records.
        {"1.2-no-points.las", 0, 0, kCount | kByReturn, kRecords, 36210, kEmpty,
         kCount | kByReturn | kBox},
        {"1.2-with-color-clipped.las", 0, 1064, kCount | kByReturn, kRecords, 34},
        {"no-points.las", 0, 0, 0, 0, 0},
        {"las13-14/1_4_w_evlr.las", 0, 1000, 0, 0, 0},
        // Its one EVLR of 16 bytes from 32305 to the end, at 32381: cut one byte short, and cut
        // 15 bytes into the last record, its EVLR start now 15 bytes past the end.
        {"las13-14/1_4_w_evlr.las", 1, 1000, 0, kEvlrs, 1},
        {"las13-14/1_4_w_evlr.las", 91, 999, kCount | kByReturn, kRecords | kEvlrs, 15 + 60},
        {"las13-14/vegetation_1_3.las", 0, 0, 0, 0, 0},
        // The box stored as raw values, unscaled.
        {"las13-14/simple1_3.las", 0, 0, kBox, 0, 0},
        // Return numbers 0 where the header counts returns 1; legacy counts in point format 7.
        {"las13-14/simple1_4.las", 0, 22600, kByReturn | kLegacy, 0, 0},
        // Other readers find points outside its box (MinY and MaxZ; its other sides are off by
        // less); legacy counts in point format 6, equal to the true ones.
        {"test1_4.las", 0, 1000, kBox, 0, 0, kOff | kLegacySet, kBox | kLegacy},
        // Compressed: its EVLR cut one byte short; the COPC hierarchy EVLR of 2080 bytes from
        // 31544, cut 684 bytes short.
        {"laz/1_4_w_evlr.laz", 1, 1000, 0, kEvlrs, 1},
        // Cut in half, inside its one chunk of 1000 points: no whole chunk is left, which says
        // nothing of how many points it held, so its box is no empty file's box, under any rules.
        // Its table at 8858 and its EVLR's 60-byte header at 8872 are past the cut at 4474.
        {"laz/1_4_w_evlr.laz", 4474, 0, kCount | kByReturn, kRecords | kTable | kEvlrs,
         8872 + 60 - 4474},
        {"laz/simple.copc.laz", 684, 1065, 0, kEvlrs, 684, kLegacySet, kLegacy},
        {"laz/simple.copc.laz", 0, 1065, 0, 0, 0, kLegacySet, kLegacy},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " cut by " << c.cut);
        const Bytes whole = read_file((testdata_dir() / c.file).string());
        const Bytes file(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(c.cut));
        ScratchDir dir;
        write_file(dir / "f.las", file);
        const std::string path = dir / "f.las";
        varnoke_las_report report;
        ASSERT_EQ(varnoke_las_check_ex(path.c_str(), nullptr, &report, sizeof report),
                  VARNOKE_LAS_OK);
        if (c.records != 0) {
            EXPECT_EQ(report.records, c.records);
        }
        EXPECT_EQ(report.stale, c.stale);
        EXPECT_EQ(report.warnings & VARNOKE_LAS_WARN_STRICT, c.warnings);
        EXPECT_EQ(report.truncated, c.missing != 0 ? 1 : 0);
        EXPECT_EQ(report.missing, c.missing);
        EXPECT_EQ(report.missing_bytes, c.missing_bytes);
        // Strict: the warnings about the counts and the box are stale, and not reported.
        varnoke_las_options strict = VARNOKE_LAS_OPTIONS_INIT;
        strict.flags = VARNOKE_LAS_STRICT;
        ASSERT_EQ(varnoke_las_check_ex(path.c_str(), &strict, &report, sizeof report),
                  VARNOKE_LAS_OK);
        EXPECT_EQ(report.stale, c.warnings != 0 ? c.strict_stale : c.stale);
        EXPECT_EQ(report.warnings & VARNOKE_LAS_WARN_STRICT, 0u);
        // A cut-off file is not repaired unless allowed, nor refused for its pointers.
        EXPECT_EQ(varnoke_las_repair_ex(path.c_str(), nullptr, &report, sizeof report),
                  c.missing != 0 ? VARNOKE_LAS_ERR_TRUNCATED : VARNOKE_LAS_OK);
        if (c.missing != 0) {
            EXPECT_EQ(read_file(path), file);
        }
    }
}

// A caller built with an older, shorter report gets it filled up to its size and not a byte
// further; an options record is read up to its size.
TEST(LasApi, ReportFilledUpToTheCallersSize) {
    ScratchDir dir;
    LasSpec spec = spec_of(4, 6);
    write_file(dir / "f.las", make_las(spec));
    const std::string path = dir / "f.las";
    constexpr std::size_t kOld = VARNOKE_LAS_REPORT_SIZE_0_2;
    for (const std::size_t size : {kOld, kOld + 1, sizeof(varnoke_las_report)}) {
        SCOPED_TRACE(size);
        alignas(varnoke_las_report) unsigned char bytes[sizeof(varnoke_las_report) + 16];
        std::memset(bytes, 0xCC, sizeof bytes);
        auto *const report = reinterpret_cast<varnoke_las_report *>(bytes);
        ASSERT_EQ(varnoke_las_check_ex(path.c_str(), nullptr, report, size), VARNOKE_LAS_OK);
        for (std::size_t k = size; k < sizeof bytes; ++k) ASSERT_EQ(bytes[k], 0xCC) << k;
        EXPECT_EQ(report->records, 4u);
    }
    alignas(varnoke_las_report) unsigned char bytes[sizeof(varnoke_las_report) + 16];
    std::memset(bytes, 0xCC, sizeof bytes);
    ASSERT_EQ(varnoke_las_check(path.c_str(), reinterpret_cast<varnoke_las_report *>(bytes)),
              VARNOKE_LAS_OK);
    for (std::size_t k = kOld; k < sizeof bytes; ++k) ASSERT_EQ(bytes[k], 0xCC) << k;

    varnoke_las_report report;
    EXPECT_EQ(varnoke_las_check_ex(path.c_str(), nullptr, &report, kOld - 1),
              VARNOKE_LAS_ERR_ARGUMENT);
    // An options record as a caller might have had it: size, flags and threads only.
    struct {
        std::size_t size;
        unsigned flags, threads;
    } older = {sizeof older, 0, 1};
    EXPECT_EQ(varnoke_las_check_ex(path.c_str(), reinterpret_cast<varnoke_las_options *>(&older),
                                   &report, sizeof report),
              VARNOKE_LAS_OK);
    older.size = sizeof(std::size_t);
    EXPECT_EQ(varnoke_las_check_ex(path.c_str(), reinterpret_cast<varnoke_las_options *>(&older),
                                   &report, sizeof report),
              VARNOKE_LAS_ERR_ARGUMENT);
}

}  // namespace
}  // namespace lastest

namespace lastest {
namespace {

// The status API from many threads at once, each on files of its own and on one shared file:
// every report is the one a call alone gives.
TEST(LasApi, ManyThreadsAtOnce) {
    LasSpec spec;
    spec.points = {{1, 2, 3, 1}, {4, 5, 6, 2}, {-7, 8, -9, 3}};
    const Bytes file = make_las(spec);
    ScratchDir dir;
    write_file(dir / "shared.las", file);
    varnoke_las_report alone;
    ASSERT_EQ(varnoke_las_check((dir / "shared.las").c_str(), &alone), VARNOKE_LAS_OK);
    constexpr int kThreads = 8;
    for (int k = 0; k < kThreads; ++k) write_file(dir / ("own" + std::to_string(k) + ".las"), file);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int k = 0; k < kThreads; ++k) {
        threads.emplace_back([&, k] {
            const std::string own = dir / ("own" + std::to_string(k) + ".las");
            for (int round = 0; round < 20; ++round) {
                varnoke_las_report r;
                if (varnoke_las_check((dir / "shared.las").c_str(), &r) != VARNOKE_LAS_OK ||
                    r.records != alone.records || r.stale != alone.stale ||
                    std::memcmp(r.box, alone.box, sizeof r.box) != 0)
                    ++wrong;
                if (varnoke_las_repair(own.c_str(), &r) != VARNOKE_LAS_OK ||
                    r.written != (round == 0))
                    ++wrong;
            }
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace lastest
