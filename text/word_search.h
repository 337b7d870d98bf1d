// Looking for a word in raw bytes, for the line file's reading of lines that hold one.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vex::detail {

// Looks for a word in the bytes of a fill. memchr finds the word's first byte, many bytes a step,
// and most fills (mesh data) do not hold it at all. From the first place that byte stands on,
// Horspool's way takes over: the byte under the word's last place tells how far the word may move
// on, by its whole length for a byte it does not hold, so no input (a fill of that byte, say)
// makes it look at any byte more than the word is long.
class WordSearch {
  public:
    // Made ready for `word`; the table stays as long as the word does.
    void Prepare(std::string_view word) {
        if (word.size() == word_.size() && Equal(word.data(), word_, word.size())) {
            return;
        }
        word_ = word;
        shifts_.fill(word.size());
        for (size_t i = 0; i + 1 < word.size(); ++i) {
            shifts_[static_cast<unsigned char>(word[i])] = word.size() - 1 - i;
        }
    }

    size_t Length() const { return word_.size(); }

    // The first place of the word in [from, to), or `to`.
    const char* Find(const char* from, const char* to) const {
        const char* first = FindFirstByte(from, to);
        if (first == to) {
            return to;
        }
        const size_t n = word_.size();
        for (const char* at = first; static_cast<size_t>(to - at) >= n;
             at += shifts_[static_cast<unsigned char>(at[n - 1])]) {
            if (at[n - 1] == word_.back() && Equal(at, word_, n - 1)) {
                return at;
            }
        }
        return to;
    }

  private:
    // The first place of the word's first byte in [from, to), or `to`. A line that holds the word
    // is often short, so the first bytes are looked at in place before memchr is called.
    const char* FindFirstByte(const char* from, const char* to) const {
        for (const char* near = std::min(to, from + 16); from != near; ++from) {
            if (*from == word_[0]) {
                return from;
            }
        }
        const void* found = std::memchr(from, word_[0], static_cast<size_t>(to - from));
        return found != nullptr ? static_cast<const char*>(found) : to;
    }

    // True when `text` holds the first n bytes of `word`. A word is a few bytes: compared in
    // place eight at a time, where a call of memcmp would cost more than the comparison.
    static bool Equal(const char* text, std::string_view word, size_t n) {
        if (n > word.size()) {
            return false;
        }
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t a = 0;
            uint64_t b = 0;
            std::memcpy(&a, text + i, 8);
            std::memcpy(&b, word.data() + i, 8);
            if (a != b) {
                return false;
            }
        }
        for (; i < n; ++i) {
            if (text[i] != word[i]) {
                return false;
            }
        }
        return true;
    }

    std::string word_;
    std::array<size_t, 256> shifts_{};
};

}  // namespace vex::detail
