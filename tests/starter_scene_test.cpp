// The starter scene: what it frames, against boxes worked out by hand and curves sampled point by
// point; where its camera stands, against a camera built as POV-Ray builds one and points sampled
// over every piece; and its text, held byte for byte for the example export.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "conversion/framing.h"
#include "conversion/names.h"
#include "conversion/placement.h"
#include "conversion/scanner.h"
#include "conversion/shown_pieces.h"
#include "conversion/starter_scene.h"
#include "tests/test_support.h"

namespace vex {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

struct Row {
    const char* name;
    const char* point;
    const char* size;  // a sweep point's radius, a component's shape
};

ObjectTable TableOf(const std::vector<Row>& rows) {
    ObjectTable table;
    for (const Row& r : rows) {
        ObjectRow& row = table.rows[static_cast<size_t>(++table.rowCount)];
        row.name = FromUtf8(r.name);
        row.placed.point = FromUtf8(r.point);
        (IsSweep(row.name) ? row.placed.radius : row.placed.shape) = FromUtf8(r.size);
    }
    return table;
}

Box BoxAround(const std::vector<Piece>& pieces) {
    Box box{{Inf, Inf, Inf}, {-Inf, -Inf, -Inf}};
    for (const Piece& piece : pieces) {
        for (size_t i = 0; i < 3; ++i) {
            Vector axis{};
            axis[i] = 1;
            box.high[i] = std::max(box.high[i], Support(piece, axis));
            axis[i] = -1;
            box.low[i] = std::min(box.low[i], -Support(piece, axis));
        }
    }
    return box;
}

// A lone component's field reaches the threshold 0.5 at sqrt(1 - sqrt(0.5)) of its ellipsoid.
const double Lone = std::sqrt(1 - std::sqrt(0.5));

struct ShownCase {
    std::vector<Row> rows;
    Box box;
};

TEST(ShownPieces, HoldWhatTheDeclaredNameShows) {
    const char* unit = "scale <1.000, 0.700, 0.500> * sf";
    const ShownCase cases[] = {
        {{{"Sweep", "<1.000, 2.000, 3.000>", "0.500"}}, {{0.5, 1.5, 2.5}, {1.5, 2.5, 3.5}}},
        // A stretch's centres reach 1/8 of their spread beyond them, its radius 1/8 of theirs.
        {{{"Sweep", "<0, 0, 0>", "0.2"}, {"Sweep_1", "<4 , 0, 0>", " 0.4 "}},
         {{-0.925, -0.425, -0.425}, {4.925, 0.425, 0.425}}},
        {{{"Mball", "<0.000, 2.000, 0.000>", unit}},
         {{-2 * Lone, 2 - 1.4 * Lone, -Lone}, {2 * Lone, 2 + 1.4 * Lone, Lone}}},
        // x goes to y, y to -2x, z to 3z: half-axes 4, 2 and 6 along x, y and z, times the share.
        {{{"Mball", "<1, 1, 1>", "matrix <0, 1, 0, -2, 0, 0, 0, 0, 3, 0, 0, 0> scale sf"}},
         {{1 - 4 * Lone, 1 - 2 * Lone, 1 - 6 * Lone}, {1 + 4 * Lone, 1 + 2 * Lone, 1 + 6 * Lone}}},
        // The blob is declared last, under the sweep's name: the name shows the blob alone.
        {{{"Sweep", "<100, 0, 0>", "1"},
          {"Mball", "<0, 0, 0>", "scale <1, 1, 1> * sf"},
          {"Sweep_1", "<-100, 0, 0>", "1"}},
         {{-2 * Lone, -2 * Lone, -2 * Lone}, {2 * Lone, 2 * Lone, 2 * Lone}}},
    };
    for (const ShownCase& c : cases) {
        const Box box = BoxAround(ShownPieces(TableOf(c.rows)));
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(box.low[i], c.box.low[i], 1e-12) << c.rows[0].point << " axis " << i;
            EXPECT_NEAR(box.high[i], c.box.high[i], 1e-12) << c.rows[0].point << " axis " << i;
        }
    }
}

// A Catmull-Rom spline through four control points, at t between the middle two.
double CatmullRom(const double p[4], double t) {
    return 0.5 * (2 * p[1] + (p[2] - p[0]) * t + (2 * p[0] - 5 * p[1] + 4 * p[2] - p[3]) * t * t +
                  (3 * p[1] - p[0] - 3 * p[2] + p[3]) * t * t * t);
}

