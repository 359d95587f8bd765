#include "model/RecordPool.h"

#include <algorithm>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace quarnel {

namespace {

constexpr size_t kSlotsPerBlock = 1024;

size_t RoundUp(size_t size) {
    const size_t align = alignof(std::max_align_t);
    return (std::max(size, sizeof(void*)) + align - 1) / align * align;
}

// Memory that holds no record is poisoned for the address sanitizer, so
// that a record used after its release is still caught inside the pool.
void Poison([[maybe_unused]] void* memory, [[maybe_unused]] size_t size) {
#if defined(__SANITIZE_ADDRESS__)
    __asan_poison_memory_region(memory, size);
#endif
}

void Unpoison([[maybe_unused]] void* memory, [[maybe_unused]] size_t size) {
#if defined(__SANITIZE_ADDRESS__)
    __asan_unpoison_memory_region(memory, size);
#endif
}

}  // namespace

void SlotPool::FixSlotSize(size_t size) {
    slotSize_ = RoundUp(size);
}

void* SlotPool::Allocate() {
    if (free_ != nullptr) {
        FreeSlot* slot = free_;
        Unpoison(slot, slotSize_);
        free_ = slot->next;
        ++live_;
        return slot;
    }
    if (blocks_.empty() || usedInLastBlock_ == kSlotsPerBlock) {
        // operator new[] of std::byte is aligned for any fundamental type.
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(slotSize_ * kSlotsPerBlock));
        Poison(blocks_.back().get(), slotSize_ * kSlotsPerBlock);
        usedInLastBlock_ = 0;
    }
    std::byte* slot = blocks_.back().get() + slotSize_ * usedInLastBlock_++;
    Unpoison(slot, slotSize_);
    ++live_;
    return slot;
}

void SlotPool::Deallocate(void* slot) {
    free_ = new (slot) FreeSlot{free_};
    Poison(slot, slotSize_);
    if (--live_ == 0 && released_) delete this;
}

SlotPool::~SlotPool() {
    for (const std::unique_ptr<std::byte[]>& block : blocks_) {
        Unpoison(block.get(), slotSize_ * kSlotsPerBlock);
    }
}

void SlotPool::Release() {
    released_ = true;
    if (live_ == 0) delete this;
}

}  // namespace quarnel
