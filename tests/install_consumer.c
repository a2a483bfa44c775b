/* A program built against the installed library with the flags pkg-config gives. Checks that
 * check_las gives the LAS type named on the command line for a file, and that l_quicksort sorts a
 * few keys with their indices. Prints what it found; exits with 0 only when both are right. */
#include <stdio.h>
#include <stdlib.h>

#include "Varnoke_LiDAR.h"

int main(int argc, char *argv[]) {
    static const int32_t keys[6] = {40, -3, 17, 0, 17, -2147483647 - 1};
    int32_t sorted[6], index[6];
    int k, ok;
    int16_t type;

    if (argc != 3) {
        printf("Usage: install_consumer <LAS File> <expected LAS type>\n");
        return 2;
    }
    type = check_las(argv[1]);
    printf("LAS type %d\n", (int)type);
    ok = type == atoi(argv[2]);

    for (k = 0; k < 6; ++k) {
        sorted[k] = keys[k];
        index[k] = k;
    }
    l_quicksort(sorted, 6, index);
    printf("sorted");
    for (k = 0; k < 6; ++k) {
        printf(" %ld", (long)sorted[k]);
        if (keys[index[k]] != sorted[k] || (k > 0 && sorted[k - 1] > sorted[k])) ok = 0;
    }
    printf("\n");
    return ok ? 0 : 1;
}
