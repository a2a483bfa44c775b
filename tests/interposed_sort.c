/* A program with its own l_quicksort and d_quicksort, linked with the shared library: the
 * library's parallel sorts must still sort with the library's code. */
#include <stdio.h>

#include "Varnoke_LiDAR.h"

void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    (void)p, (void)count, (void)p_ind;
}

void d_quicksort(double *p, int32_t count, int32_t *p_ind) {
    (void)p, (void)count, (void)p_ind;
}

int main(void) {
    int32_t keys[3] = {3, 1, 2}, index[3] = {0, 1, 2};
    double dkeys[3] = {3.0, 1.0, 2.0};
    int32_t dindex[3] = {0, 1, 2};
    l_parallel_quicksort(keys, 3, index);
    d_parallel_quicksort(dkeys, 3, dindex);
    printf("%d %d %d / %g %g %g\n", (int)keys[0], (int)keys[1], (int)keys[2], dkeys[0], dkeys[1],
           dkeys[2]);
    return 0;
}
