#include "support/laz_bytes.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "laszip_vlr.h"

namespace lastest {

namespace {

varnoke::laz::LazStatus describe(const Bytes &head, std::shared_ptr<const SparseFile> sparse,
                                 varnoke::laz::LazFile &f) {
    f = varnoke::laz::LazFile{};
    if (head.size() < 227) return varnoke::laz::LazStatus::vlr_outside_header;
    const uint32_t data_start = u32_at(head, 96);
    f.file_size = sparse->size;
    f.data_start = data_start;
    f.data_end = sparse->size;
    f.point_format = head[104];
    f.record_length = u16_at(head, 105);
    f.read = [sparse](uint64_t pos, void *to, std::size_t n) -> int64_t {
        if (pos > sparse->size) return -1;
        const uint64_t got = std::min<uint64_t>(n, sparse->size - pos);
        auto *out = static_cast<unsigned char *>(to);
        std::memset(out, 0, static_cast<std::size_t>(got));
        for (const auto &[at, bytes] : sparse->parts) {
            const uint64_t from = std::max(at, pos);
            const uint64_t to_end = std::min(at + bytes.size(), pos + got);
            if (from < to_end) {
                std::memcpy(out + (from - pos), bytes.data() + (from - at),
                            static_cast<std::size_t>(to_end - from));
            }
        }
        return static_cast<int64_t>(got);
    };
    std::span<const unsigned char> payload;
    const auto header_size = u16_at(head, 94);
    const std::size_t known = std::min<std::size_t>(head.size(), data_start);
    const varnoke::laz::LazStatus s = varnoke::laz::find_laszip_vlr(
        std::span(head.data(), known), header_size, u32_at(head, 100), payload);
    if (s != varnoke::laz::LazStatus::ok) return s;
    return varnoke::laz::parse_laszip_vlr(payload, f.point_format, f.record_length, f.vlr);
}

}  // namespace

varnoke::laz::LazStatus describe_laz(const Bytes &laz, varnoke::laz::LazFile &file) {
    SparseFile whole;
    whole.size = laz.size();
    whole.parts.emplace_back(0, laz);
    return describe_laz(whole, file);
}

varnoke::laz::LazStatus describe_laz(const SparseFile &sparse, varnoke::laz::LazFile &file) {
    auto shared = std::make_shared<const SparseFile>(sparse);
    Bytes head;
    for (const auto &[at, bytes] : shared->parts) {
        if (at == 0) head = bytes;
    }
    return describe(head, shared, file);
}

}  // namespace lastest
