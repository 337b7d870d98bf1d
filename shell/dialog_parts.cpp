#include <algorithm>

#include "shell/dialogs.h"

namespace vex {

namespace {

std::vector<Text> SplitAtBars(const Text& pattern) {
    std::vector<Text> parts;
    size_t begin = 0;
    for (size_t bar = pattern.find(u'|'); bar != Text::npos; bar = pattern.find(u'|', begin)) {
        parts.push_back(pattern.substr(begin, bar - begin));
        begin = bar + 1;
    }
    parts.push_back(pattern.substr(begin));
    return parts;
}

}  // namespace

ShownMessage Shown(const Message& message) {
    if (message.kind == Message::Kind::Canceled) {
        return {InfoCaption, CanceledText};
    }
    return {SummaryCaption, message.text};
}

std::u16string BuildFilterList(const std::optional<Text>& pattern) {
    std::u16string list = pattern.value_or(Text());
    std::replace(list.begin(), list.end(), u'|', u'\0');
    list.append(3, u'\0');
    return list;
}

std::vector<FilterPair> FilterPairs(const std::optional<Text>& pattern) {
    std::vector<FilterPair> pairs;
    if (!pattern || pattern->empty()) {
        return pairs;
    }
    const std::vector<Text> parts = SplitAtBars(*pattern);
    for (size_t i = 0; i < parts.size(); i += 2) {
        pairs.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : Text()});
    }
    return pairs;
}

DefaultFileSplit SplitDefaultFile(const Text& defaultFile) {
    DefaultFileSplit split;
    const size_t backslash = defaultFile.rfind(u'\\');
    if (backslash != Text::npos && backslash > 0) {
        split.initialDirectory = defaultFile.substr(0, backslash);
        split.proposedName = defaultFile.substr(backslash + 1);
    } else {
        split.proposedName = defaultFile;
    }
    // The name buffer keeps its last unit for the terminator.
    split.proposedName.resize(std::min(split.proposedName.size(), FileNameBufferUnits - 1));
    if (!IsValidFileName(split.proposedName)) {
        split.proposedName.clear();
    }
    return split;
}

bool IsValidFileName(const std::optional<Text>& name) {
    if (!name || name->empty()) {
        return false;
    }
    constexpr std::u16string_view reserved = u"\"*/:<>?\\|";
    return std::none_of(name->begin(), name->end(), [&](char16_t unit) {
        return unit < 0x20 || reserved.find(unit) != std::u16string_view::npos;
    });
}

}  // namespace vex