TEST(ShownPieces, HoldEverySphereTheSweepSweepsThrough) {
    const std::vector<std::array<double, 4>> points = {
        {0, 0, 0, 0.1}, {1, 0, 0, 2}, {1, 10, 0, 0.5}, {-3, 10, 4, 0}, {-3, -5, 4, 1}};
    std::vector<std::string> texts;
    for (const auto& p : points) {
        std::string point = "<";
        point +=
            std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ">";
        texts.push_back(point);
        texts.push_back(std::to_string(p[3]));
    }
    std::vector<Row> rows;
    for (size_t k = 0; k < points.size(); ++k) {
        rows.push_back({"Sweep", texts[2 * k].c_str(), texts[2 * k + 1].c_str()});
    }
    const std::vector<Piece> pieces = ShownPieces(TableOf(rows));
    ASSERT_EQ(pieces.size(), points.size() - 1);
    for (size_t s = 0; s < pieces.size(); ++s) {  // stretch s uses written points s to s + 3
        double along[4][4];
        for (size_t k = 0; k < 4; ++k) {
            const size_t written = std::clamp<size_t>(s + k, 1, points.size()) - 1;
            for (size_t i = 0; i < 4; ++i) {
                along[i][k] = points[written][i];
            }
        }
        for (double t = 0; t <= 1; t += 1.0 / 64) {
            double outside = 0;  // how far the spline's centre lies outside the piece's box
            for (size_t i = 0; i < 3; ++i) {
                const double off = std::abs(CatmullRom(along[i], t) - pieces[s].centre[i]);
                outside = std::hypot(outside, std::max(0.0, off - pieces[s].axes[i][i]));
            }
            EXPECT_LE(outside + std::abs(CatmullRom(along[3], t)), pieces[s].round + 1e-9)
                << "stretch " << s << " at " << t;
        }
    }
}

TEST(Support, ReachesAsFarAsTheFarthestPoint) {
    const Piece pieces[] = {{{1, 2, 3}, {{{1, 2, 0}, {0, 1, 0}, {3, 0, 0.5}}}, false, 0},
                            {{-1, 0, 1}, {{{1, 0, 0}, {0, 2, 0}, {0, 0, 0.5}}}, true, 0.25}};
    const Vector g = {0.3, -1.2, 0.7};
    for (const Piece& piece : pieces) {
        double farthest = -Inf;
        for (int n = 0; n < 20000; ++n) {  // directions spread evenly over the sphere
            const double h = 1 - (n + 0.5) / 10000;
            const double a = n * 2.399963;
            const Vector u = {std::sqrt(1 - h * h) * std::cos(a),
                              std::sqrt(1 - h * h) * std::sin(a), h};
            Vector p = piece.centre;
            for (size_t r = 0; r < 3; ++r) {
                for (size_t c = 0; c < 3; ++c) {
                    const double part = piece.box ? std::copysign(1.0, u[c]) : u[c];
                    p[r] += piece.axes[r][c] * part;
                }
                p[r] += piece.round * u[r];
            }
            farthest = std::max(farthest, p[0] * g[0] + p[1] * g[1] + p[2] * g[2]);
        }
        EXPECT_NEAR(Support(piece, g), farthest, 1e-3 * std::abs(farthest));
        EXPECT_GE(Support(piece, g), farthest);
    }
}

// Points all over the piece: its ellipsoid's or box's surface, rounded.
std::vector<Vector> Sampled(const Piece& piece) {
    std::vector<Vector> points;
    for (int n = 0; n < 4000; ++n) {  // directions spread evenly over the sphere
        const double h = 1 - (n + 0.5) / 2000;
        const double a = n * 2.399963;
        const Vector u = {std::sqrt(1 - h * h) * std::cos(a), std::sqrt(1 - h * h) * std::sin(a),
                          h};
        Vector p = piece.centre;
        for (size_t r = 0; r < 3; ++r) {
            for (size_t c = 0; c < 3; ++c) {
                p[r] += piece.axes[r][c] * (piece.box ? std::copysign(1.0, u[c]) : u[c]);
            }
            p[r] += piece.round * u[r];
        }
        points.push_back(p);
    }
    return points;
}

