// SPDX-License-Identifier: MIT
// Makes shared records of one type from a pool of equal slots instead of
// the general heap: an order of tens of thousands of lines is built and
// released several times faster. Released records go back to the pool for
// the next ones. Each record keeps the pool alive, so records may outlive
// the object that made them. Like the rest of the model, the records of
// one pool are made and released on one thread.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace quarnel {

class SlotPool {
  public:
    SlotPool() = default;
    SlotPool(const SlotPool&) = delete;
    SlotPool& operator=(const SlotPool&) = delete;

    // Whether objects of that size come from the pool; the first size
    // asked about fixes the size of the slots.
    bool Takes(size_t size) {
        if (slotSize_ == 0) FixSlotSize(size);
        return size <= slotSize_;
    }
    void* Allocate();
    void Deallocate(void* slot);
    // Called by the owner instead of delete: the pool frees itself once its
    // last slot has come back.
    void Release();

  private:
    ~SlotPool();
    void FixSlotSize(size_t size);

    struct FreeSlot {
        FreeSlot* next;
    };

    size_t slotSize_ = 0;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    size_t usedInLastBlock_ = 0;
    FreeSlot* free_ = nullptr;
    size_t live_ = 0;
    bool released_ = false;
};

// Allocator for std::allocate_shared: single objects that fit a slot come
// from the pool, anything else from the heap.
template <class T>
class PoolAllocator {
  public:
    using value_type = T;

    explicit PoolAllocator(SlotPool* pool) : pool_(pool) {}
    template <class U>
    PoolAllocator(const PoolAllocator<U>& other) : pool_(other.pool_) {}

    T* allocate(size_t count) {
        if (FromPool(count)) return static_cast<T*>(pool_->Allocate());
        return std::allocator<T>().allocate(count);
    }
    void deallocate(T* p, size_t count) {
        if (FromPool(count)) {
            pool_->Deallocate(p);
        } else {
            std::allocator<T>().deallocate(p, count);
        }
    }

    template <class U>
    bool operator==(const PoolAllocator<U>& other) const {
        return pool_ == other.pool_;
    }

  private:
    template <class U>
    friend class PoolAllocator;

    bool FromPool(size_t count) const {
        return count == 1 && alignof(T) <= alignof(std::max_align_t) && pool_->Takes(sizeof(T));
    }

    SlotPool* pool_;
};

template <class T>
class RecordPool {
  public:
    RecordPool() = default;
    ~RecordPool() { pool_->Release(); }
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    template <class... Args>
    std::shared_ptr<T> Make(Args&&... args) {
        return std::allocate_shared<T>(PoolAllocator<T>(pool_), std::forward<Args>(args)...);
    }

  private:
    SlotPool* pool_ = new SlotPool();
};

}  // namespace quarnel
