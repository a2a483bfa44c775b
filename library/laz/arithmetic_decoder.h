// The range decoder of LAZ streams, with its adaptive binary and multi-symbol models.
#ifndef VARNOKE_LAZ_ARITHMETIC_DECODER_H
#define VARNOKE_LAZ_ARITHMETIC_DECODER_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_feed.h"

namespace varnoke::laz {

// Interval bounds of the coder and the precision of the models' probabilities, as LAZ writers
// use them: every reader must round exactly as the writer did.
inline constexpr uint32_t kMinLength = 0x01000000u;  // below this the interval is renormalised
inline constexpr uint32_t kMaxLength = 0xFFFFFFFFu;
inline constexpr uint32_t kBitShift = 13;     // probability bits of a binary model
inline constexpr uint32_t kSymbolShift = 15;  // probability bits of a symbol model

class ArithmeticDecoder;

// Probability of a zero bit, adapted at growing intervals.
class BitModel {
public:
    BitModel() { reset(); }
    void reset() {
        zeros_ = 1;
        seen_ = 2;
        zero_probability_ = 1u << (kBitShift - 1);
        interval_ = 4;
        countdown_ = 4;
    }

private:
    friend class ArithmeticDecoder;
    void adapt();

    uint32_t zeros_ = 0;  // zeros seen, plus one
    uint32_t seen_ = 0;   // bits seen at the last adaptation, plus two
    uint32_t zero_probability_ = 0;
    uint32_t interval_ = 0;   // bits between adaptations
    uint32_t countdown_ = 0;  // bits left before the next one
};

// Cumulative frequencies of `symbols` symbols (2 to 2048), adapted at growing intervals. Large
// alphabets keep a coarse index into the cumulative table to shorten the search.
class SymbolModel {
public:
    // `fresh`: false leaves the model unusable until reset(), for owners that reset models
    // only when first needed.
    explicit SymbolModel(uint32_t symbols, bool fresh = true);
    void reset();
    uint32_t symbols() const { return symbols_; }

private:
    friend class ArithmeticDecoder;
    void adapt();
    void start_fresh();
    void build_index();

    uint32_t symbols_;
    uint32_t index_shift_ = 0;  // 0: no index
    uint32_t index_last_ = 0;   // last slot of the index
    uint32_t total_ = 0;
    uint32_t interval_ = 0;
    uint32_t countdown_ = 0;
    std::vector<uint32_t> start_;        // scaled cumulative frequency below each symbol
    std::vector<uint32_t> counts_;       // occurrences since the last halving
    std::vector<uint32_t> index_;        // for each slot, the last symbol starting at or below it
    std::vector<uint32_t> fresh_index_;  // index_ as a reset leaves it
};

class ArithmeticDecoder {
public:
    // Starts decoding the bytes [begin, end), followed, where `feed` is given, by the rest of its
    // stretch; false if they cannot hold the initial bytes.
    bool start(const unsigned char *begin, const unsigned char *end, ByteFeed *feed = nullptr) {
        begin_ = begin;
        next_ = begin;
        end_ = end;
        feed_ = feed;
        dropped_ = 0;
        past_end_ = 0;
        corrupt_ = false;
        length_ = kMaxLength;
        value_ = 0;
        if (begin == nullptr || end - begin < 4) {
            past_end_ = 4;
            return false;
        }
        for (int i = 0; i < 4; ++i) value_ = (value_ << 8) | *next_++;
        return true;
    }

    uint32_t decode_bit(BitModel &m) {
        const uint32_t split = m.zero_probability_ * (length_ >> kBitShift);
        uint32_t bit;
        if (value_ < split) {
            bit = 0;
            length_ = split;
            ++m.zeros_;
        } else {
            bit = 1;
            value_ -= split;
            length_ -= split;
        }
        refill();
        if (--m.countdown_ == 0) m.adapt();
        return bit;
    }

    uint32_t decode_symbol(SymbolModel &m) {
        const uint32_t unit = length_ >> kSymbolShift;
        const uint32_t *start = m.start_.data();
        uint32_t low_symbol = 0;
        uint32_t high_symbol = m.symbols_;  // the symbol is below this one
        if (m.index_shift_ != 0) {
            // With the quotient at hand, start * unit > value is start > quotient: the search
            // compares without multiplying.
            const uint32_t quotient = value_ / unit;
            uint32_t slot = quotient >> m.index_shift_;
            if (slot > m.index_last_) slot = m.index_last_;
            low_symbol = m.index_[slot];
            high_symbol = m.index_[slot + 1] + 1;
            while (high_symbol - low_symbol > 1) {
                const uint32_t mid = (low_symbol + high_symbol) >> 1;
                if (start[mid] > quotient) {
                    high_symbol = mid;
                } else {
                    low_symbol = mid;
                }
            }
        } else {
            while (high_symbol - low_symbol > 1) {
                const uint32_t mid = (low_symbol + high_symbol) >> 1;
                if (start[mid] * unit > value_) {
                    high_symbol = mid;
                } else {
                    low_symbol = mid;
                }
            }
        }
        const uint32_t bottom = start[low_symbol] * unit;
        const uint32_t top = low_symbol + 1 == m.symbols_ ? length_ : start[low_symbol + 1] * unit;
        value_ -= bottom;
        length_ = top - bottom;
        refill();
        ++m.counts_[low_symbol];
        if (--m.countdown_ == 0) m.adapt();
        return low_symbol;
    }