Vector Minus(const Vector& a, const Vector& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vector Cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Vector& a, const Vector& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

struct FramingCase {
    const char* what;
    std::vector<Piece> pieces;
    bool moved;
    int exponent;
};

Piece Ball(Vector centre, double radius) {
    return {centre, {}, false, radius};
}

Piece Block(Vector centre, Vector half) {
    return {centre, {{{half[0], 0, 0}, {0, half[1], 0}, {0, 0, half[2]}}}, true, 0};
}

// Each case's pieces, moved as the scene moves them, seen by a camera built as POV-Ray builds one
// from the location, look_at, the sky y and `right -4/3*x`: every point lies within the margin,
// some on it; the camera stands in front, above and to the right, the ground under everything.
TEST(FramePieces, FillsTheFrameToTheMarginWhateverTheSize) {
    const FramingCase cases[] = {
        {"a ball", {Ball({1, 2, 3}, 0.5)}, false, 0},
        {"tiny", {Ball({0.3, 0.1, 0}, 0.0005)}, true, 3},
        {"tiny and far", {Ball({1e6, 0, -1e6}, 0.05)}, true, 1},
        {"huge", {Ball({0, 0, 0}, 1e6)}, true, -6},
        {"far out", {Ball({2e6, 1e6, 0}, 1)}, true, 0},
        {"long along x", {Block({0, 0, 0}, {20, 0.1, 0.1})}, false, 0},
        {"long along y", {Block({0, 0, 0}, {0.1, 20, 0.1})}, false, 0},
        {"long along z", {Block({0, 0, 0}, {0.1, 0.1, 20})}, false, 0},
        {"flat", {Block({0, 1, 0}, {5, 0, 5})}, false, 0},
        {"apart",
         {Ball({-10, 0, 0}, 1), Ball({10, 3, 5}, 2), Block({0, 0, -4}, {1, 1, 1})},
         false,
         0},
        {"turned", {Piece{{1, 2, 3}, {{{3, 1, 0}, {0, 1, 2}, {1, 0, 0.2}}}, false, 0}}, false, 0},
        {"a point", {Ball({1, 2, 3}, 0)}, false, 0},
    };
    for (FramingCase c : cases) {
        const Framing framing = FramePieces(c.pieces);
        if (std::string(c.what) == "a point") {  // framed as this box would be
            c.pieces = {Block({1, 2, 3}, {0.5, 0.5, 0.5})};
        }
        EXPECT_EQ(framing.moved, c.moved) << c.what;
        EXPECT_EQ(framing.exponent, c.exponent) << c.what;
        const Vector ahead = Minus(framing.lookAt, framing.location);
        const Vector right = Cross({0, 1, 0}, ahead);
        const Vector up = Cross(ahead, right);
        double filled = 0;
        double lowest = Inf;
        for (const Piece& piece : c.pieces) {
            for (Vector p : Sampled(piece)) {
                for (size_t i = 0; i < 3 && framing.moved; ++i) {
                    p[i] = (p[i] - framing.centre[i]) * std::pow(10.0, framing.exponent);
                }
                const Vector q = Minus(p, framing.location);
                const double depth = Dot(q, ahead) / std::sqrt(Dot(ahead, ahead));
                const double x = Dot(q, right) / std::sqrt(Dot(right, right)) / depth;
                const double y = Dot(q, up) / std::sqrt(Dot(up, up)) / depth;
                filled = std::max({filled, std::abs(x) / HalfWidth, std::abs(y) / HalfHeight});
                lowest = std::min(lowest, p[1]);
            }
        }
        EXPECT_LE(filled, Filled + 1e-9) << c.what;
        EXPECT_GE(filled, Filled - 0.01) << c.what;
        EXPECT_LT(framing.location[0], framing.lookAt[0]) << c.what;  // the modeller's right
        EXPECT_GT(framing.location[1], framing.lookAt[1]) << c.what;
        EXPECT_LT(framing.location[2], framing.lookAt[2]) << c.what;
        EXPECT_NEAR(framing.ground, lowest, 0.01 * std::abs(framing.location[1] - lowest))
            << c.what;
    }
}

ObjectTable Converted(const std::filesystem::path& x3d) {
    ObjectTable table;
    const LineFileId input = OpenLineFile(AutoId, test::PathText(x3d));
    Scan(input, table);
    CloseLineFile(input);
    PlaceObjects(table);
    return table;
}

// The scene of a table, for an export of that name.
std::string SceneOf(const ObjectTable& table, const std::string& exportName) {
    const test::TempFolder folder;
    const LineFileId output = CreateLineFile(AutoId, folder.TextPath("scene.pov"));
    WriteStarterScene(output, table, IncludeNamesFor(folder.TextPath(exportName)));
    CloseLineFile(output);
    return test::ReadBytes(folder.path() / "scene.pov");
}

TEST(WriteStarterScene, WritesTheExamplesSceneExactly) {
    const std::filesystem::path fixtures = VEXLORIN_FIXTURES;
    EXPECT_EQ(SceneOf(Converted(fixtures / "scene.x3d"), "scene.x3d"),
              test::ReadBytes(fixtures / "scene.pov"));
}

struct SceneCase {
    std::vector<Row> rows;
    const char* exportName;
    const char* line;
};

TEST(WriteStarterScene, MovesWhatPovRayCannotDrawWhereItIsAndQuotesTheInclude) {
    const SceneCase cases[] = {
        {{{"Sweep", "<0.001, 0.000, 0.000>", "0.0005"}},
         "tiny.x3d",
         "object { tiny translate <-0.001, 0, 0> scale 1e3 pigment { rgb <0.95, 0.55, 0.25> } "
         "finish { phong 0.5 } }"},
        {{{"Mball", "<2.5e8 , 0, 0>", "scale <100, 100, 100> * sf"}},
         "far.x3d",
         "object { far translate <-250000000, 0, 0> scale 1e-2 pigment { rgb <0.95, 0.55, 0.25> "
         "} finish { phong 0.5 } }"},
        {{{"Sweep", "<1, 1, 1>", "1"}}, "say \"hi\".x3d", "#include \"say \\\"hi\\\".inc\""},
#ifndef _WIN32  // a backslash is a separator there, and no name holds a quote
        {{{"Sweep", "<1, 1, 1>", "1"}},
         "a\\\" #debug \"b.x3d",
         "#include \"a\\\\\\\" #debug \\\"b.inc\""},
#endif
    };
    for (const SceneCase& c : cases) {
        const std::string scene = SceneOf(TableOf(c.rows), c.exportName);
        EXPECT_NE(scene.find(std::string("\n") + c.line + "\r\n"), std::string::npos)
            << c.exportName << ":\n"
            << scene;
    }
}

}  // namespace
}  // namespace vex
