#include "conversion/value_line.h"

#include <optional>
#include <vector>

#include "conversion/numbers.h"

namespace vex {

namespace {

// The `count` pieces of a value line, as CutVector takes three: each but the last ends with the
// next space, the last takes the rest. Views of the line: only the pieces that are kept are
// copied.
std::vector<TextView> ValuePieces(TextView valueLine, size_t count) {
    const int64_t quote = FindText(valueLine, u"\"", 1);
    TextView value = MidView(valueLine, quote + 1);
    value = MidView(value, 0, TextLength(value) - 1);
    std::vector<TextView> pieces;
    for (size_t i = 1; i < count; ++i) {
        const int64_t space = FindText(value, u" ", 1);
        pieces.push_back(MidView(value, 0, space));
        value = MidView(value, space + 1);
    }
    pieces.push_back(value);
    return pieces;
}

// The numbers of a value line's pieces into `into`; false when any is not a number (it counts
// as 0).
template <size_t N>
bool ReadNumbers(const Text& line, std::array<double, N>& into) {
    const std::vector<TextView> pieces = ValuePieces(line, N);
    bool readable = true;
    for (size_t i = 0; i < N; ++i) {
        const std::optional<double> value = NumberValue(pieces[i]);
        into[i] = value.value_or(0);
        readable = readable && value.has_value();
    }
    return readable;
}

}  // namespace

Vector3Text CutVector(const Text& valueLine, bool swapYZ) {
    const std::vector<TextView> pieces = ValuePieces(valueLine, 3);
    Vector3Text v;
    v.x = CutNumber(pieces[0]);
    v.y = CutNumber(pieces[1]);
    v.z = CutNumber(pieces[2]);
    const Text& second = swapYZ ? v.z : v.y;
    const Text& third = swapYZ ? v.y : v.z;
    v.vector = u"<" + v.x + u", " + second + u", " + third + u"> ";
    return v;
}

TransformValues ReadTransformValues(const Text& translation, const Text& scale,
                                    const Text& rotation) {
    TransformValues values;
    const bool translationRead = ReadNumbers(translation, values.translation);
    const bool scaleRead = ReadNumbers(scale, values.scale);
    values.readable = translationRead && scaleRead;
    std::array<double, 4> turn{};
    values.rotationReadable = ReadNumbers(rotation, turn);
    if (values.rotationReadable) {
        values.rotation = turn;
    }
    return values;
}

}  // namespace vex
