// What the include's declared name shows, held in simple shapes whose reach along any direction
// is easy to work out: the starter scene frames them.
#pragma once

#include <vector>

#include "conversion/matrix.h"
#include "conversion/object_table.h"

namespace vex {

// A part of what the include shows, held in a simple shape: the points centre + axes·u (axes'
// columns are the shape's half-axes) for every u of length at most 1 (an ellipsoid), or for every
// u whose coordinates are each between -1 and 1 (a box, when `box`), and every point within
// `round` of those.
struct Piece {
    Vector centre{};
    Matrix axes{};
    bool box = false;
    double round = 0;
};

// Pieces that together hold everything the include's declared name shows: the blob when the
// include has one (it is declared last, under the same name as the sweep, so the name is the
// blob's), else the sweep. A blob component's piece is the ellipsoid its shape and sf make of the
// unit sphere, moved to its point and shrunk to where its field can still reach the threshold; a
// sweep's pieces are boxes around its stretches' centres, which its cubic spline bends beyond
// their points (see the .cpp), rounded by their radii, or a sphere for a sweep of one point. A
// number the include holds that is not finite counts as 0, and one beyond 1e300 as 1e300. Only
// for a table with HasSceneObject.
std::vector<Piece> ShownPieces(const ObjectTable& table);

// How far the piece reaches along g: the greatest p·g of its points p.
double Support(const Piece& piece, const Vector& g);

}  // namespace vex
