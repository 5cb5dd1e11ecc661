#include "core/thread/pool.h"

#include <cstdlib>
#include <cstring>

namespace zyl {

static_assert(kPoolChunkArea <= 0xFFFF, "block counters are 16 bits");
static_assert((kPoolChunkAreaOffset + 2) % kPoolAlign == 0, "nodes are aligned");

static std::uint8_t* BlockStart(PoolBlock* b) { return reinterpret_cast<std::uint8_t*>(b); }

void* PoolAllocFrom(PoolBlock** head, std::size_t size) {
    if (!head || size > kPoolMaxRequest) return nullptr;
    const std::size_t chunk = ((size + 2 + kPoolAlign - 1) / kPoolAlign) * kPoolAlign;
    PoolBlock* b = *head;
    if (!b || !b->cursor || b->freeBytes < chunk) {
        b = static_cast<PoolBlock*>(std::malloc(kPoolBlockBytes));
        if (!b) return nullptr;
        std::memset(b, 0, kPoolBlockBytes);
        b->nextBlock = *head;
        b->freeBytes = static_cast<std::uint16_t>(kPoolChunkArea);
        b->liveBytes = 0;
        b->cursor = BlockStart(b) + kPoolChunkAreaOffset;
        *head = b;
    }
    std::uint8_t* at = b->cursor;
    const std::uint16_t len = static_cast<std::uint16_t>(chunk);
    std::memcpy(at, &len, 2);
    b->cursor += chunk;
    b->freeBytes = static_cast<std::uint16_t>(b->freeBytes - chunk);
    b->liveBytes = static_cast<std::uint16_t>(b->liveBytes + chunk);
    std::memset(at + 2, 0, chunk - 2);
    return at + 2;
}

void PoolFreeFrom(PoolBlock** head, void* node) {
    if (!head || !node) return;
    auto* p = static_cast<std::uint8_t*>(node);
    PoolBlock** link = head;
    for (PoolBlock* b = *head; b; link = &b->nextBlock, b = b->nextBlock) {
        std::uint8_t* start = BlockStart(b);
        if (p < start + kPoolChunkAreaOffset + 2 || p >= start + kPoolBlockBytes) continue;
        std::uint16_t len;
        std::memcpy(&len, p - 2, 2);
        // A zero length is a chunk freed before; a length running past the
        // block or above the live count is not one of ours.
        if (len == 0 || p - 2 + len > start + kPoolBlockBytes || len > b->liveBytes) return;
        b->liveBytes = static_cast<std::uint16_t>(b->liveBytes - len);
        std::memset(p - 2, 0, len);
        if (b->liveBytes == 0) {
            *link = b->nextBlock;
            std::free(b);
        }
        return;
    }
}

void PoolReleaseAll(PoolBlock** head) {
    if (!head) return;
    PoolBlock* b = *head;
    while (b) {
        PoolBlock* next = b->nextBlock;
        std::free(b);
        b = next;
    }
    *head = nullptr;
}

std::size_t PoolBlockCount(const PoolBlock* head) {
    std::size_t n = 0;
    for (; head; head = head->nextBlock) ++n;
    return n;
}

}  // namespace zyl
