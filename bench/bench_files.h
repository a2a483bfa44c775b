// The directory that holds the benchmark's files, and their removal when the run ends.
#ifndef VARNOKE_BENCH_BENCH_FILES_H
#define VARNOKE_BENCH_BENCH_FILES_H

#include <string>
#include <vector>

namespace bench {

class BenchFiles {
public:
    // Uses `dir`, which must exist, or a fresh directory under $TMPDIR (or /tmp) when `dir` is
    // empty. Throws std::runtime_error if the fresh directory cannot be made.
    BenchFiles(const std::string &dir, bool keep);
    // Removes every file handed out by path_for(), and the directory if it was made here, unless
    // the files are to be kept.
    ~BenchFiles();
    BenchFiles(const BenchFiles &) = delete;
    BenchFiles &operator=(const BenchFiles &) = delete;

    const std::string &dir() const { return dir_; }
    // The path of file `name` in the directory, remembered for removal.
    std::string path_for(const std::string &name);

private:
    std::string dir_;
    bool made_here_ = false;
    bool keep_;
    std::vector<std::string> files_;
};

}  // namespace bench

#endif
