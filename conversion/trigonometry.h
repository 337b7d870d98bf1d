// Sine and cosine that give the same bits on every platform. The include's numbers are written
// with every digit a double holds (a metaball under a parent scaled 1e200 has 200 of them), so a
// turn must come out alike wherever Vexlorin runs: the C libraries do not (MinGW's cos(1.570796)
// differs from glibc's in the 14th digit, its sin(1e200) in the first). These use nothing but
// IEEE additions, multiplications and fmod, which every platform rounds alike, and are within
// about one unit in the last place of the true value for angles up to a million radians.
#pragma once

namespace vex {

// The sine and cosine of an angle in radians. Beyond a million radians, where a double no longer
// holds an angle to a millionth of a turn, the angle is first taken modulo the double nearest 2π:
// a number that is the same everywhere, though not the true one. Not finite for an angle that
// is not.
double Sine(double angle);
double Cosine(double angle);

}  // namespace vex
