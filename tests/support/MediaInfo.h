#pragma once
// Runs the mediainfo tool on a file and gives its tracks as plain fields
// (from `mediainfo --Output=JSON`), to check what another program sees in
// the files we write.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tavrel::test {

struct TMediaInfo {
    bool Available = false;  // the mediainfo program was found and ran
    std::string Error;
    // One map per track ("@type" is "General", "Video", "Audio"...), in
    // mediainfo's order; nested objects are left out.
    std::vector<std::map<std::string, std::string>> Tracks;

    // The field of the index-th track of that type; empty when absent.
    std::string Get(const std::string& type, const std::string& field, int index = 0) const;
    int Count(const std::string& type) const;
};

TMediaInfo RunMediaInfo(const std::filesystem::path& file);

}  // namespace tavrel::test
