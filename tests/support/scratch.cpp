#include "scratch.h"

#include <random>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace lastest {

ScratchDir::ScratchDir() {
    // A new directory of a random name; create_directory fails rather than reuse one.
    static std::mt19937_64 names{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("varnoke-" + std::to_string(names()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a scratch directory in " + base.string());
}

#if defined(_WIN32)

namespace {

// Removes `dir` with everything in it. The C runtime's directory functions stop at MAX_PATH
// characters; these take the extended form of the path ("\\?\C:\..."), which goes further.
void remove_tree(const std::wstring &dir) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

ScratchDir::~ScratchDir() {
    std::error_code failed;
    std::filesystem::path full = std::filesystem::absolute(path_, failed);
    if (!failed) remove_tree(L"\\\\?\\" + full.make_preferred().wstring());
}

#else

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

#endif

std::filesystem::path testdata_dir() {
    return TESTDATA_DIR;
}

}  // namespace lastest
