// Fresh headers: every byte the initialisation writes, and the bytes it leaves alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Varnoke_LiDAR.h"
#include "support/las_file.h"
#include "support/printed.h"
#include "support/scratch.h"

namespace lastest {
namespace {

constexpr std::size_t kHeaderBytes = 227;

// The bytes of an initialised header of version 1.`minor`, written out by hand from the layout:
// zero everywhere but the signature, the version, the name, the header size and data offset, and
// the three scale factors.
Bytes expected_defaults(uint8_t minor) {
    Bytes b(kHeaderBytes, 0);
    std::memcpy(&b[0], "LASF", 4);
    b[24] = 1;
    b[25] = minor;
    std::memcpy(&b[58], "Varnoke LiDAR Utilities", 23);
    b[94] = 0xE3;                                      // HeaderSize 227
    b[96] = 0xE3;                                      // OffsetToData 227
    for (const std::size_t at : {131U, 139U, 147U}) {  // 1.0 as binary64, little-endian
        b[at + 6] = 0xF0;
        b[at + 7] = 0x3F;
    }
    return b;
}

// The bytes the initialisation does not write: the tail of GUIDData4, of SystemIdentifier and of
// GeneratingSoftware.
bool left_alone(std::size_t offset) {
    return (offset >= 17 && offset <= 23) || (offset >= 27 && offset <= 57) ||
           (offset >= 82 && offset <= 89);
}

// Copies `bytes` into a record of type Header, runs `initialize` on it and returns its bytes.
template <typename Header>
Bytes through(Bytes bytes, void (*initialize)(Header *)) {
    Header h;
    static_assert(sizeof h == kHeaderBytes);
    std::memcpy(&h, bytes.data(), sizeof h);
    initialize(&h);
    std::memcpy(bytes.data(), &h, sizeof h);
    return bytes;
}

// Initialises a record of version 1.`minor` that first holds `fill` in every byte.
Bytes initialised(uint8_t minor, uint8_t fill) {
    const Bytes before(kHeaderBytes, fill);
    switch (minor) {
        case 0:
            return through(before, initialize_header10);
        case 1:
            return through(before, initialize_header11);
        default:
            return through(before, initialize_header12);
    }
}

TEST(InitializeHeader, WritesTheDefaultsOfEachVersion) {
    for (const uint8_t minor : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
        SCOPED_TRACE(testing::Message() << "version 1." << int{minor});
        EXPECT_EQ(initialised(minor, 0x00), expected_defaults(minor));
    }
}

// A record full of stale values: every written byte takes its default, the 46 others keep the
// caller's bytes, and the texts read as an empty system identifier and the library's name.
TEST(InitializeHeader, OverwritesStaleValuesAndLeavesTheTextTailsAlone) {
    for (const uint8_t minor : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
        SCOPED_TRACE(testing::Message() << "version 1." << int{minor});
        const Bytes got = initialised(minor, 0xA7);
        const Bytes defaults = expected_defaults(minor);
        for (std::size_t k = 0; k < kHeaderBytes; ++k) {
            EXPECT_EQ(got[k], left_alone(k) ? 0xA7 : defaults[k]) << "byte " << k;
        }
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(&got[26])), "");
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(&got[58])), "Varnoke LiDAR Utilities");
    }
}

// Point format 0 with record length 0 describes no real data yet: validation refuses it until the
// caller sets the length.
TEST(InitializeHeader, FreshHeaderIsRejectedForItsRecordLength) {
    ScratchDir dir;
    for (const uint8_t minor : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
        SCOPED_TRACE(testing::Message() << "version 1." << int{minor});
        const std::string name = dir / ("fresh" + std::to_string(minor) + ".las");
        write_file(name, initialised(minor, 0x00));
        int16_t type = 0;
        EXPECT_EQ(
            printed([&] { type = check_las(name.c_str()); }),
            "\nData format of " + name + " (0) is incompatible with Length of Data Record (0)\n");
        EXPECT_EQ(type, -1);
    }
}

}  // namespace
}  // namespace lastest
