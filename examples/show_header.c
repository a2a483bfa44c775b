/* Prints the header fields of a LAS file, read through the library's header record. */
#include <stdio.h>

#include "Varnoke_LiDAR.h"

int main(int argc, char *argv[]) {
    LAS12Header h;
    FILE *f;
    int k;

    if (argc != 2) {
        printf("Usage: show_header <LAS File>\n");
        return 1;
    }
    f = fopen(argv[1], "rb");
    if (f == NULL || fread(&h, sizeof h, 1, f) != 1) {
        printf("Cannot read the header of %s\n", argv[1]);
        return 1;
    }
    fclose(f);

    printf("\nHeader of %s\n", argv[1]);
    printf("  version              %d.%d\n", h.VersionMajor, h.VersionMinor);
    printf("  point format         %d (records of %d bytes from offset %lu)\n", h.PointDataFormatID,
           h.PointDataRecordLength, (unsigned long)h.OffsetToData);
    printf("  points               %lu\n", (unsigned long)h.NumberOfPointReturns);
    printf("  points by return    ");
    for (k = 0; k < 5; ++k) printf(" %lu", (unsigned long)h.NumberOfPointsByReturn[k]);
    printf("\n  X min .. max         %.2f .. %.2f\n", h.MinX, h.MaxX);
    printf("  Y min .. max         %.2f .. %.2f\n", h.MinY, h.MaxY);
    printf("  Z min .. max         %.2f .. %.2f\n", h.MinZ, h.MaxZ);
    return 0;
}
