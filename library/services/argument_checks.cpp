// Checks of command-line arguments for the tools of the family: a Y/N flag, a plain decimal
// number text and a DEM raster file name.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "Varnoke_LiDAR.h"

namespace {

[[noreturn]] void reject() {
    std::exit(-1);
}

bool is_number_character(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// Digits with at most one '.' and at most one '-' anywhere; a lone '.' or '-' is no number.
// The text is scanned whole, however long it is.
bool is_numeric(std::string_view text) {
    const auto number_character = [](char c) {
        return is_number_character(static_cast<unsigned char>(c));
    };
    if (!std::all_of(text.begin(), text.end(), number_character)) return false;
    if (std::count(text.begin(), text.end(), '.') > 1) return false;
    if (std::count(text.begin(), text.end(), '-') > 1) return false;
    return text != "." && text != "-";
}

}  // namespace

extern "C" {

int16_t check_YN(const char *text) {
    for (const char *accepted : {"Y", "N", "y", "n"}) {
        if (std::strcmp(text, accepted) == 0) return 0;
    }
    std::printf("\nASCII Header Flag should be either Y (y) or N (n)\n");
    return -1;
}

void check_numeric_argument(const char *str) {
    if (is_numeric(str)) return;
    std::printf("\nInvalid argument value (%s)\n", str);
    reject();
}

void check_DEM(const char *str) {
    // Each test prints its own complaint, also when the other extension then matches.
    if (check_file_extension(str, "asc") != 0 && check_file_extension(str, "flt") != 0) {
        std::printf(
            "\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point "
            "binary)\n");
        reject();
    }
    if (check_file_extension(str, "flt") != 0) return;  // an ASCII DEM

    // A floating point DEM needs its header beside it: the same name ending in .hdr. The name
    // is built to its full length, however long the DEM name is.
    std::string companion(str, std::strlen(str) - 4);
    companion += ".hdr";
    if (file_access(companion.c_str()) != 0) {
        std::printf(
            "\nFloating point binary DEM files also require a ASCII header file ('.hdr')\n");
        reject();
    }
}

}  // extern "C"
