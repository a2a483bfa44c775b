#include "bench_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace bench {

BenchFiles::BenchFiles(const std::string &dir, bool keep) : dir_(dir), keep_(keep) {
    if (!dir_.empty()) return;
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    pattern += "/varnoke-update-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a directory like " + pattern + ": " +
                                 std::strerror(errno));
    }
    dir_ = pattern;
    made_here_ = true;
}

BenchFiles::~BenchFiles() {
    if (keep_) return;
    for (const std::string &f : files_) unlink(f.c_str());
    if (made_here_) rmdir(dir_.c_str());
}

std::string BenchFiles::path_for(const std::string &name) {
    files_.push_back(dir_ + "/" + name);
    return files_.back();
}

}  // namespace bench
