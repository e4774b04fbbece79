// The pack operations and the datecode reader run on every frame of every
// stream: they must not allocate (nor throw) on that path. A replacement of
// the global operator new counts what the code under test allocates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "dv/DvFrame.h"
#include "dv/DvSceneDetect.h"
#include "support/DvFrameFactory.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (g_counting.load()) g_allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tavrel {
namespace {

class Counting {
  public:
    Counting() {
        g_allocations = 0;
        g_counting = true;
    }
    ~Counting() { g_counting = false; }
    long Count() const { return g_allocations.load(); }
};

TEST(NoAllocation, PackOperations) {
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 58);
    recipe.Timecode = TTimecode{0, 0, 2, 17};
    auto frame = test::MakeFrame(recipe);
    const TDatecode other = test::Datecode(2003, 7, 14, 10, 0, 0);
    Counting counting;
    for (int i = 0; i < 100; ++i) {
        TPack pack;
        TDifBlock block;
        TTimecode t;
        TDatecode d;
        TDateTime v;
        std::int32_t a, b, c;
        bool flag;
        FindPack(frame, kPackRecDate, 12, pack);
        FindAudioBlock(frame, kPackAudioSource, 12, block);
        ReadTimecode(frame, 12, t);
        ReadDatecode(frame, 12, d);
        ReadDatecodeValue(frame, 12, v);
        ReadDvStandard(frame, flag);
        ReadAudioInfo(frame, 12, a, b, c);
        ReadIs16x9(frame, 12, flag);
        WriteDatecode(frame, 12, i % 2 ? other : d);
        WriteAspect(frame, 12, i % 2 == 0);
    }
    EXPECT_EQ(counting.Count(), 0);
}

TEST(NoAllocation, ReaderWithoutDisplay) {
    test::TFrameSpec recipe;
    recipe.Datecode = test::Datecode(2024, 7, 8, 19, 55, 58);
    const auto first = test::MakeFrame(recipe);
    recipe.Datecode = test::Datecode(2024, 7, 9, 8, 0, 0);
    recipe.DisplayMode = 2;
    const auto second = test::MakeFrame(recipe);
    Tdv_sceneDetect detector;
    int scenes = 0;
    detector.OnScene = [&scenes](const TFrameInfo&, const TFrameInfo&) { ++scenes; };
    detector.StartStreaming(400000);
    {
        Counting counting;
        for (int i = 0; i < 500; ++i) detector.ProcessSample(i % 100 < 50 ? first : second);
        detector.EndOfStream();
        EXPECT_EQ(counting.Count(), 0);
    }
    EXPECT_EQ(scenes, 10);
}

}  // namespace
}  // namespace tavrel
