// SPDX-License-Identifier: MIT
#include "model/RecordPool.h"

#include <algorithm>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace quarnel {

namespace {

// Blocks grow from a few slots, so that small orders stay small, to a
// size that makes large ones cheap.
constexpr size_t kFirstBlockSlots = 16;
constexpr size_t kLargestBlockSlots = 1024;

// Each block twice the one before, up to the largest.
size_t SlotsInBlock(size_t index) {
    size_t slots = kFirstBlockSlots;
    for (size_t i = 0; i < index && slots < kLargestBlockSlots; ++i) slots *= 2;
    return slots;
}

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
    if (blocks_.empty() || usedInLastBlock_ == SlotsInBlock(blocks_.size() - 1)) {
        const size_t bytes = slotSize_ * SlotsInBlock(blocks_.size());
        // operator new[] of std::byte is aligned for any fundamental type.
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
        Poison(blocks_.back().get(), bytes);
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
    for (size_t i = 0; i < blocks_.size(); ++i) {
        Unpoison(blocks_[i].get(), slotSize_ * SlotsInBlock(i));
    }
}

void SlotPool::Release() {
    released_ = true;
    if (live_ == 0) delete this;
}

}  // namespace quarnel
