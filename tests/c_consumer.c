/* The library's header compiled as C: record sizes, the version macros, and the functions linked
 * by their plain names. Prints the version, the LAS type of the file named on the command line,
 * then uses a fresh header, a sort and a flag check. */
#include <stdio.h>

#include "Varnoke_LiDAR.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

_Static_assert(sizeof(LAS10Header) == 227, "LAS10Header");
_Static_assert(sizeof(LAS11Header) == 227, "LAS11Header");
_Static_assert(sizeof(LAS12Header) == 227, "LAS12Header");
_Static_assert(sizeof(LAS12fm0) == 20 && sizeof(LAS12fm1) == 28, "point formats 0 and 1");
_Static_assert(sizeof(LAS12fm2) == 26 && sizeof(LAS12fm3) == 34, "point formats 2 and 3");
#if VARNOKE_LIDAR_VERSION_MAJOR < 0 || VARNOKE_LIDAR_VERSION_MINOR < 0 || \
    VARNOKE_LIDAR_VERSION_PATCH < 0
#error "the version numbers must be usable in #if"
#endif

int main(int argc, char *argv[]) {
    if (argc != 2) return 2;
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); /* the test compares the bytes written */
#endif
    printf("Varnoke_LiDAR %s (%d.%d.%d)\n", VARNOKE_LIDAR_VERSION_STRING,
           VARNOKE_LIDAR_VERSION_MAJOR, VARNOKE_LIDAR_VERSION_MINOR, VARNOKE_LIDAR_VERSION_PATCH);
    printf("LAS type %d\n", (int)check_las(argv[1]));

    LAS12Header header;
    initialize_header12(&header);
    int32_t keys[3] = {3, 1, 2};
    int32_t index[3] = {0, 1, 2};
    l_quicksort(keys, 3, index);
    printf("version %d.%d, sorted from %d %d %d, Y flag %d\n", (int)header.VersionMajor,
           (int)header.VersionMinor, (int)index[0], (int)index[1], (int)index[2],
           (int)check_YN("Y"));
    return 0;
}
