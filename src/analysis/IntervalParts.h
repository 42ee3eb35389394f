#pragma once

#include "document/SettingsRecords.h"

#include <string>

namespace korvanix::analysis {

// The time intervals ("parts") of the transient analysis as the settings dialog
// edits them. Parts follow each other without gaps: every part after the first
// starts where the one before it ends.

// The step of a part set by its number of points: `points` equal intervals.
double StepFromPoints(double start, double end, int points);

// The number of points of a part set by its step: the count of intervals of that
// length that cover [start, end], the last one shortened. A quotient less than
// 1e-6 above a whole number counts as that number, so the rounding of the division
// adds no sliver interval (9.9999995 gives 10, 10.2 gives 11). A step of 0, or one
// so small that the count does not fit an int, gives 0: no count at all.
int PointsFromStep(double start, double end, double step);

// The number of parts in use, 1 to 9, whatever count a damaged document holds.
int PartCount(const document::TransientSettings& settings);

// Appends a part with the defaults of a new part, starting where the last one
// ends and lasting the default 1 ms. False when all nine are in use.
bool AddIntervalPart(document::TransientSettings& settings);

// Removes part `index` (0-based). A part between two others leaves its time to the
// part before it, so the later parts keep their times. The slots beyond the new
// count keep their bytes. False for the only part or an index outside the parts.
bool DeleteIntervalPart(document::TransientSettings& settings, int index);

// After part `index` got new times: each later part starts where the one before it
// ends and keeps its own duration. Parts that already do are not touched.
void ShiftLaterParts(document::TransientSettings& settings, int index);

// A number-of-points text read the way C's "%d" reads it: leading blanks, an
// optional sign, the digits that follow; whatever comes after them is ignored.
// 0 when there are no digits; a number beyond int gives the nearest end of int.
int ScanPointCount(const std::string& text);

} // namespace korvanix::analysis
