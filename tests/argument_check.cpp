// Calls one of the library's argument checks that end the process when they refuse, so that a
// test sees its output and exit status as a user of the tool would:
//   argument_check check_numeric_argument|check_DEM <file>
// The argument is the whole content of <file>, which carries any length and any byte unchanged
// (a Windows command line carries neither). Exits with 0 when the check returns, and with 2 when
// it cannot be called.
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "Varnoke_LiDAR.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char *argv[]) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);  // the test compares the bytes written
#endif
    if (argc != 3) return 2;
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) return 2;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string_view check = argv[1];
    if (check == "check_numeric_argument") {
        check_numeric_argument(text.c_str());
    } else if (check == "check_DEM") {
        check_DEM(text.c_str());
    } else {
        return 2;
    }
    return 0;
}
