#include "support/Samples.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tavrel::test {

std::filesystem::path SamplesDir() {
    return std::filesystem::path(TAVREL_SAMPLES_DIR);
}

std::vector<std::uint8_t> ReadSample(const std::string& name) {
    std::ifstream in(SamplesDir() / name, std::ios::binary);
    if (!in) return {};
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

}  // namespace tavrel::test
