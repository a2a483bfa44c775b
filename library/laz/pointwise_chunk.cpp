#include "pointwise_chunk.h"

#include <array>
#include <memory>
#include <vector>

#include "arithmetic_decoder.h"
#include "chunk_bytes.h"
#include "integer_decoder.h"
#include "running_median.h"

namespace varnoke::laz {

namespace {

int32_t i32_at(const unsigned char *p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}

int32_t wrapping_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t wrapping_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Context of a point's return by its return number r and number of returns n (both 0 to 7):
// the consistent pairs 1 <= r <= n <= 5 get 0 to 14 in order, the others share the rest.
constexpr uint8_t kReturnContext[64] = {
    15, 14, 13, 12, 11, 10, 9,  8,   // n = 0
    14, 0,  1,  3,  6,  10, 10, 9,   // n = 1
    13, 1,  2,  4,  7,  11, 11, 10,  // n = 2
    12, 3,  4,  5,  8,  12, 12, 11,  // n = 3
    11, 6,  7,  8,  9,  13, 13, 12,  // n = 4
    10, 10, 11, 12, 13, 14, 14, 13,  // n = 5
    9,  10, 11, 12, 13, 14, 15, 14,  // n = 6
    8,  9,  10, 11, 12, 13, 14, 15,  // n = 7
};

// A model per previous value of a byte, made when first needed: most files use few values.
class ModelPerValue {
public:
    SymbolModel &operator[](uint8_t previous) {
        std::unique_ptr<SymbolModel> &m = models_[previous];
        if (!m) m = std::make_unique<SymbolModel>(256);
        return *m;
    }

private:
    std::array<std::unique_ptr<SymbolModel>, 256> models_;
};

class Point10 {
public:
    explicit Point10(const unsigned char *raw)
        : x_(i32_at(raw)),
          y_(i32_at(raw + 4)),
          z_(i32_at(raw + 8)),
          flags_(raw[14]),
          classification_(raw[15]),
          user_data_(raw[17]) {
        intensity_.reset();
        point_source_.reset();
        dx_.reset();
        dy_.reset();
        dz_.reset();
    }

    void next(ArithmeticDecoder &d) {
        const uint32_t changed = d.decode_symbol(changed_);
        if (changed != 0) {
            if (changed & 32) flags_ = static_cast<uint8_t>(d.decode_symbol(flags_models_[flags_]));
            const uint32_t ctx = context();
            // Intensity, scan angle and point source are decoded only to stay in step.
            if (changed & 16) intensity_.decode(d, 0, ctx < 3 ? ctx : 3);
            if (changed & 8) {
                classification_ =
                    static_cast<uint8_t>(d.decode_symbol(class_models_[classification_]));
            }
            if (changed & 4) d.decode_symbol(scan_angle_[(flags_ >> 6) & 1]);
            if (changed & 2) {
                user_data_ = static_cast<uint8_t>(d.decode_symbol(user_models_[user_data_]));
            }
            if (changed & 1) point_source_.decode(d, 0);
        }
        const uint32_t r = flags_ & 7u;
        const uint32_t n = (flags_ >> 3) & 7u;
        const uint32_t m = kReturnContext[n * 8 + r];
        const uint32_t level = r > n ? r - n : n - r;
        const uint32_t single = n == 1 ? 1 : 0;

        const int32_t dx = dx_.decode(d, median_x_[m].get(), single);
        x_ = wrapping_add(x_, dx);
        median_x_[m].add(dx);

        const uint32_t kx = dx_.last_class();
        const int32_t dy = dy_.decode(d, median_y_[m].get(), single + (kx < 20 ? (kx & ~1u) : 20));
        y_ = wrapping_add(y_, dy);
        median_y_[m].add(dy);

        const uint32_t kxy = (dx_.last_class() + dy_.last_class()) / 2;
        z_ = dz_.decode(d, height_[level], single + (kxy < 18 ? (kxy & ~1u) : 18));
        height_[level] = z_;
    }

    int32_t x() const { return x_; }
    int32_t y() const { return y_; }
    int32_t z() const { return z_; }
    uint32_t return_number() const { return flags_ & 7u; }
    uint32_t returns() const { return (flags_ >> 3) & 7u; }

private:
    uint32_t context() const { return kReturnContext[((flags_ >> 3) & 7u) * 8 + (flags_ & 7u)]; }

