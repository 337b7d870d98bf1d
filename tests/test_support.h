// Helpers shared by the tests: temporary folders and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>

#include "text/text.h"

namespace vex::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The full path of a file in the folder, as the converter's text.
    Text TextPath(const std::string& name) const;
    // Makes the folder the working folder until it goes; then the one before is again.
    void Enter();

  private:
    std::filesystem::path path_;
    std::filesystem::path left_;
};

void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& file);
Text PathText(const std::filesystem::path& path);

}  // namespace vex::test
