#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/thread/pool.h"
#include "core/text.h"

namespace {

using zyl::PoolAllocFrom;
using zyl::PoolBlock;
using zyl::PoolBlockCount;
using zyl::PoolFreeFrom;

struct Pool {
    PoolBlock* head = nullptr;
    ~Pool() { zyl::PoolReleaseAll(&head); }
};

TEST(NodePool, FillsABlockWith85NodesOf189Bytes) {
    Pool pool;
    std::vector<unsigned char*> nodes;
    for (int i = 0; i < 85; ++i) {
        auto* n = static_cast<unsigned char*>(PoolAllocFrom(&pool.head, 189));
        ASSERT_NE(n, nullptr);
        nodes.push_back(n);
    }
    EXPECT_EQ(PoolBlockCount(pool.head), 1u);
    // Nodes do not overlap and keep pointer alignment.
    for (std::size_t i = 1; i < nodes.size(); ++i) EXPECT_GE(nodes[i] - nodes[i - 1], 189);
    for (auto* n : nodes) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(n) % alignof(void*), 0u);

    ASSERT_NE(PoolAllocFrom(&pool.head, 189), nullptr);
    EXPECT_EQ(PoolBlockCount(pool.head), 2u);
}

TEST(NodePool, NodesComeZeroFilledAndStayInsideTheirBlock) {
    Pool pool;
    for (int round = 0; round < 3; ++round) {
        auto* n = static_cast<unsigned char*>(PoolAllocFrom(&pool.head, 300));
        ASSERT_NE(n, nullptr);
        for (int i = 0; i < 300; ++i) ASSERT_EQ(n[i], 0) << i;
        std::memset(n, 0xAB, 300);   // dirty it; a freed and re-taken chunk must come back clean
        PoolFreeFrom(&pool.head, n);
    }
    // The largest request fits a fresh block exactly; one byte more is refused.
    void* big = PoolAllocFrom(&pool.head, zyl::kPoolMaxRequest);
    ASSERT_NE(big, nullptr);
    auto* block = reinterpret_cast<unsigned char*>(pool.head);
    EXPECT_LE(static_cast<unsigned char*>(big) + zyl::kPoolMaxRequest, block + zyl::kPoolBlockBytes);
    EXPECT_EQ(PoolAllocFrom(&pool.head, zyl::kPoolMaxRequest + 1), nullptr);
}

TEST(NodePool, FreeingAWholeBlockReleasesItFreeingAllButOneKeepsIt) {
    Pool pool;
    std::vector<void*> first, second;
    for (int i = 0; i < 85; ++i) first.push_back(PoolAllocFrom(&pool.head, 189));
    for (int i = 0; i < 85; ++i) second.push_back(PoolAllocFrom(&pool.head, 189));
    ASSERT_EQ(PoolBlockCount(pool.head), 2u);

    for (std::size_t i = 1; i < second.size(); ++i) PoolFreeFrom(&pool.head, second[i]);
    EXPECT_EQ(PoolBlockCount(pool.head), 2u) << "one live node keeps its block";

    for (void* n : first) PoolFreeFrom(&pool.head, n);
    EXPECT_EQ(PoolBlockCount(pool.head), 1u) << "the older block went back to the heap";

    PoolFreeFrom(&pool.head, second[0]);
    EXPECT_EQ(PoolBlockCount(pool.head), 0u);
    EXPECT_EQ(pool.head, nullptr);
}

TEST(NodePool, OnlyTheNewestBlockIsAllocatedFrom) {
    Pool pool;
    std::vector<void*> first;
    for (int i = 0; i < 85; ++i) first.push_back(PoolAllocFrom(&pool.head, 189));
    void* keep = PoolAllocFrom(&pool.head, 189);   // opens block 2
    PoolFreeFrom(&pool.head, first[3]);            // space in block 1 is not reused
    void* next = PoolAllocFrom(&pool.head, 189);
    auto* newest = reinterpret_cast<unsigned char*>(pool.head);
    EXPECT_GE(static_cast<unsigned char*>(next), newest);
    EXPECT_LT(static_cast<unsigned char*>(next), newest + zyl::kPoolBlockBytes);
    EXPECT_NE(keep, next);
}

TEST(NodePool, ForeignAndDoubleFreesAreIgnored) {
    Pool pool;
    void* a = PoolAllocFrom(&pool.head, 40);
    void* b = PoolAllocFrom(&pool.head, 40);
    int local = 0;
    PoolFreeFrom(&pool.head, &local);    // not from the pool
    PoolFreeFrom(&pool.head, nullptr);
    PoolFreeFrom(&pool.head, a);
    PoolFreeFrom(&pool.head, a);         // second free of the same node
    EXPECT_EQ(PoolBlockCount(pool.head), 1u) << "b is still live";
    PoolFreeFrom(&pool.head, b);
    EXPECT_EQ(PoolBlockCount(pool.head), 0u);
}

TEST(Text, CompareAndCopyEdgeBehaviour) {
    EXPECT_EQ(zyl::CompareNoCase("Main", "main"), 0);
    EXPECT_NE(zyl::CompareNoCase("main", "mainx"), 0);
    EXPECT_EQ(zyl::CompareNoCase(nullptr, ""), 0);
    EXPECT_EQ(zyl::CompareNoCaseN("PositionWindow(x)", "positionwindow(", 15), 0);
    // Bytes above 0x7F compare as themselves: only ASCII letters fold.
    EXPECT_NE(zyl::CompareNoCase("\xC9", "\xE9"), 0);

    char three[4];
    EXPECT_STREQ(zyl::CopyAtMost(three, "Helpful", 3), "Hel");
    EXPECT_STREQ(zyl::CopyAtMost(three, "", 3), "");

    char small[5] = "xxxx";
    EXPECT_STREQ(zyl::CopyBounded(small, sizeof small, "overflowing"), "over");
    EXPECT_STREQ(zyl::CopyBounded(small, sizeof small, nullptr), "");
}

}  // namespace
