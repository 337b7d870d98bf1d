// Where objects land and what they keep, against answers found another way: the volume test on
// matrices built from exact turns with known half-extents, and placements held to points carried
// through each Transform in turn (scaled, turned by Rodrigues' formula, moved), no matrix built.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/object_table.h"
#include "conversion/placement.h"
#include "conversion/scanner.h"
#include "conversion/trigonometry.h"
#include "conversion/volume.h"
#include "fuzz/memory_file_system.h"

namespace vex {
namespace {

using Vec = std::array<double, 3>;

// A turn is the same bits on every platform the suite runs on (Linux, and Windows under Wine,
// whose C library's cos(1.570796) is off in the 14th digit and its sin(1e200) in the first).
TEST(Turns, ComeOutAlikeEverywhere) {
    const double cases[][3] = {
        {1.570796, 0x1.ffffffffffe1fp-1, 0x1.5ee4b2791a5b8p-22},
        {0.785398, 0x1.6a09e28779cbp-1, 0x1.6a09ea486da3fp-1},
        {-2.5, -0x1.326af0dcfcabp-1, -0x1.9a2f7ef858b7dp-1},
        {1e200, -0x1.0a4eb79e424ddp-1, -0x1.b54ac299f5c9ap-1},
    };
    for (const auto& [angle, sine, cosine] : cases) {
        EXPECT_EQ(Sine(angle), sine) << angle;
        EXPECT_EQ(Cosine(angle), cosine) << angle;
    }
}

struct VolumeCase {
    int64_t digits[3];  // half-extent i is digits[i]·10^exponents[i]
    int exponents[3];
    bool kept;
};

TEST(HasVolume, DecidesExactlyOnTheNumbersAsWritten) {
    // Two turns of a 3-4-5 triangle, times 100: each entry of Turn·diag(a, b, c) is exact.
    constexpr int64_t Turn[3][3] = {{60, -80, 0}, {48, 36, -80}, {64, 48, 60}};
    const VolumeCase cases[] = {
        {{3, 1, 1}, {3, -2, 0}, true},          // long and thin: 3000, 0.01, 1
        {{1, 1, 0}, {5, 5, 0}, false},          // flat: 1e5, 1e5, 0
        {{5, 1, 1}, {-4, 0, 0}, true},          // 0.0005, just enough
        {{4999, 1, 1}, {-7, 0, 0}, false},      // 0.0004999
        {{4, 1, 1}, {-3, 0, 0}, true},          // 0.004
        {{5, 1, 1}, {-4, -4, 0}, false},        // 0.0005 beside 0.0001
        {{-1, 2, -3}, {0, 0, 0}, true},         // mirrored
        {{1, 1, 1}, {200, 200, -3}, true},      // huge and thin
        {{1, 1, 4999}, {200, 200, -7}, false},  // huge, and thinner than 0.0005
        {{1, 1, 1}, {-300, 0, 0}, false},       // tiny
        {{1, 0, 0}, {0, 0, 0}, false},          // a needle, turned off every axis
    };
    for (const VolumeCase& c : cases) {
        Text m[9];
        Text d[3];
        for (size_t i = 0; i < 9; ++i) {
            const size_t col = i % 3;
            m[i] = FromUtf8(std::to_string(Turn[i / 3][col] * c.digits[col]) + "e" +
                            std::to_string(c.exponents[col] - 2));
            d[col] =
                FromUtf8(std::to_string(c.digits[col]) + "e" + std::to_string(c.exponents[col]));
        }
        const std::string what = ToUtf8(d[0] + u" " + d[1] + u" " + d[2]);
        EXPECT_EQ(HasVolume({m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]}), c.kept)
            << what;
        EXPECT_EQ(HasVolumeAlongAxes({d[0], d[1], d[2]}), c.kept) << what;
    }
    EXPECT_TRUE(HasVolumeAlongAxes({u"0.0005 ", u".0005", u"+5E-4"}));
    EXPECT_FALSE(HasVolumeAlongAxes({u"1", u"1", u"1e-400"}));
}

struct Level {
    const char* translation;
    const char* scale;
    const char* rotation;
};

// The numbers of a text ("1 0 0 0.5"), or of the first "<...>" in it.
std::vector<double> Numbers(std::string text) {
    if (const size_t open = text.find('<'); open != std::string::npos) {
        text = text.substr(open + 1, text.find('>') - open - 1);
    }
    for (char& c : text) {
        c = c == ',' ? ' ' : c;
    }
    std::istringstream in(text);
    std::vector<double> numbers;
    for (double x; in >> x;) {
        numbers.push_back(x);
    }
    return numbers;
}

Vec Carry(const std::vector<Level>& chain, Vec p) {
    for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
        const auto t = Numbers(level->translation);
        const auto s = Numbers(level->scale);
        const auto r = Numbers(level->rotation);
        const double n = std::hypot(r[0], r[1], r[2]);
        const Vec k = {r[0] / n, r[1] / n, r[2] / n};
        const Vec q = {p[0] * s[0], p[1] * s[1], p[2] * s[2]};
        const Vec kq = {k[1] * q[2] - k[2] * q[1], k[2] * q[0] - k[0] * q[2],
                        k[0] * q[1] - k[1] * q[0]};
        const double along = (k[0] * q[0] + k[1] * q[1] + k[2] * q[2]) * (1 - std::cos(r[3]));
        for (size_t i = 0; i < 3; ++i) {
            p[i] = q[i] * std::cos(r[3]) + kq[i] * std::sin(r[3]) + k[i] * along + t[i];
        }
    }
    return p;
}

