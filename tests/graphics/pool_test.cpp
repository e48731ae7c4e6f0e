// The Pdev pool: blocks freed one by one in any order or all at once.
#include "graphics/pool.h"
#include "platform/types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vexl {
namespace {

TEST(PdevPool, BlocksAreFreedOneByOneInAnyOrderAndTheRestWithThePool)
{
    PdevPool* pool = CreatePdevPool();
    ASSERT_NE(pool, nullptr);
    std::vector<BYTE*> blocks;
    for (std::size_t i = 0; i < 2000; ++i) {
        auto* block = static_cast<BYTE*>(PdevPoolAlloc(pool, 1 + i % 64));
        ASSERT_NE(block, nullptr);
        std::fill(block, block + 1 + i % 64, BYTE(i));
        blocks.push_back(block);
    }
    EXPECT_EQ(PdevPoolHighWater(pool), PdevPoolBytesInUse(pool));
    const std::size_t full = PdevPoolBytesInUse(pool);
    std::shuffle(blocks.begin(), blocks.end(), std::mt19937(101));
    for (std::size_t i = 0; i < 1500; ++i) PdevPoolFree(pool, blocks[i]);
    EXPECT_LT(PdevPoolBytesInUse(pool), full);
    EXPECT_EQ(PdevPoolHighWater(pool), full);
    DestroyPdevPool(pool);  // the sanitizer reports any block left behind
}

TEST(PdevPool, AnAddressThatIsNoPayloadOfThePoolChangesNothing)
{
    PdevPool* pool = CreatePdevPool();
    PdevPool* other = CreatePdevPool();
    auto* block = static_cast<BYTE*>(PdevPoolAlloc(pool, 32));
    auto* foreign = static_cast<BYTE*>(PdevPoolAlloc(other, 32));
    int onStack = 0;
    PdevPoolFree(pool, foreign);
    PdevPoolFree(pool, block + 1);
    PdevPoolFree(pool, &onStack);
    PdevPoolFree(pool, nullptr);
    EXPECT_EQ(PdevPoolBytesInUse(pool), 32u);
    EXPECT_EQ(PdevPoolBytesInUse(other), 32u);
    PdevPoolFree(pool, block);
    PdevPoolFree(pool, block);  // a second free is foreign too
    EXPECT_EQ(PdevPoolBytesInUse(pool), 0u);
    DestroyPdevPool(pool);
    DestroyPdevPool(other);
}

TEST(PdevPool, ALimitMakesAllocationsFail)
{
    PdevPool* pool = CreatePdevPool();
    SetPdevPoolLimit(pool, 100);
    void* first = PdevPoolAlloc(pool, 60);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(PdevPoolAlloc(pool, 41), nullptr);
    EXPECT_NE(PdevPoolAlloc(pool, 40), nullptr);
    PdevPoolFree(pool, first);
    EXPECT_NE(PdevPoolAlloc(pool, 60), nullptr);
    EXPECT_EQ(PdevPoolAlloc(pool, SIZE_MAX), nullptr);
    DestroyPdevPool(pool);
}

}  // namespace
}  // namespace vexl