    int32_t x_, y_, z_;
    uint8_t flags_, classification_, user_data_;
    SymbolModel changed_{64};
    IntegerDecoder intensity_{16, 4};
    SymbolModel scan_angle_[2] = {SymbolModel(256), SymbolModel(256)};
    IntegerDecoder point_source_{16};
    ModelPerValue flags_models_, class_models_, user_models_;
    IntegerDecoder dx_{32, 2}, dy_{32, 22}, dz_{32, 20};
    RunningMedian median_x_[16], median_y_[16];
    int32_t height_[8] = {};
};

// GPS time: only the control flow of its sequences matters here, and the differences that
// choose it; the times themselves are not kept.
class GpsTime11 {
public:
    GpsTime11() { times_.reset(); }

    // False on a stream that keeps switching sequences, which no writer produces.
    bool next(ArithmeticDecoder &d) {
        for (int switches = 0; switches < 4; ++switches) {
            if (diff_[last_] == 0) {
                const uint32_t code = d.decode_symbol(zero_diff_);
                if (code == 1) {
                    diff_[last_] = times_.decode(d, 0, 0);
                    extremes_[last_] = 0;
                } else if (code == 2) {
                    new_sequence(d);
                } else if (code > 2) {
                    last_ = (last_ + code - 2) & 3;
                    continue;
                }
                return true;
            }
            const uint32_t code = d.decode_symbol(multi_);
            if (code == 1) {
                times_.decode(d, diff_[last_], 1);
                extremes_[last_] = 0;
            } else if (code < kUnchanged) {
                if (code == 0) {
                    extreme(times_.decode(d, 0, 7));
                } else if (code < kMulti) {
                    times_.decode(d, wrapping_mul(static_cast<int32_t>(code), diff_[last_]),
                                  code < 10 ? 2 : 3);
                } else if (code == kMulti) {
                    extreme(times_.decode(d, wrapping_mul(kMulti, diff_[last_]), 4));
                } else {
                    const int32_t factor =
                        static_cast<int32_t>(kMulti) - static_cast<int32_t>(code);
                    if (factor > kMultiMinus) {
                        times_.decode(d, wrapping_mul(factor, diff_[last_]), 5);
                    } else {
                        extreme(times_.decode(d, wrapping_mul(kMultiMinus, diff_[last_]), 6));
                    }
                }
            } else if (code == kFull) {
                new_sequence(d);
            } else if (code > kFull) {
                last_ = (last_ + code - kFull) & 3;
                continue;
            }
            return true;
        }
        return false;
    }

private:
    static constexpr uint32_t kMulti = 500;
    static constexpr int32_t kMultiMinus = -10;
    static constexpr uint32_t kUnchanged = kMulti + 10 + 1;  // 511
    static constexpr uint32_t kFull = kUnchanged + 1;        // 512

    void new_sequence(ArithmeticDecoder &d) {
        next_ = (next_ + 1) & 3;
        times_.decode(d, 0, 8);  // high half of the time
        d.read_int();            // low half
        last_ = next_;
        diff_[last_] = 0;
        extremes_[last_] = 0;
    }
    // A difference far from the expected multiple becomes the new step after a few.
    void extreme(int32_t difference) {
        if (++extremes_[last_] > 3) {
            diff_[last_] = difference;
            extremes_[last_] = 0;
        }
    }

