#include "conversion/object_table.h"

namespace vex {

bool IsSweep(TextView name) {
    return TextEquals(MidView(name, 0, 5), u"Sweep");
}

bool IsBlob(TextView name) {
    return TextEquals(MidView(name, 0, 5), u"Mball");
}

bool IsSweepPoint(const ObjectRow& row) {
    return IsSweep(row.name) && !row.placed.tooDeep;
}

bool IsBlobComponent(const ObjectRow& row) {
    return IsBlob(row.name) && !row.placed.noVolume && !row.placed.tooDeep;
}

std::span<ObjectRow> StoredRows(ObjectTable& table) {
    return std::span(table.rows).subspan(1, static_cast<size_t>(table.rowCount));
}

std::span<const ObjectRow> StoredRows(const ObjectTable& table) {
    return std::span(table.rows).subspan(1, static_cast<size_t>(table.rowCount));
}

}  // namespace vex