// Where a unit vector goes, less where the centre goes.
Vec Axis(const std::vector<Level>& chain, const Vec& u) {
    const Vec a = Carry(chain, u);
    const Vec o = Carry(chain, {0, 0, 0});
    return {a[0] - o[0], a[1] - o[1], a[2] - o[2]};
}

// The object last in the chain, scanned and placed inside the ones before it.
ObjectRow Placed(const std::vector<Level>& chain, const std::string& name) {
    std::string x3d;
    for (size_t i = 0; i < chain.size(); ++i) {
        x3d += "<Transform DEF=\"" + (i + 1 < chain.size() ? "Parent" : name) +
               "_TRANSFORM\"\n translation=\"" + chain[i].translation + "\"\n scale=\"" +
               chain[i].scale + "\"\n rotation=\"" + chain[i].rotation + "\"\n>\n";
    }
    for (size_t i = 0; i < chain.size(); ++i) {
        x3d += "</Transform>\n";
    }
    test::MemoryFileSystem files;
    files.files[u"/m/a.x3d"] = x3d;
    ScopedFileSystem scope(files);
    ObjectTable table;
    const LineFileId input = OpenLineFile(AutoId, u"/m/a.x3d");
    Scan(input, table);
    CloseLineFile(input);
    PlaceObjects(table);
    return table.rows[1];
}

struct PlacementCase {
    const char* blob;  // "" for a Sweep; how an Mball is written ("scale", "matrix") or "out"
    std::vector<Level> chain;  // the outermost first, the object last
};

