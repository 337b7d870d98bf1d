// Where the starter scene's camera stands, and the numbers it writes. The include's coordinates are
// the export's: the modeller's x, y and z become -x, z and y, so y is the modeller's up and the
// modeller's front view looks along +z with -x to its right. POV-Ray reads the same numbers in a
// left-handed frame; the scene's camera is right-handed, so the picture is the modeller's and not
// its mirror image.
#pragma once

#include <vector>

#include "conversion/matrix.h"
#include "conversion/shown_pieces.h"
#include "text/text.h"

namespace vex {

// An axis-aligned box: its least and greatest coordinates along x, y and z.
struct Box {
    Vector low{};
    Vector high{};
};

// The camera's frame, as POV-Ray makes it of `right -4/3*x` (the width), `up y` and a direction of
// length 1: the tangents of half the angles it sees across and up.
inline constexpr double HalfWidth = 2.0 / 3.0;
inline constexpr double HalfHeight = 0.5;

// The share of the frame's half-width and half-height the pieces may take: the rest is the margin.
inline constexpr double Filled = 0.8;

// Where the starter scene puts the object, the camera, the light and the ground.
struct Framing {
    // POV-Ray draws nothing of an object much smaller than 0.01, nothing farther than about 1e7
    // from the camera, and loses precision far from the origin: such an object is moved by
    // `-centre` and scaled by 10 to the power `exponent`, to a size of about 1 around the origin.
    bool moved = false;
    Vector centre{};
    int exponent = 0;
    Box box;          // the box around the pieces, where the scene has it
    Vector location;  // the camera's, looking at the box's centre
    Vector lookAt;
    Vector light;
    double ground = 0;  // the height of the ground plane: the box's bottom
    int decimals = 0;   // enough decimals for the scene's numbers at the box's size
};

// Frames the pieces: the camera looks at the centre of the box around them from in front, a
// little above and to the right (as the modeller's front view has it), near enough that some
// piece touches the margin and far enough that none reaches beyond it. Pieces of no size are
// framed as a box of size 1 around their centre.
Framing FramePieces(const std::vector<Piece>& pieces);

// A number as the scene writes it: fixed, with `decimals` decimals ("-0.000" as "0.000"), or with
// as few as read back as the same number when `decimals` is more than 17; with an exponent, in as
// few digits as read back the same, when its size is 1e15 or more or it takes more than 60
// characters so.
Text SceneNumber(double value, int decimals);

}  // namespace vex
