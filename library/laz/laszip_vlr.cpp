#include "laszip_vlr.h"

#include <cstring>
#include <iterator>

namespace varnoke::laz {

namespace {

uint16_t u16(const unsigned char *p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const unsigned char *p) {
    return u16(p) | (uint32_t{u16(p + 2)} << 16);
}
uint64_t u64(const unsigned char *p) {
    return u32(p) | (uint64_t{u32(p + 4)} << 32);
}

constexpr std::size_t kFixedBytes = 34;  // the payload before the item list
constexpr std::size_t kItemBytes = 6;
constexpr std::size_t kVlrHeaderBytes = 54;
constexpr char kUser[] = "laszip encoded";  // padded with zeros to 16 bytes in the VLR

// The items a point format carries before any extra bytes, and their sizes.
struct Expected {
    ItemType types[4];
    uint16_t sizes[4];
    int count;
};

// The items of point formats 0 to 10, in their order, with their sizes.
constexpr Expected kExpected[] = {
    {{ItemType::point10}, {20}, 1},
    {{ItemType::point10, ItemType::gpstime11}, {20, 8}, 2},
    {{ItemType::point10, ItemType::rgb12}, {20, 6}, 2},
    {{ItemType::point10, ItemType::gpstime11, ItemType::rgb12}, {20, 8, 6}, 3},
    {{ItemType::point10, ItemType::gpstime11, ItemType::wavepacket13}, {20, 8, 29}, 3},
    {{ItemType::point10, ItemType::gpstime11, ItemType::rgb12, ItemType::wavepacket13},
     {20, 8, 6, 29},
     4},
    {{ItemType::point14}, {30}, 1},
    {{ItemType::point14, ItemType::rgb14}, {30, 6}, 2},
    {{ItemType::point14, ItemType::rgbnir14}, {30, 8}, 2},
    {{ItemType::point14, ItemType::wavepacket14}, {30, 29}, 2},
    {{ItemType::point14, ItemType::rgbnir14, ItemType::wavepacket14}, {30, 8, 29}, 3},
};

bool expected_items(unsigned format, Expected &e) {
    if (format >= std::size(kExpected)) return false;
    e = kExpected[format];
    return true;
}

bool known_type(uint16_t t) {
    return t == 0 || (t >= 6 && t <= 14);
}

// Versions decoded: 2 for the pointwise items (1 for the wave packet), 3 and 4 for the
// layered ones. Version 1 of the pointwise items is known but not decoded.
LazStatus check_version(const LazItem &item) {
    const auto t = static_cast<ItemType>(item.type);
    switch (t) {
        case ItemType::byte:
        case ItemType::point10:
        case ItemType::gpstime11:
        case ItemType::rgb12:
            if (item.version == 2) return LazStatus::ok;
            return item.version == 1 ? LazStatus::item_version_1
                                     : LazStatus::unsupported_item_version;
        case ItemType::wavepacket13:
            return item.version == 1 ? LazStatus::ok : LazStatus::unsupported_item_version;
        default:
            return item.version == 3 || item.version == 4 ? LazStatus::ok
                                                          : LazStatus::unsupported_item_version;
    }
}

}  // namespace

LazStatus parse_laszip_vlr(std::span<const unsigned char> payload, uint8_t point_format_byte,
                           uint16_t record_length, LaszipVlr &vlr) {
    if (payload.size() < kFixedBytes) return LazStatus::vlr_truncated;
    const unsigned char *p = payload.data();
    vlr = LaszipVlr{};
    vlr.compressor = u16(p);
    vlr.coder = u16(p + 2);
    vlr.version_major = p[4];
    vlr.version_minor = p[5];
    vlr.version_revision = u16(p + 6);
    vlr.options = u32(p + 8);
    vlr.chunk_size = u32(p + 12);
    vlr.special_evlr_count = static_cast<int64_t>(u64(p + 16));
    vlr.special_evlr_offset = static_cast<int64_t>(u64(p + 24));
    const std::size_t count = u16(p + 32);
    if ((payload.size() - kFixedBytes) / kItemBytes < count) return LazStatus::vlr_truncated;

    const unsigned format = point_format_byte & 0x3Fu;
    Expected e{};
    if (!expected_items(format, e)) return LazStatus::item_mismatch;
    const bool layered_format = format >= 6;
    if (vlr.compressor == 3 ? !layered_format
                            : (vlr.compressor != 1 && vlr.compressor != 2) || layered_format) {
        return LazStatus::unsupported_compressor;
    }
    if (vlr.coder != 0) return LazStatus::unsupported_coder;
    if (vlr.compressor != 1 && vlr.chunk_size == 0) return LazStatus::bad_chunk_size;

    vlr.items.resize(count);
    uint32_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char *q = p + kFixedBytes + i * kItemBytes;
        vlr.items[i] = {u16(q), u16(q + 2), u16(q + 4)};
        if (!known_type(vlr.items[i].type)) return LazStatus::unknown_item;
        total += vlr.items[i].size;
    }
    // The point format's items in order, then at most one item of extra bytes.
    const auto extra = layered_format ? ItemType::byte14 : ItemType::byte;
    if (count < static_cast<std::size_t>(e.count) ||
        count > static_cast<std::size_t>(e.count) + 1) {
        return LazStatus::item_mismatch;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const LazItem &item = vlr.items[i];
        if (i < static_cast<std::size_t>(e.count)) {
            if (item.type != static_cast<uint16_t>(e.types[i]) || item.size != e.sizes[i]) {
                return LazStatus::item_mismatch;
            }
        } else if (item.type != static_cast<uint16_t>(extra) || item.size == 0) {
            return LazStatus::item_mismatch;
        }
    }
    if (total != record_length) return LazStatus::record_length_mismatch;
    for (const LazItem &item : vlr.items) {
        const LazStatus s = check_version(item);
        if (s != LazStatus::ok) return s;
    }
    return LazStatus::ok;
}

LazStatus find_laszip_vlr(std::span<const unsigned char> head, uint16_t header_size,
                          uint32_t vlr_count, std::span<const unsigned char> &payload) {
    std::size_t at = header_size;
    for (uint32_t i = 0; i < vlr_count; ++i) {
        if (at > head.size() || head.size() - at < kVlrHeaderBytes) {
            return LazStatus::vlr_outside_header;
        }
        const unsigned char *v = head.data() + at;
        const std::size_t length = u16(v + 20);
        if (head.size() - at - kVlrHeaderBytes < length) return LazStatus::vlr_outside_header;
        if (u16(v + 18) == 22204 && std::memcmp(v + 2, kUser, sizeof kUser) == 0) {
            payload = head.subspan(at + kVlrHeaderBytes, length);
            return LazStatus::ok;
        }
        at += kVlrHeaderBytes + length;
    }
    return LazStatus::no_laszip_vlr;
}

}  // namespace varnoke::laz
