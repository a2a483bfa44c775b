// The files the tests of varnoke-las judge, in-process and through the executable: right,
// stale, cut off, and a LAS 1.4 file whose changes are made in passing; and the lines they give.
#ifndef VARNOKE_TESTS_TOOL_FILES_H
#define VARNOKE_TESTS_TOOL_FILES_H

#include <string>

#include "support/las_file.h"

namespace lastest {

// The header of `file` made right: the counts and the box the records give, and no reserved bit
// of the global encoding set (a warning). It has no CRS (a warning too).
Bytes made_right(Bytes file);

// Two records on a grid of 0.25, returns 1 and 2 of 2: the box is MaxX 100, MinX 1, MaxY 2,
// MinY -2, MaxZ 3, MinZ 0.
Bytes right_file();

// The right file with one record counted instead of two, three of return 1 instead of one, and
// a MaxX off the grid point of its raw value 400.
Bytes stale_file();

// The right file cut off: five records declared where two and 3 bytes of a third remain.
Bytes cut_file();

// The cut file with the stale file's counts by return and MaxX.
Bytes stale_cut_file();

// A right LAS 1.4 file of point format 6 (two records, MaxX 100) with a count of 1, legacy
// count 2 where format 6 asks for zero (equal to the true count: a warning), and a MaxX one bit
// above the right value; a repair rewrites both in passing.
Bytes legacy_file();

// The right file without its LAS signature ("LAST").
Bytes not_las_file();

// A bundled LAS 1.4 file whose EVLR ends one byte past the end: its values right, nothing to
// write, and still cut off.
Bytes evlr_cut_file();

// What the stale file's line says after its word and name.
inline const std::string kStaleWhat = "records 1 -> 2; by return 1: 3 -> 1; box MaxX 101.5 -> 100";
// Every file made here lacks a CRS: the warning ends its line.
inline const std::string kNoCrs = "; warnings: no CRS";

}  // namespace lastest

#endif