TEST(PlaceObjects, PutsEachObjectWhereItsTransformsTakeIt) {
    const char* none = "0 0 1 0";
    const auto inFive = [](const Level& own) {  // nested five deep
        return std::vector<Level>{{"1 0 0", "1 1 1", "0 0 1 0.3"}, {"0 2 0", "2 2 2", "1 0 0 0.4"},
                                  {"0 0 3", "1 1 1", "0 1 0 0.5"}, {"1 1 0", "2 1 1", "1 1 1 0.6"},
                                  {"0 1 1", "1 1 1", "1 0 1 0.7"}, own};
    };
    const std::vector<PlacementCase> cases = {
        {"scale", {{"1 2 3", "1 2 3", "-0 0.707107 0.707107 3.141593"}}},  // the exporter's turn
        {"", {{"1 2 3", "-0.27 -0.27 -0.27", "0 0.707107 0.707107 3.141593"}}},  // mirrored
        {"", {{"0 0 0", "-2 -2 -2", "0 0 1 0.3"}, {"1 0 0", "0.25 0.25 0.25", none}}},
        {"", {{"0 0 0", "2 1 1", none}, {"0 0 0", "1 1 1.581139", "0 0 1 0.785398"}}},  // sheared
        {"", {{"0 0 0", "1 1 1", "0 0 1 0.4"}, {"0 0 0", "1 1.05 1", "1 0 0 0.3"}}},
        {"", {{"0 0 0", "1 1 1", "0 0 1 0.4"}, {"0 0 0", "1 1.005 1", "1 0 0 0.3"}}},
        {"", {{"0 0 0", "1e200 1e200 1e200", none}, {"1e-200 0 0", "1e-200 1e-200 1e-200", none}}},
        {"matrix", {{"1 2 3", "-1 -0.5 -0.7", "0 0 1 0.5"}}},  // mirrored
        {"matrix", {{"0 0 0", "0.01 0.01 0.01", "0 0 1 0.5"}, {"0 0 0", "1 0.5 0.5", none}}},
        {"matrix", {{"0 0 0", "1 1 1", "0 0 1 0.5"}, {"0 0 0", "1 0.004 1", "1 0 0 0.3"}}},
        {"out", {{"0 0 0", "1 1 0", "1 1 0 0.7"}, {"0 0 0", "1 1 1", "0 0 1 0.3"}}},
        {"matrix", {{"0 0 0", "1 1 1", "1 2 3 0.5"}, {"0 0 0", "3000 0.01 1", "0 0 1 1.1"}}},
        {"scale", {{"0 0 0", "1e200 1e200 1e200", none}, {"0 0 0", "1 2 3", none}}},
        {"matrix", {{"0 0 0", "1e200 1 1", "0 0 1 0.5"}}},
        {"out", {{"0 0 0", "1e-200 1e-200 1e-200", none}, {"0 0 0", "1 1 1", "0 0 1 0.5"}}},
        {"", inFive({"0.5 0 0", "0.3 0.3 0.3", none})},
        {"matrix", inFive({"0 0 0", "1 0.5 0.25", "0 1 0 0.2"})},
    };
    for (const PlacementCase& c : cases) {
        const std::string name = *c.blob == 0 ? "Sweep" : "Mball";
        const Placement placed = Placed(c.chain, name).placed;
        const std::string where = name + " " + c.chain.back().scale;
        const Vec x = Axis(c.chain, {1, 0, 0});
        const Vec y = Axis(c.chain, {0, 1, 0});
        const Vec z = Axis(c.chain, {0, 0, 1});
        const Vec centre = Carry(c.chain, {0, 0, 0});
        const std::vector<double> point = Numbers(ToUtf8(placed.point));
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(point[i], centre[i], 0.0015) << where;
        }
        if (*c.blob == 0) {
            EXPECT_NEAR(Numbers(ToUtf8(placed.radius))[0], std::hypot(x[0], x[1], x[2]), 0.0015)
                << where;
            // Uneven when the extents over all directions differ by more than 1 % of the largest.
            double least = INFINITY;
            double most = 0;
            for (int i = 0; i < 4000; ++i) {  // directions spread evenly over the sphere
                const double h = 1 - (i + 0.5) / 2000;
                const double a = i * 2.399963;
                const double r = std::sqrt(1 - h * h);
                const Vec d = Axis(c.chain, {r * std::cos(a), r * std::sin(a), h});
                least = std::min(least, std::hypot(d[0], d[1], d[2]));
                most = std::max(most, std::hypot(d[0], d[1], d[2]));
            }
            EXPECT_EQ(placed.uneven, most - least > 0.01 * most) << where;
            continue;
        }
        EXPECT_EQ(placed.noVolume, c.blob == std::string("out")) << where;
        if (!placed.noVolume) {
            // The shape as written against the one carried: M·Mᵀ, over the size squared.
            const std::vector<double> w = Numbers(ToUtf8(placed.shape));
            EXPECT_EQ(ToUtf8(placed.shape).rfind(c.blob, 0), 0u) << where;
            const double size =
                std::max({1.0, std::hypot(x[0], x[1], x[2]), std::hypot(y[0], y[1], y[2]),
                          std::hypot(z[0], z[1], z[2])});
            for (size_t r = 0; r < 3; ++r) {
                for (size_t s = 0; s < 3; ++s) {
                    const auto of = [&](size_t axis, size_t row) {
                        return (w.size() == 3 ? (axis == row ? w[axis] : 0) : w[3 * axis + row]) /
                               size;
                    };
                    double written = 0;
                    for (size_t a = 0; a < 3; ++a) {
                        written += of(a, r) * of(a, s);
                    }
                    const double carried = (x[r] / size) * (x[s] / size) +
                                           (y[r] / size) * (y[s] / size) +
                                           (z[r] / size) * (z[s] / size);
                    EXPECT_NEAR(written, carried, 0.0015) << where;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vex
