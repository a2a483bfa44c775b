#include "las_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "box_conversion.h"
#include "support/x87_world.h"

#if defined(_WIN32)
#include <windows.h>
#include <winioctl.h>
#endif

namespace lastest {

namespace {

template <typename T>
T load_le(const Bytes &b, std::size_t at) {
    if (at + sizeof(T) > b.size()) throw std::out_of_range("read past the end of the bytes");
    uint64_t v = 0;
    for (std::size_t k = 0; k < sizeof(T); ++k) v |= uint64_t{b[at + k]} << (8 * k);
    if constexpr (sizeof(T) == 8 && std::is_floating_point_v<T>) {
        return std::bit_cast<double>(v);
    } else {
        return static_cast<T>(v);
    }
}

template <typename T>
void store_le(Bytes &b, std::size_t at, T value) {
    uint64_t v;
    if constexpr (std::is_floating_point_v<T>) {
        v = std::bit_cast<uint64_t>(value);
    } else {
        v = static_cast<uint64_t>(value);
    }
    if (at + sizeof(T) > b.size()) b.resize(at + sizeof(T));
    for (std::size_t k = 0; k < sizeof(T); ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// The box value of one extreme: the x87 unit's own result where there is one, otherwise the
// portable conversion, which the differential test holds to the x87 result.
double world(int32_t raw, double scale, double offset) {
#if defined(LASTEST_HAVE_X87)
    return x87_world(raw, scale, offset);
#else
    return varnoke::to_world(raw, scale, offset);
#endif
}

// Encodes a record of `length` bytes for `p`, with distinctive bytes after the coordinates. A
// record shorter than the common 20-byte start (a length no point format has) holds its first
// `length` bytes.
void append_record(Bytes &out, const Point &p, uint16_t length, std::size_t serial) {
    Bytes record(std::max<std::size_t>(length, 20));
    for (std::size_t k = 12; k < record.size(); ++k) {
        record[k] = static_cast<uint8_t>(serial * 7 + k);
    }
    store_le(record, 0, p.x);
    store_le(record, 4, p.y);
    store_le(record, 8, p.z);
    record[14] = p.bitfield;
    out.insert(out.end(), record.begin(), record.begin() + length);
}

}  // namespace

void put_u8(Bytes &b, std::size_t at, uint8_t v) {
    store_le(b, at, v);
}
void put_u32(Bytes &b, std::size_t at, uint32_t v) {
    store_le(b, at, v);
}

uint16_t u16_at(const Bytes &b, std::size_t at) {
    return load_le<uint16_t>(b, at);
}
uint32_t u32_at(const Bytes &b, std::size_t at) {
    return load_le<uint32_t>(b, at);
}
int32_t i32_at(const Bytes &b, std::size_t at) {
    return load_le<int32_t>(b, at);
}
double f64_at(const Bytes &b, std::size_t at) {
    return load_le<double>(b, at);
}

uint64_t u64_at(const Bytes &b, std::size_t at) {
    return load_le<uint64_t>(b, at);
}
void put_u64(Bytes &b, std::size_t at, uint64_t v) {
    store_le(b, at, v);
}
void put_f64(Bytes &b, std::size_t at, double v) {
    store_le(b, at, v);
}

uint16_t record_length_for(uint8_t format) {
    static constexpr uint16_t lengths[] = {20, 28, 26, 34, 57, 63, 30, 36, 38, 59, 67};
    return format < 11 ? lengths[format] : 20;
}

uint16_t header_size_for(uint8_t minor) {
    return minor == 3 ? 235 : minor == 4 ? 375 : 227;
}

namespace {

// The records between `start` and `end`, one every `length` bytes: counts by return number (the
// low bits of byte 14, four of them from point format 6 on) and raw extremes.
struct Walked {
    uint64_t records = 0, trailing = 0;
    std::array<uint64_t, 16> by_return{};
    int32_t lo[3] = {}, hi[3] = {};
};

Walked walk(const Bytes &file, uint64_t start, uint64_t end) {
    Walked w;
    const uint64_t length = u16_at(file, 105);
    const unsigned mask = file[104] >= 6 ? 15u : 7u;
    if (end > start) {
        w.records = (end - start) / length;
        w.trailing = (end - start) % length;
    }
    for (uint64_t n = 0; n < w.records; ++n) {
        const std::size_t at = static_cast<std::size_t>(start + n * length);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const int32_t v = i32_at(file, at + 4 * axis);
            if (n == 0 || v < w.lo[axis]) w.lo[axis] = v;
            if (n == 0 || v > w.hi[axis]) w.hi[axis] = v;
        }
        ++w.by_return[file[at + 14] & mask];
    }
    return w;
}

}  // namespace

PlainReading read_plainly(const Bytes &file) {
    // LAS 1.4 R15: the point records follow the VLRs from OffsetToData; waveform data packets
    // (1.3: global encoding bit 1, internal; 1.4: a start of waveform data not zero) and the
    // extended VLRs (1.4, where their number is not zero) come after them. A start at
    // OffsetToData leaves no room for records.
    PlainReading r;
    const uint8_t minor = file[25];
    const uint64_t start = u32_at(file, 96);
    r.end = file.size();
    if (minor >= 3) {
        const uint64_t waveform = u64_at(file, 227);
        const bool internal = minor == 3 ? (u16_at(file, 6) & 2) != 0 : waveform != 0;
        if (internal && waveform >= start) r.end = std::min<uint64_t>(r.end, waveform);
    }
    if (minor >= 4 && u32_at(file, 243) != 0 && u64_at(file, 235) >= start) {
        r.end = std::min<uint64_t>(r.end, u64_at(file, 235));
    }
    const Walked w = walk(file, start, r.end);
    r.records = w.records;
    r.trailing = w.trailing;
    r.by_return = w.by_return;
    for (std::size_t axis = 0; axis < 3 && r.records > 0; ++axis) {
        const double scale = f64_at(file, 131 + 8 * axis), off = f64_at(file, 155 + 8 * axis);
        r.box[2 * axis] = world(w.hi[axis], scale, off);
        r.box[2 * axis + 1] = world(w.lo[axis], scale, off);
    }
    return r;  // without records a box of zeros
}

Bytes make_las(const LasSpec &spec) {
    const uint16_t length = spec.record_length.value_or(record_length_for(spec.format));
    const uint16_t header_size = spec.header_size ? spec.header_size : header_size_for(spec.minor);
    const std::size_t offset =
        spec.offset_to_data < 0 ? header_size : static_cast<std::size_t>(spec.offset_to_data);
    Bytes b(std::max<std::size_t>(header_size, 227));
    for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<uint8_t>(0xA5 ^ (k * 13));
    std::memcpy(b.data(), "LASF", 4);
    b[24] = spec.major;
    b[25] = spec.minor;
    std::memcpy(b.data() + 26, "test system\0", 12);
    std::memcpy(b.data() + 58, "test writer\0", 12);
    store_le(b, 94, header_size);
    store_le(b, 96, static_cast<uint32_t>(offset));
    store_le(b, 100, uint32_t{0});
    b[104] = spec.format;
    store_le(b, 105, length);
    // A stale point count (fewer than the records: a header that declares more is how a cut-off
    // file looks), counts by return and box.
    const uint64_t stored =
        spec.stored_records.value_or(spec.points.empty() ? 0 : spec.points.size() - 1);
    store_le(b, 107, static_cast<uint32_t>(stored));
    for (std::size_t k = 0; k < 5; ++k) store_le(b, 111 + 4 * k, static_cast<uint32_t>(1000 + k));
    for (std::size_t k = 0; k < 3; ++k) {
        store_le(b, 131 + 8 * k, spec.scale[k]);
        store_le(b, 155 + 8 * k, spec.offset[k]);
    }
    for (std::size_t k = 0; k < 6; ++k) store_le(b, 179 + 8 * k, 99999.5 + static_cast<double>(k));
    if (spec.minor >= 3) {
        store_le(b, 6, spec.global_encoding);
        store_le(b, 227, spec.waveform_start);
    }
    if (spec.minor >= 4) {
        store_le(b, 235, spec.evlr_start);
        store_le(b, 243, spec.evlr_count);
        store_le(b, 247, stored);  // a stale 64-bit count and counts by return
        for (std::size_t k = 0; k < 15; ++k) store_le(b, 255 + 8 * k, uint64_t{3000 + k});
    }

    if (b.size() < offset) {
        const std::size_t old = b.size();
        b.resize(offset);
        for (std::size_t k = old; k < offset; ++k) b[k] = static_cast<uint8_t>(k * 31 + 1);
    }
    Bytes records;
    for (std::size_t n = 0; n < spec.points.size(); ++n) {
        append_record(records, spec.points[n], length, n);
    }
    for (std::size_t k = 0; k < spec.trailing_bytes; ++k) records.push_back(0x7F);
    for (std::size_t k = 0; k < spec.bytes_after; ++k) records.push_back(static_cast<uint8_t>(k));
    // Records start at the offset even when it points inside the header.
    if (offset + records.size() > b.size()) b.resize(offset + records.size());
    std::copy(records.begin(), records.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
    return b;
}

HeaderCounts counts_of(const Bytes &file) {
    HeaderCounts c{};
    c.points = u32_at(file, 107);
    for (std::size_t k = 0; k < 5; ++k) c.by_return[k] = u32_at(file, 111 + 4 * k);
    for (std::size_t k = 0; k < 6; ++k) c.box[k] = f64_at(file, 179 + 8 * k);
    return c;
}

HeaderCounts expected_counts(const Bytes &file) {
    // Quillfen: every whole record from OffsetToData to the end of the file.
    const Walked w = walk(file, u32_at(file, 96), file.size());
    HeaderCounts c{};
    c.points = static_cast<uint32_t>(w.records);
    for (std::size_t k = 0; k < 5; ++k) c.by_return[k] = static_cast<uint32_t>(w.by_return[k + 1]);
    int32_t hi[3] = {w.hi[0], w.hi[1], w.hi[2]}, lo[3] = {w.lo[0], w.lo[1], w.lo[2]};
    if (w.records == 0) {
        // The start values: maxima below minima.
        hi[0] = hi[1] = -2147483646;
        lo[0] = lo[1] = 2147483646;
        hi[2] = -10000000;
        lo[2] = 10000000;
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const double scale = f64_at(file, 131 + 8 * axis);
        const double off = f64_at(file, 155 + 8 * axis);
        c.box[2 * axis] = world(hi[axis], scale, off);
        c.box[2 * axis + 1] = world(lo[axis], scale, off);
    }
    return c;
}

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes read_file_prefix(const std::string &path, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    Bytes b(size);
    in.read(reinterpret_cast<char *>(b.data()), static_cast<std::streamsize>(size));
    b.resize(static_cast<std::size_t>(in.gcount()));
    return b;
}

void write_file(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes read_file_range(const std::string &path, uint64_t at, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(at));
    Bytes b(size);
    in.read(reinterpret_cast<char *>(b.data()), static_cast<std::streamsize>(size));
    if (!in) throw std::runtime_error("cannot read the range of " + path);
    return b;
}

void write_file_at(const std::string &path, uint64_t at, const Bytes &bytes) {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write into " + path);
}

#if defined(_WIN32)

// The C runtime's resize refuses sizes beyond the free space of the volume, so the file is marked
// sparse (where the file system knows sparse files) and its end set directly.
void resize_sparse(const std::string &path, uint64_t size) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool resized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    if (!resized) throw std::runtime_error("cannot resize " + path);
}

#else

void resize_sparse(const std::string &path, uint64_t size) {
    std::filesystem::resize_file(path, size);
}

#endif

}  // namespace lastest
