#include "conversion/names.h"

#include <algorithm>
#include <iterator>

#include "text/file_system.h"

namespace vex {

namespace {

// Sorted by code unit.
constexpr TextView ReservedWords[] = {
#include "reserved_words.inc"
};

// The include declares these two for its blob; a scene named like them redeclares them in the
// middle of the blob, which makes POV-Ray crash.
constexpr TextView IncludeOwnNames[] = {u"sf", u"th"};

bool IsAsciiLetter(char32_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsAsciiDigit(char32_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsNameCharacter(char32_t c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_';
}

bool IsTaken(TextView name) {
    return std::binary_search(std::begin(ReservedWords), std::end(ReservedWords), name) ||
           std::find(std::begin(IncludeOwnNames), std::end(IncludeOwnNames), name) !=
               std::end(IncludeOwnNames);
}

// Every character other than an ASCII letter, digit or "_" becomes one "_": a character outside
// the Basic Multilingual Plane (a surrogate pair) is one character, not two.
Text ReplaceForeignCharacters(TextView name) {
    Text result;
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            ++i;
        }
        result += IsNameCharacter(c) ? c : u'_';
    }
    return result;
}

// The file name without its extension: a dot and three characters at its end go, as the
// exporter names its files; otherwise everything from the last dot, unless that dot begins the
// name (".hidden" is a name, not an extension).
Text BaseNameOf(const Text& fileName) {
    const int64_t length = TextLength(fileName);
    if (length >= 4 && fileName[static_cast<size_t>(length - 4)] == u'.') {
        return LeftText(fileName, length - 4);
    }
    const size_t dot = fileName.rfind(u'.');
    return dot == Text::npos || dot == 0 ? fileName : LeftText(fileName, static_cast<int64_t>(dot));
}

// The folder (with its last separator) and the file name of the chosen path, split at its last
// separator: the folder the operating system finds the file in. A split that skipped a leading
// double quote or stopped at a vertical bar (neither can stand in a Windows path) would misplace
// the include for a Linux folder whose name holds them: a folder named `"..` would put it into
// the parent folder, one named `"` at an absolute path spelled inside it.
IncludeNames SplitInputPath(const Text& inputPath) {
    const size_t separator = inputPath.find_last_of(u"\\/");
    const int64_t folderLength = separator == Text::npos ? 0 : static_cast<int64_t>(separator) + 1;
    IncludeNames names;
    names.folder = LeftText(inputPath, folderLength);
    names.fileName = MidText(inputPath, folderLength + 1);
    return names;
}

}  // namespace

IncludeNames IncludeNamesFor(const Text& inputPath) {
    IncludeNames names = SplitInputPath(inputPath);
    names.baseName = BaseNameOf(names.fileName);
    names.includePath = names.folder + names.baseName + u".inc";
    // Beside the include in the folder that holds it, under the include's own name there (which,
    // where a backslash is no separator, holds the part of the name before it too).
    const Text includeName = SplitPath(names.includePath).name;
    const Text stem = includeName.substr(0, includeName.size() - 4);
    names.sceneName = stem + u".pov";
    names.pictureName = stem + u".png";
    names.declaredName = DeclaredNameFor(names.baseName);
    return names;
}

bool IsPovIdentifier(TextView name) {
    return !name.empty() && !IsAsciiDigit(name.front()) &&
           std::all_of(name.begin(), name.end(), [](char16_t c) { return IsNameCharacter(c); }) &&
           !IsTaken(name);
}

Text DeclaredNameFor(TextView baseName) {
    if (IsPovIdentifier(baseName)) {
        return Text(baseName);
    }
    Text name = ReplaceForeignCharacters(baseName);
    if (name.empty() || IsAsciiDigit(name.front())) {
        name.insert(name.begin(), u'_');
    }
    if (IsTaken(name)) {
        name += u'_';
    }
    return name;
}

}  // namespace vex