    SymbolModel multi_{kFull + 4};  // 516 codes
    SymbolModel zero_diff_{6};
    IntegerDecoder times_{32, 9};
    uint32_t last_ = 0, next_ = 0;
    int32_t diff_[4] = {};
    uint32_t extremes_[4] = {};
};

// Colour: which bytes changed, then one symbol per changed byte; the values are not needed.
class Rgb12 {
public:
    Rgb12()
        : diffs_{SymbolModel(256), SymbolModel(256), SymbolModel(256),
                 SymbolModel(256), SymbolModel(256), SymbolModel(256)} {}
    void next(ArithmeticDecoder &d) {
        const uint32_t used = d.decode_symbol(used_);
        if (used & 1) d.decode_symbol(diffs_[0]);       // red, low byte
        if (used & 2) d.decode_symbol(diffs_[1]);       // red, high byte
        if (used & 64) {                                // green and blue differ from red
            if (used & 4) d.decode_symbol(diffs_[2]);   // green, low
            if (used & 16) d.decode_symbol(diffs_[4]);  // blue, low
            if (used & 8) d.decode_symbol(diffs_[3]);   // green, high
            if (used & 32) d.decode_symbol(diffs_[5]);  // blue, high
        }
    }

private:
    SymbolModel used_{128};
    SymbolModel diffs_[6];
};

// Extra bytes: one model per byte, made when a point first needs it. A fresh model spreads its
// 256 symbols evenly, so each costs the stream a whole byte: no more models are made than the
// stream has bytes, whatever size the item claims.
class Bytes {
public:
    explicit Bytes(uint32_t count) : count_(count) {}
    // False once a new model's symbol ran past the stream's bytes.
    bool next(ArithmeticDecoder &d) {
        for (SymbolModel &m : models_) d.decode_symbol(m);
        while (models_.size() < count_) {
            models_.emplace_back(256);
            d.decode_symbol(models_.back());
            if (d.overrun()) return false;
        }
        return true;
    }

private:
    uint32_t count_;
    std::vector<SymbolModel> models_;
};

class WavePacket13 {
public:
    WavePacket13() : offset_kind_{SymbolModel(4), SymbolModel(4), SymbolModel(4), SymbolModel(4)} {
        offset_diff_.reset();
        size_.reset();
        return_point_.reset();
        xyz_.reset();
    }
    void next(ArithmeticDecoder &d) {
        d.decode_symbol(descriptor_);
        kind_ = d.decode_symbol(offset_kind_[kind_]);
        if (kind_ == 2) {
            offset_diff_.decode(d, 0);
        } else if (kind_ == 3) {
            d.read_int64();
        }
        size_.decode(d, 0);
        return_point_.decode(d, 0);
        xyz_.decode(d, 0, 0);
        xyz_.decode(d, 0, 1);
        xyz_.decode(d, 0, 2);
    }

private:
    SymbolModel descriptor_{256};
    SymbolModel offset_kind_[4];
    uint32_t kind_ = 0;
    IntegerDecoder offset_diff_{32}, size_{32}, return_point_{32}, xyz_{32, 3};
};

// A window of zero over nothing but zeros stays zero, decoding the likeliest symbol again and
// again (thousands of points a byte) and never reaching the value a writer's ending leaves: the
// stream can end nowhere, however far it is decoded.
bool never_ends(const ArithmeticDecoder &d, ChunkBytes &bytes, std::size_t stream_at) {
    return d.value() == 0 && bytes.zeros(stream_at + d.bytes_consumed(), bytes.size());
}

uint64_t grown(uint64_t bound, uint64_t bytes) {
    return bound > UINT64_MAX - bytes ? UINT64_MAX : bound + bytes;
}

void count_point(PointTally &t, int32_t x, int32_t y, int32_t z, uint32_t r, uint32_t returns) {
    ++t.records;
    ++t.by_return[r];
    if (r > returns) ++t.return_above;
    const int32_t v[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        if (v[i] < t.min[i]) t.min[i] = v[i];
        if (v[i] > t.max[i]) t.max[i] = v[i];
    }
}

}  // namespace

ChunkResult decode_pointwise_chunk(ChunkBytes &bytes, std::span<const LazItem> items,
                                   const ChunkSpec &spec, const Stop &stop) {
    ChunkResult result;
    const auto fail = [&](LazStatus why) {
        result.status = bytes.read_failed() ? LazStatus::read_failed : why;
        return result;
    };
    std::size_t record = 0;
    bool version_1 = false;
    for (const LazItem &item : items) {
        record += item.size;
        if (item.version == 1 && item.type != static_cast<uint16_t>(ItemType::wavepacket13)) {
            version_1 = true;
        }
    }
    if (items.empty() || items[0].type != static_cast<uint16_t>(ItemType::point10) ||
        items[0].size != 20) {
        return fail(LazStatus::item_mismatch);
    }
    if (version_1) return fail(LazStatus::item_version_1);
    if (spec.points > spec.max_points) return fail(LazStatus::too_many_points);

    std::unique_ptr<GpsTime11> gps;
    std::unique_ptr<Rgb12> rgb;
    std::unique_ptr<Bytes> extra;
    std::unique_ptr<WavePacket13> wave;
    for (std::size_t i = 1; i < items.size(); ++i) {
        switch (static_cast<ItemType>(items[i].type)) {
            case ItemType::gpstime11:
                gps = std::make_unique<GpsTime11>();
                break;
            case ItemType::rgb12:
                rgb = std::make_unique<Rgb12>();
                break;
            case ItemType::byte:
                extra = std::make_unique<Bytes>(items[i].size);
                break;
            case ItemType::wavepacket13:
                wave = std::make_unique<WavePacket13>();
                break;
            default:
                return fail(LazStatus::item_mismatch);
        }
    }

    const unsigned char *raw = bytes.head(record);
    if (raw == nullptr || bytes.size() - record < 4) return fail(LazStatus::chunk_truncated);
    Point10 point(raw);
    ArithmeticDecoder d;
    const uint64_t stream_bytes = bytes.size() - record;
    if (!bytes.stream(d, record, stream_bytes, false)) return fail(LazStatus::chunk_truncated);

    PointTally part;
    count_point(part, point.x(), point.y(), point.z(), point.return_number(), point.returns());
    uint64_t decoded = 1;
    // Items follow one another in the record's order within the one stream.
    auto decode_one = [&]() -> bool {
        point.next(d);
        for (std::size_t i = 1; i < items.size(); ++i) {
            switch (static_cast<ItemType>(items[i].type)) {
                case ItemType::gpstime11:
                    if (!gps->next(d)) return false;
                    break;
                case ItemType::rgb12:
                    rgb->next(d);
                    break;
                case ItemType::byte:
                    if (!extra->next(d)) return false;
                    break;
                default:
                    wave->next(d);
                    break;
            }
        }
        return true;
    };

    if (spec.points != 0) {
        for (; decoded < spec.points; ++decoded) {
            if (!decode_one() || d.corrupt()) {
                return fail(d.overrun() ? LazStatus::stream_overrun : LazStatus::stream_corrupt);
            }
            if (d.overrun()) return fail(LazStatus::stream_overrun);
            if ((decoded & 4095u) == 0) {
                if (stop.requested()) return fail(LazStatus::stopped);
                if (never_ends(d, bytes, record)) return fail(LazStatus::stream_end);
            }
            count_point(part, point.x(), point.y(), point.z(), point.return_number(),
                        point.returns());
        }
        // The stream must end here: at the chunk's last byte, or, walking, where the bytes it
        // used end.
        const uint64_t used = spec.walk ? d.bytes_consumed() : stream_bytes;
        if (!ends_exactly(d, used)) return fail(LazStatus::stream_end);
        if (bytes.read_failed()) return fail(LazStatus::read_failed);
        result.tally = part;
        result.bytes = record + used;
        result.most = decoded;
        return result;
    }
    // Decode while the stream has bytes left; every count at which it ends exactly is a
    // candidate, and the bytes are used up once it has read past them.
    uint64_t first = 0;
    for (;;) {
        if (ends_exactly(d, stream_bytes)) {
            if (first == 0) {
                first = decoded;
                result.tally = part;
            }
            result.most = decoded;
            if (decoded == spec.wanted) {
                result.has_wanted = true;
                result.at_wanted = part;
            }
        }
        const uint64_t bound =
            spec.bound_grows ? grown(spec.max_points, d.bytes_consumed()) : spec.max_points;
        if (decoded >= bound || d.bytes_consumed() > stream_bytes) break;
        if ((decoded & 4095u) == 0) {
            if (stop.requested()) return fail(LazStatus::stopped);
            if (never_ends(d, bytes, record)) break;
        }
        if (!decode_one() || d.corrupt()) break;
        ++decoded;
        count_point(part, point.x(), point.y(), point.z(), point.return_number(), point.returns());
    }
    if (first == 0) {
        return fail(d.corrupt() ? LazStatus::stream_corrupt : LazStatus::stream_end);
    }
    if (bytes.read_failed()) return fail(LazStatus::read_failed);
    result.bytes = bytes.size();
    return result;
}

}  // namespace varnoke::laz
