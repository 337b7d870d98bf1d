#include <filesystem>

#include "shell/dialogs.h"
#include "shell/unix/gtk_dialogs.h"

namespace vex {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The folder a split default file proposes, made absolute; empty when it does not exist.
fs::path ProposedFolder(const Text& initialDirectory) {
    std::error_code error;
    const fs::path folder(ToUtf8(initialDirectory));
    if (initialDirectory.empty() || !IsFolder(folder)) {
        return fs::current_path(error);
    }
    fs::path absolute = fs::absolute(folder, error);
    return error ? fs::path() : absolute.lexically_normal();
}

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// One pattern part as a glob: letters in both cases, '[' literal (Windows patterns have no
// character classes).
std::string CaseFreeGlob(const Text& part) {
    std::string glob;
    for (const char c : ToUtf8(part)) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            const char lower = static_cast<char>(c | 0x20);
            glob += std::string{'[', lower, static_cast<char>(lower & ~0x20), ']'};
        } else if (c == '[') {
            glob += "[[]";
        } else {
            glob += c;
        }
    }
    return glob;
}

}  // namespace

ChooserStart ChooserStartFor(const std::optional<Text>& defaultFile) {
    ChooserStart start;
    if (!defaultFile) {
        return start;
    }
    const DefaultFileSplit split = SplitDefaultFile(*defaultFile);
    const fs::path folder = ProposedFolder(split.initialDirectory);
    start.folder = folder.native();
    if (!folder.empty() && !split.proposedName.empty()) {
        const fs::path file = folder / ToUtf8(split.proposedName);
        if (IsFile(file)) {
            start.proposedFile = file.native();
        }
    }
    return start;
}

std::vector<std::string> GlobsFor(const Text& pattern) {
    std::vector<std::string> globs;
    size_t begin = 0;
    while (begin <= pattern.size()) {
        size_t end = pattern.find(u';', begin);
        if (end == Text::npos) {
            end = pattern.size();
        }
        const Text part = TrimText(TextView(pattern).substr(begin, end - begin));
        if (part == u"*.*" || part == u"*") {
            globs.push_back("*");
        } else if (!part.empty()) {
            globs.push_back(CaseFreeGlob(part));
        }
        begin = end + 1;
    }
    return globs;
}

std::string DisplayUtf8(const Text& text) {
    Text shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            shown += unit;
            shown += text[++i];
        } else {
            shown += IsSurrogate(unit) ? u'\uFFFD' : unit;
        }
    }
    return ToUtf8(shown);
}

}  // namespace vex
