// Quillfen: rewrites the header of one LAS file with its true point count, counts by return
// number and bounding box.
#include <cstdio>
#include <cstdlib>

#include "Varnoke_LiDAR.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

static void usage(void) {
    credits();
    std::printf("\nUsage: Quillfen <LAS File>\n\n");
}

int main(int argc, char *argv[]) {
#if defined(_WIN32)
    // Standard output carries the same bytes as elsewhere: no carriage return before each newline.
    // The library prints through the same C runtime, so this holds for its messages too.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc == 2) {
        credits();
        update_header(argv[1]);
        return 0;
    }
    std::printf("\n\nWrong number of arguments specified\n");
    usage();
    return -1;
}
