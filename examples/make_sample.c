/* Writes a small LAS 1.2 file of point format 1 whose header is stale: it claims 1000 points,
 * wrong counts by return and an empty box, while the file holds 12 records. */
#include <stdio.h>
#include <string.h>

#include "Varnoke_LiDAR.h"

#define SAMPLE_POINTS 12

int main(int argc, char *argv[]) {
    LAS12Header header;
    LAS12fm1 point;
    FILE *f;
    int k;

    if (argc != 2) {
        printf("Usage: make_sample <LAS File>\n");
        return 1;
    }
    memset(&header, 0, sizeof header);
    memcpy(header.LASF, "LASF", 4);
    header.VersionMajor = 1;
    header.VersionMinor = 2;
    strcpy(header.SystemIdentifier, "SAMPLE");
    strcpy(header.GeneratingSoftware, "make_sample");
    header.HeaderSize = sizeof header;
    header.OffsetToData = sizeof header;
    header.PointDataFormatID = 1;
    header.PointDataRecordLength = sizeof point;
    header.NumberOfPointReturns = 1000; /* stale: the file holds 12 records */
    header.NumberOfPointsByReturn[0] = 1000;
    header.XScaleFactor = header.YScaleFactor = header.ZScaleFactor = 0.01;
    header.XOffset = 500000.0;
    header.YOffset = 4000000.0;
    header.ZOffset = 0.0;

    f = fopen(argv[1], "wb");
    if (f == NULL || fwrite(&header, sizeof header, 1, f) != 1) {
        printf("Cannot write %s\n", argv[1]);
        return 1;
    }
    memset(&point, 0, sizeof point);
    for (k = 0; k < SAMPLE_POINTS; ++k) {
        point.X = 1000 * k - 3000;
        point.Y = 250 * (k % 5);
        point.Z = 4000 + 37 * k;
        point.Intensity = (uint16_t)(100 + k);
        point.bitfield = (int8_t)(1 + k % 3); /* returns 1, 2 and 3 in turn */
        point.Classification = 2;
        point.GPSTime = 86400.0 + k;
        if (fwrite(&point, sizeof point, 1, f) != 1) {
            printf("Cannot write %s\n", argv[1]);
            return 1;
        }
    }
    if (fclose(f) != 0) {
        printf("Cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
