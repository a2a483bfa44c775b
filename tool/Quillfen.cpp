// Quillfen: rewrites the header of one LAS file with its true point count, counts by return
// number and bounding box.
#include <cstdio>
#include <cstdlib>

#include "Varnoke_LiDAR.h"

static void usage(void) {
    credits();
    std::printf("\nUsage: Quillfen <LAS File>\n\n");
}

int main(int argc, char *argv[]) {
    if (argc == 2) {
        credits();
        update_header(argv[1]);
        return 0;
    }
    std::printf("\n\nWrong number of arguments specified\n");
    usage();
    return -1;
}