    // Up to 32 bits stored without a model, low part first.
    uint32_t read_bits(uint32_t bits) {
        if (bits > 19) {
            const uint32_t low = read_plain(16);
            return (read_bits(bits - 16) << 16) | low;
        }
        return read_plain(bits);
    }
    uint32_t read_int() {
        const uint32_t low = read_plain(16);
        return (read_plain(16) << 16) | low;
    }
    uint64_t read_int64() {
        const uint64_t low = read_int();
        return (uint64_t{read_int()} << 32) | low;
    }

    // True once the decoder wanted a byte past the end of its stretch: it then reads zeros, never
    // past the end, and everything decoded since is garbage the caller must refuse.
    bool overrun() const { return past_end_ != 0; }
    // True once a raw read gave a value no writer could have stored: the bytes are not a LAZ
    // stream.
    bool corrupt() const { return corrupt_; }
    // Bytes taken from the start so far, counting the zeros supplied past the end.
    uint64_t bytes_consumed() const {
        return dropped_ + static_cast<uint64_t>(next_ - begin_) + past_end_;
    }
    // The state of the interval, for the check of a stream's end.
    uint32_t value() const { return value_; }
    uint32_t length() const { return length_; }

private:
    uint32_t read_plain(uint32_t bits) {
        length_ >>= bits;
        uint32_t v = value_ / length_;
        value_ -= length_ * v;
        if (length_ < kMinLength) renormalise();
        if (bits < 32 && v >= (1u << bits)) {
            corrupt_ = true;
            v &= (1u << bits) - 1;
        }
        return v;
    }

    // Brings the interval back above kMinLength. Whether a byte is due is close to a coin toss,
    // so away from the end of the bytes at hand the bytes due (0 to 3) are shifted in without a
    // branch.
    void refill() {
        if (end_ - next_ >= 4) {
            shift_in();
        } else {
            refill_near_end();
        }
    }

    void shift_in() {
        const uint32_t due = static_cast<uint32_t>(std::countl_zero(length_)) >> 3;
        const uint32_t word = (uint32_t{next_[0]} << 24) | (uint32_t{next_[1]} << 16) |
                              (uint32_t{next_[2]} << 8) | next_[3];
        value_ = static_cast<uint32_t>((uint64_t{value_} << (8 * due)) |
                                       (uint64_t{word} >> (32 - 8 * due)));
        length_ <<= 8 * due;
        next_ += due;
    }

    // Within four bytes of the end of the bytes at hand: once a chunk, or once a window.
    [[gnu::noinline]] void refill_near_end() {
        if (feed_ != nullptr) {
            pull();
            if (end_ - next_ >= 4) {
                shift_in();
                return;
            }
        }
        if (length_ < kMinLength) renormalise();
    }

    void renormalise() {
        do {
            if (next_ == end_ && feed_ != nullptr) pull();
            uint32_t byte = 0;
            if (next_ < end_) {
                byte = *next_++;
            } else {
                ++past_end_;
            }
            value_ = (value_ << 8) | byte;
            length_ <<= 8;
        } while (length_ < kMinLength);
    }

    // The next bytes of the stretch, the unread ones kept; the feed is dropped once it has no
    // more to give.
    void pull() {
        const auto keep = static_cast<std::size_t>(end_ - next_);
        dropped_ += static_cast<uint64_t>(next_ - begin_);
        const std::span<const unsigned char> window = feed_->more(next_, keep);
        begin_ = window.data();
        next_ = begin_;
        end_ = begin_ + window.size();
        if (window.size() == keep) feed_ = nullptr;
    }

    const unsigned char *begin_ = nullptr;
    const unsigned char *next_ = nullptr;
    const unsigned char *end_ = nullptr;
    ByteFeed *feed_ = nullptr;  // the rest of the stretch, where it is not all at hand
    uint64_t dropped_ = 0;      // bytes consumed before begin_
    std::size_t past_end_ = 0;
    bool corrupt_ = false;
    uint32_t value_ = 0;
    uint32_t length_ = 0;
};

// Whether the stream decoded by `d` ends here, after exactly `stream_bytes` bytes. The writer
// ends a stream by moving into the interval and emitting the bytes that fix it, padded with zeros
// to the four bytes a reader takes ahead. A stream decoded to its true end has therefore used
// exactly its bytes, and its window then holds what that ending leaves: 1 to 2^24 above the
// interval's base after a long interval (longer than 2^25), 2^23 - 0xFFFF to 2^23 after a short
// one.
bool ends_exactly(const ArithmeticDecoder &d, uint64_t stream_bytes);

}  // namespace varnoke::laz

#endif
