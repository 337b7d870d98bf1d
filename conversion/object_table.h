// The Sweep and Mball objects of an export: what the scan reads of each (Scan), and where the
// include puts it (PlaceObjects). Rows 1 to ObjectCapacity are stored, in file order; row 0 is
// never used.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "conversion/matrix.h"
#include "conversion/value_line.h"
#include "text/text.h"

namespace vex {

inline constexpr int64_t ObjectCapacity = 500;

// An object inside more Transforms than this cannot be placed. A modeller's parents nest a few
// levels deep; this bounds the memory a crafted file can take.
inline constexpr int64_t DeepestPlaced = 256;

// Where the include puts an object, and what it had to leave out or make do with.
struct Placement {
    Text point;   // "<x, y, z>": a sweep point's centre, a blob component's translation
    Text radius;  // a sweep point's radius
    Text shape;   // a blob component's "scale <a, b, c> * sf" or "matrix <...> scale sf"
    bool unreadable = false;  // a value POV-Ray cannot read is written as 0
    bool uneven = false;      // a sweep point stretched unevenly: a sphere_sweep draws it round
    bool noVolume = false;    // a blob component scaled to nothing, left out of the blob
    bool tooDeep = false;     // inside more Transforms than the scan keeps, left out
};

// One Sweep or Mball object: its own values as the scan read them, what it stands in, and, once
// PlaceObjects has run, its placement.
struct ObjectRow {
    Text name;
    Vector3Text translation;        // its translation line cut as text; vector x, y, z
    Vector3Text scale;              // its scale line cut as text; vector x, z, y
    TransformValues values;         // its three value lines as numbers
    Affine around;                  // the Transforms it stands in, composed (none at depth 0)
    bool aroundUnreadable = false;  // a value of a Transform it stands in is unreadable
    int64_t depth = 0;              // how many Transforms it stands in: 0 at the top level
    bool deeperThanKept = false;    // the Transforms it stands in were too deep to be kept
    Placement placed;
};

struct ObjectTable {
    // Filled by Scan.
    std::vector<ObjectRow> rows = std::vector<ObjectRow>(ObjectCapacity + 1);
    int64_t rowCount = 0;  // rows stored, also the number of the last row filled
    int64_t leftOut = 0;   // Sweep and Mball objects found after the table was full
    // The export closes no Transform (a hand-made file, say): every object is read as one at the
    // top level.
    bool flat = false;
    // Mesh data stands at the top level, with no object's Transform around it: the export was
    // written without hierarchy, which leaves metaballs and empties out.
    bool withoutHierarchy = false;
    // Sweep or Mball mesh data stands inside a Transform: its object's, or, where the export holds
    // no Sweep or Mball object, a collection instance's (the exporter writes the objects of an
    // instanced collection as their mesh data only).
    bool nestedSweepOrMballData = false;

    // Counted by PlaceObjects, over the stored rows.
    int64_t sweepCount = 0;     // sweep points (IsSweepPoint)
    int64_t blobCount = 0;      // blob components (IsBlobComponent)
    int64_t withoutVolume = 0;  // "Mball" rows scaled to nothing, left out of the blob
    int64_t tooDeep = 0;        // rows too deep to be placed, left out
};

// The two kinds of object converted, told by the exact, case-sensitive beginning of the name.
bool IsSweep(TextView name);
bool IsBlob(TextView name);

// The rows the include writes, once placed: a "Sweep" row as a point of the sphere_sweep, an
// "Mball" row with volume as a component of the blob; neither when it lies too deep to place.
bool IsSweepPoint(const ObjectRow& row);
bool IsBlobComponent(const ObjectRow& row);

// Rows 1 to rowCount, in file order.
std::span<ObjectRow> StoredRows(ObjectTable& table);
std::span<const ObjectRow> StoredRows(const ObjectTable& table);

}  // namespace vex
