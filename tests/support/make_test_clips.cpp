// Writes the test clips of TestClips.h into the build tree; run by CTest as
// the fixture "test_clips" before the tests that read them.
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "support/TestClips.h"

int main(int argc, char** argv) {
#ifdef TAVREL_TEST_GST_REGISTRY
    setenv("GST_REGISTRY", TAVREL_TEST_GST_REGISTRY, 1);
#endif
    using namespace tavrel;
    const std::filesystem::path dir =
        argc > 1 ? std::filesystem::path(argv[1]) : test::TestClipsDir();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    int failures = 0;
    for (const test::TTestClip& clip : test::TestClips()) {
        std::string error;
        if (MakeClip(clip.Recipe, dir / clip.FileName, error)) {
            std::printf("%s: %lld frames\n", clip.FileName,
                        static_cast<long long>(clip.FrameCount()));
        } else {
            std::fprintf(stderr, "%s: %s\n", clip.FileName, error.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
