// A fresh directory per test, removed with everything in it afterwards.
#ifndef VARNOKE_TESTS_SCRATCH_H
#define VARNOKE_TESTS_SCRATCH_H

#include <filesystem>
#include <string>

namespace lastest {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string str() const { return path_.string(); }
    // The path of `name` inside the directory.
    std::string operator/(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The directory of the shared test LAS files.
std::filesystem::path testdata_dir();

}  // namespace lastest

#endif
