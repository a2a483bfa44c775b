#include "bench_options.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace bench {

namespace {

void print_usage(std::FILE *out, const char *program) {
    std::fprintf(out,
                 "Usage: %s [options]\n"
                 "Times Quillfen, dd and a record-by-record baseline on LAS files of random\n"
                 "points (point formats 0 and 3) held in the page cache.\n\n"
                 "  --dir DIR        put the files in DIR (default: a fresh directory under\n"
                 "                   $TMPDIR or /tmp)\n"
                 "  --keep           keep the files afterwards\n"
                 "  --rounds N       timed runs of each program on each file (default 5)\n"
                 "  --size-mib N     size of the large files in MiB (default 1024)\n"
                 "  --small-mib N    size of the small file in MiB (default 100)\n"
                 "  --quillfen PATH  the Quillfen executable to time\n"
                 "  --baseline PATH  the per_record_baseline executable\n"
                 "  --help           this text\n",
                 program);
}

template <typename T>
bool parse_number(std::string_view text, T min, T &out) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < min) return false;
    out = value;
    return true;
}

}  // namespace

std::optional<int> parse_options(int argc, char **argv, Options &options) {
    const char *program = argc > 0 ? argv[0] : "update_throughput";
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        if (arg == "--help") {
            print_usage(stdout, program);
            return 0;
        }
        if (arg == "--keep") {
            options.keep = true;
            continue;
        }
        const bool known = arg == "--dir" || arg == "--quillfen" || arg == "--baseline" ||
                           arg == "--rounds" || arg == "--size-mib" || arg == "--small-mib";
        if (!known) {
            std::fprintf(stderr, "Unknown option %s\n", argv[i]);
            print_usage(stderr, program);
            return 2;
        }
        if (!value && i + 1 < argc) value = argv[++i];
        if (!value) {
            std::fprintf(stderr, "Option %s needs a value\n", argv[i]);
            print_usage(stderr, program);
            return 2;
        }
        bool ok = true;
        if (arg == "--dir") {
            options.dir = *value;
        } else if (arg == "--quillfen") {
            options.quillfen = *value;
        } else if (arg == "--baseline") {
            options.baseline = *value;
        } else if (arg == "--rounds") {
            ok = parse_number(*value, 1, options.rounds);
        } else if (arg == "--size-mib") {
            ok = parse_number<uint64_t>(*value, 1, options.size_mib);
        } else {
            ok = parse_number<uint64_t>(*value, 1, options.small_mib);
        }
        if (!ok) {
            std::fprintf(stderr, "Option %.*s needs a whole number of at least 1\n",
                         static_cast<int>(arg.size()), arg.data());
            print_usage(stderr, program);
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace bench
