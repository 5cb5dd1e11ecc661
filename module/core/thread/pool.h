// Node pool: list nodes of one host thread are carved out of 16384-byte
// blocks. Only the newest block is allocated from; a block goes back to the
// heap as soon as its last chunk is freed.
//
// Portable: no <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zyl {

constexpr std::size_t kPoolBlockBytes = 16384;

struct PoolBlock {
    PoolBlock* nextBlock;   // next older block
    std::uint16_t freeBytes;
    std::uint16_t liveBytes;
    std::uint8_t* cursor;   // first unused byte
};

// Chunks are a 16-bit length word followed by the node. The chunk area
// starts so that every node lands on an 8-byte boundary (nodes hold
// pointers and handles); chunk lengths are multiples of 8 for the same
// reason. A 189-byte node takes a 192-byte chunk, 85 to a block.
constexpr std::size_t kPoolAlign = 8;
constexpr std::size_t kPoolChunkAreaOffset =
    ((sizeof(PoolBlock) + 2 + kPoolAlign - 1) / kPoolAlign) * kPoolAlign - 2;
constexpr std::size_t kPoolChunkArea = kPoolBlockBytes - kPoolChunkAreaOffset;
// Largest node a single request may ask for.
constexpr std::size_t kPoolMaxRequest = ((kPoolChunkArea - 2) / kPoolAlign) * kPoolAlign - 2;

// Returns a zero-filled node of `size` bytes, or null (heap refused a
// block, or the request is larger than a block can hold).
void* PoolAllocFrom(PoolBlock** head, std::size_t size);

// Returns a node to its block. A pointer that no block of the chain holds,
// or a chunk already freed, is ignored.
void PoolFreeFrom(PoolBlock** head, void* node);

// Gives every remaining block back to the heap (end of the instance).
void PoolReleaseAll(PoolBlock** head);

std::size_t PoolBlockCount(const PoolBlock* head);

}  // namespace zyl
