#include <stdio.h>

#include "Varnoke_LiDAR.h"

int main(int argc, char *argv[]) {
    if (argc != 2) return 2;
    varnoke_las_report r = {0};
    int status = varnoke_las_check_ex(argv[1], NULL, &r, sizeof r);
    if (status != VARNOKE_LAS_OK) {
        printf("%s refused: %s\n", argv[1], varnoke_las_strerror(status));
        return 2;
    }
    /* Cut off: the records that are there. An uncertain LAZ count: the least it can be. */
    const char *verdict = r.truncated         ? "truncated"
                          : r.count_uncertain ? "count uncertain, or more"
                          : r.stale           ? "header stale"
                                              : "header right";
    printf("%s: LAS %d.%d, point format %d, %llu records, %s\n", argv[1], r.version_major,
           r.version_minor, r.point_format, (unsigned long long)r.records, verdict);
    for (int bit = 0; bit < 64; ++bit) {
        if ((r.warnings >> bit) & 1) printf("warning: %s\n", varnoke_las_warning_text(1ull << bit));
    }
    return r.stale || r.truncated || r.count_uncertain ? 1 : 0;
}
