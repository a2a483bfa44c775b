#include "layered_chunk.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "arithmetic_decoder.h"
#include "chunk_bytes.h"
#include "integer_decoder.h"
#include "running_median.h"

namespace varnoke::laz {
namespace {

constexpr uint16_t kPoint14 = 10;
constexpr uint16_t kRgb14 = 11;
constexpr uint16_t kRgbNir14 = 12;
constexpr uint16_t kWavePacket14 = 13;
constexpr uint16_t kByte14 = 14;
constexpr std::size_t kPoint14Layers = 9;  // XY and returns, Z, then seven we never read
constexpr std::size_t kChannels = 4;

uint32_t load_u32(const unsigned char *p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

int32_t load_i32(const unsigned char *p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Signed sums that wrap as the writer's 32-bit arithmetic does.
int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The layers an item keeps in a chunk; 0 for an item layered chunks cannot hold.
std::size_t layers_of(const LazItem &item) {
    if (item.version != 3 && item.version != 4) return 0;
    switch (item.type) {
        case kPoint14:
            return item.size == 30 ? kPoint14Layers : 0;
        case kRgb14:
            return item.size == 6 ? 1 : 0;
        case kRgbNir14:
            return item.size == 8 ? 2 : 0;
        case kWavePacket14:
            return item.size == 29 ? 1 : 0;
        case kByte14:
            return item.size;
        default:
            return 0;
    }
}

// The class of a return (r of n) that selects the X and Y predictors: single, first of two,
// last of two, first, intermediate and last of many, with the writer's placement of the
// combinations no correct point has (r or n zero, r past n). Row n, column r.
constexpr std::array<const char *, 16> kReturnClassRows = {
    "0123453445555555", "1013333333333333", "2124444444433333", "3345444444444444",
    "4344544444444444", "5344454444444444", "3344445444444444", "4344444544444444",
    "4344444454444444", "5344444445444444", "5344444444544444", "5334444444455444",
    "5334444444455544", "5334444444445554", "5334444444444555", "5334444444444455",
};

constexpr std::array<std::array<uint8_t, 16>, 16> make_return_classes() {
    std::array<std::array<uint8_t, 16>, 16> t{};
    for (std::size_t n = 0; n < 16; ++n)
        for (std::size_t r = 0; r < 16; ++r)
            t[n][r] = static_cast<uint8_t>(kReturnClassRows[n][r] - '0');
    return t;
}
constexpr auto kReturnClass = make_return_classes();

// The Z predictor's class: how far r lies from n, counted up to 7.
constexpr uint32_t depth_class(uint32_t n, uint32_t r) {
    const uint32_t d = n > r ? n - r : r - n;
    return d < 7 ? d : 7;
}

// What a channel remembers of its last point.
struct LastPoint {
    int32_t xyz[3] = {};
    uint32_t return_number = 0;
    uint32_t returns = 0;
    bool time_changed = false;
};

// The models and predictors of one scanner channel, started when the channel is first seen.
struct Channel {
    LastPoint last;
    std::array<SymbolModel, 8> changed{SymbolModel(128), SymbolModel(128), SymbolModel(128),
                                       SymbolModel(128), SymbolModel(128), SymbolModel(128),
                                       SymbolModel(128), SymbolModel(128)};
    uint32_t changed_ready = 0xFFu;  // bit i: changed[i] reset since the channel started
    SymbolModel channel_step{3};
    std::array<std::optional<SymbolModel>, 16> returns_of;    // by the last point's count
    std::array<std::optional<SymbolModel>, 16> return_after;  // by the last return; time changed
    SymbolModel return_jump{13};                              // return step; same time
    IntegerDecoder dx{32, 2};
    IntegerDecoder dy{32, 22};
    IntegerDecoder z{32, 20};
    std::array<RunningMedian, 12> mid_x;
    std::array<RunningMedian, 12> mid_y;
    std::array<int32_t, 8> last_z{};

    // Fresh models are already in their starting state.
    explicit Channel(const LastPoint &from) { take(from); }

    // The same channel in a later chunk: every model and predictor as new, without allocating.
    // The integer decoders and the models of the changed values reset theirs when first used.
    void restart(const LastPoint &from) {
        changed_ready = 0;
        channel_step.reset();
        for (auto &m : returns_of) m.reset();
        for (auto &m : return_after) m.reset();
        return_jump.reset();
        dx.reset();
        dy.reset();
        z.reset();
        for (auto &m : mid_x) m.reset();
        for (auto &m : mid_y) m.reset();
        take(from);
    }

private:
    void take(const LastPoint &from) {
        last_z.fill(from.xyz[2]);
        last = from;
        last.time_changed = false;
    }
};

uint32_t decode_lazily(ArithmeticDecoder &dec, std::optional<SymbolModel> &model) {
    if (!model) model.emplace(16);
    return dec.decode_symbol(*model);
}

void count_point(const LastPoint &p, PointTally &t) {
    ++t.records;
    ++t.by_return[p.return_number & 15];
    if ((p.return_number & 15) > p.returns) ++t.return_above;
    for (int i = 0; i < 3; ++i) {
        if (p.xyz[i] < t.min[i]) t.min[i] = p.xyz[i];
        if (p.xyz[i] > t.max[i]) t.max[i] = p.xyz[i];
    }
}

}  // namespace

// The channels' models, kept from chunk to chunk; `active` marks those seen in this chunk.
struct LayeredChunkDecoder::Models {
    std::array<std::optional<Channel>, kChannels> channels;
    std::array<bool, kChannels> active{};

    Channel &start(uint32_t c, const LastPoint &from) {
        if (channels[c]) {
            channels[c]->restart(from);
        } else {
            channels[c].emplace(from);
        }
        active[c] = true;
        return *channels[c];
    }
};

namespace {

// The points after the first, from the XY layer and, where it is not empty, the Z layer.
class LayerDecoder {
public:
    LayerDecoder(LayeredChunkDecoder::Models &models, const LastPoint &first, uint32_t channel,
                 ArithmeticDecoder &xy, ArithmeticDecoder &z, bool with_z)
        : m_(models), current_(channel), xy_(xy), z_(z), with_z_(with_z) {
        m_.active.fill(false);
        m_.start(current_, first);
    }

    const LastPoint &next() {
        Channel *ch = &*m_.channels[current_];
        const LastPoint &before = ch->last;
        uint32_t ctx = before.return_number == 1 ? 1u : 0u;
        if (before.return_number >= before.returns) ctx += 2;
        if (before.time_changed) ctx += 4;
        if (((ch->changed_ready >> ctx) & 1u) == 0) {
            ch->changed[ctx].reset();
            ch->changed_ready |= 1u << ctx;
        }
        const uint32_t changed = xy_.decode_symbol(ch->changed[ctx]);

        if (changed & (1u << 6)) {
            const uint32_t to = (current_ + xy_.decode_symbol(ch->channel_step) + 1) % kChannels;
            // A channel seen for the first time starts from the point before it.
            ch = m_.active[to] ? &*m_.channels[to] : &m_.start(to, ch->last);
            current_ = to;
        }
        LastPoint &p = ch->last;
        const bool time_changed = (changed & (1u << 4)) != 0;

        if (changed & (1u << 2)) p.returns = decode_lazily(xy_, ch->returns_of[p.returns]);
        switch (changed & 3u) {
            case 0:
                break;
            case 1:
                p.return_number = (p.return_number + 1) & 15u;
                break;
            case 2:
                p.return_number = (p.return_number + 15) & 15u;
                break;
            default:
                if (time_changed) {
                    p.return_number = decode_lazily(xy_, ch->return_after[p.return_number]);
                } else {
                    p.return_number =
                        (p.return_number + xy_.decode_symbol(ch->return_jump) + 2) & 15u;
                }
                break;
        }
        const uint32_t n = p.returns;
        const uint32_t r = p.return_number;
        const uint32_t single = n == 1 ? 1u : 0u;
        const std::size_t slot = (std::size_t{kReturnClass[n][r]} << 1) | (time_changed ? 1u : 0u);

        const int32_t step_x = ch->dx.decode(xy_, ch->mid_x[slot].get(), single);
        p.xyz[0] = wrap_add(p.xyz[0], step_x);
        ch->mid_x[slot].add(step_x);

        const uint32_t kx = ch->dx.last_class();
        const int32_t step_y =
            ch->dy.decode(xy_, ch->mid_y[slot].get(), single + (kx < 20 ? kx & ~1u : 20u));
        p.xyz[1] = wrap_add(p.xyz[1], step_y);
        ch->mid_y[slot].add(step_y);

        if (with_z_) {
            const uint32_t k = (ch->dx.last_class() + ch->dy.last_class()) / 2;
            int32_t &pred = ch->last_z[depth_class(n, r)];
            p.xyz[2] = ch->z.decode(z_, pred, single + (k < 18 ? k & ~1u : 18u));
            pred = p.xyz[2];
        }
        p.time_changed = time_changed;
        return p;
    }

private:
    // Channels are started on first sight only: small chunks seldom see more than one.
    LayeredChunkDecoder::Models &m_;
    uint32_t current_ = 0;
    ArithmeticDecoder &xy_;
    ArithmeticDecoder &z_;
    bool with_z_ = false;
};

}  // namespace

std::size_t layer_count(std::span<const LazItem> items) {
    if (items.empty() || items[0].type != kPoint14) return 0;
    std::size_t layers = 0;
    for (const LazItem &item : items) {
        const std::size_t n = layers_of(item);
        if (n == 0 || (&item != items.data() && item.type == kPoint14)) return 0;
        layers += n;
    }
    return layers;
}

LayeredChunkDecoder::LayeredChunkDecoder() : models_(std::make_unique<Models>()) {}
LayeredChunkDecoder::~LayeredChunkDecoder() = default;

ChunkResult LayeredChunkDecoder::decode(ChunkBytes &bytes, std::span<const LazItem> items,
                                        const ChunkSpec &spec, const Stop &stop) {
    ChunkResult result;
    const auto fail = [&](LazStatus why) {
        result.status = bytes.read_failed() ? LazStatus::read_failed : why;
        return result;
    };
    const std::size_t layers = layer_count(items);
    if (layers == 0) return fail(LazStatus::item_mismatch);
    std::size_t record = 0;
    for (const LazItem &item : items) record += item.size;
    const std::size_t head = record + 4 + 4 * layers;
    const unsigned char *base = bytes.head(head);
    if (base == nullptr) return fail(LazStatus::chunk_truncated);
    const uint32_t count = load_u32(base + record);
    if (count == 0) return fail(LazStatus::no_points);
    if (count > spec.max_points) return fail(LazStatus::too_many_points);
    // A variable chunk's count is also its table's: the two must agree.
    if (spec.points != 0 && count != spec.points) return fail(LazStatus::count_mismatch);

    // The sizes are summed before any layer is touched; 64 bits hold any sum of 32-bit sizes.
    const unsigned char *sizes = base + record + 4;
    uint64_t total = 0;
    for (std::size_t i = 0; i < layers; ++i) total += load_u32(sizes + 4 * i);
    // The layers fill the chunk to its last byte: every real chunk ends so, and one that does
    // not has had a size or its bytes changed.
    if (total > bytes.size() - head) return fail(LazStatus::layers_past_end);
    if (bytes.exact() && total < bytes.size() - head) {
        return fail(LazStatus::layers_short_of_end);
    }
    const uint32_t xy_size = load_u32(sizes);
    const uint32_t z_size = load_u32(sizes + 4);
    if (count > 1 && xy_size == 0) return fail(LazStatus::missing_layer);

    PointTally part;
    LastPoint first;
    for (int i = 0; i < 3; ++i) first.xyz[i] = load_i32(base + 4 * i);
    first.return_number = base[14] & 15u;
    first.returns = base[14] >> 4;
    const uint32_t channel = (base[15] >> 4) & 3u;
    count_point(first, part);
    // Every layer decoded must end exactly at its stated size; an empty one is not decoded (an
    // empty Z layer keeps the first point's Z).
    ArithmeticDecoder xy;
    ArithmeticDecoder z;
    const bool with_xy = xy_size != 0;
    const bool with_z = z_size != 0;
    if (with_xy && !bytes.stream(xy, head, xy_size, false)) return fail(LazStatus::stream_overrun);
    if (with_z && !bytes.stream(z, head + uint64_t{xy_size}, z_size, true)) {
        return fail(LazStatus::stream_overrun);
    }
    if (count > 1) {
        LayerDecoder decoder(*models_, first, channel, xy, z, with_z);
        // A stream past its end yields zeros for ever: stop at the next look rather than
        // decode garbage up to the bound.
        for (uint32_t i = 1; i < count; ++i) {
            count_point(decoder.next(), part);
            if ((i & 4095u) == 0) {
                if (xy.overrun() || (with_z && z.overrun())) return fail(LazStatus::stream_overrun);
                if (stop.requested()) return fail(LazStatus::stopped);
                // A window of zero over nothing but zeros never reaches a writer's ending.
                if (xy.value() == 0 &&
                    bytes.zeros(head + xy.bytes_consumed(), head + uint64_t{xy_size})) {
                    return fail(LazStatus::stream_end);
                }
            }
        }
    }
    if (xy.overrun() || (with_z && z.overrun())) return fail(LazStatus::stream_overrun);
    if (xy.corrupt() || (with_z && z.corrupt())) return fail(LazStatus::stream_corrupt);
    if ((with_xy && !ends_exactly(xy, xy_size)) || (with_z && !ends_exactly(z, z_size))) {
        return fail(LazStatus::stream_end);
    }
    if (bytes.read_failed()) return fail(LazStatus::read_failed);
    result.tally = part;
    result.bytes = head + total;
    result.most = count;
    return result;
}

}  // namespace varnoke::laz
