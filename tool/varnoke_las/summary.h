// The answers about a whole run that --summary gives after the lines of its files: results and
// warnings counted, versions and formats, points and bytes, the extent of each coordinate
// reference system, the scales and offsets in use, and tiles that overlap.
#ifndef VARNOKE_LAS_SUMMARY_H
#define VARNOKE_LAS_SUMMARY_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "judgement.h"

namespace varnoke_las {

class ArchiveSummary {
public:
    // Adds the file of `result`; `reused` where its result came from an earlier report.
    void add(const FileResult &result, bool reused = false);

    // The summary as text, each line ending in a newline, and as one JSON object with its
    // newline: {"format":..,"summary":{..}}.
    std::string text() const;
    std::string json() const;

    // The most pairs of overlapping tiles, and of tiles with other scales or offsets, named.
    static constexpr std::size_t kNamed = 10;

    // Pairs of tiles of one CRS whose boxes share more than an edge, found by a sweep over X;
    // `count` all of them, the first kNamed by name. Public for the tests.
    struct Tile {
        std::string path;
        double min_x, max_x, min_y, max_y;
    };
    static std::pair<uint64_t, std::vector<std::pair<std::size_t, std::size_t>>> overlaps(
        std::vector<Tile> tiles, std::size_t named);

private:
    struct Extent {
        uint32_t units = 0;
        bool mixed_units = false;
        uint64_t files = 0;
        double box[6] = {};  // min_x, max_x, min_y, max_y, min_z, max_z
        std::vector<Tile> tiles;
    };
    // A file's scales and offsets, compared bit for bit.
    using Frame = std::array<double, 6>;
    // The frame most files share, and the files that have another.
    struct Majority {
        bool any = false;
        Frame frame{};
        uint64_t files = 0, differ = 0;
        std::vector<std::string> named;  // the first kNamed that differ
    };
    Majority majority() const;

    std::array<uint64_t, 6> results_{};
    std::map<std::string, uint64_t> warnings_;  // by code
    uint64_t with_warnings_ = 0, reused_ = 0;
    std::map<std::string, uint64_t> versions_, formats_;
    uint64_t points_ = 0, bytes_ = 0, return_zero_ = 0;
    std::array<uint64_t, 15> by_return_{};
    std::map<std::pair<uint32_t, uint32_t>, Extent> extents_;  // by horizontal, vertical EPSG
    uint64_t without_crs_ = 0;
    std::map<std::array<uint64_t, 6>, uint64_t> frames_;        // files, by the frame's bits
    std::vector<std::pair<std::string, Frame>> frame_of_file_;  // in the order added
};

}  // namespace varnoke_las

#endif
