#pragma once
// Access to the real DV samples kept beside the repository (read-only).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::test {

std::filesystem::path SamplesDir();
// The bytes of a sample file; empty when the file is not there.
std::vector<std::uint8_t> ReadSample(const std::string& name);

}  // namespace tavrel::test
