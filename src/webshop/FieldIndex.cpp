// SPDX-License-Identifier: MIT
#include "webshop/FieldIndex.h"

#include "base/TextCompare.h"

namespace quarnel {

uint32_t FieldIndex::Hash(std::string_view name) {
    // FNV-1a over the lower-cased bytes.
    uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(AsciiLower(c));
        hash *= 16777619u;
    }
    return hash;
}

int32_t FieldIndex::Find(const Fields& fields, std::string_view name) const {
    if (slots_.empty()) return -1;
    const uint32_t hash = Hash(name);
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.position < 0) return -1;
        if (slot.hash == hash &&
            EqualsIgnoreCase(fields[static_cast<size_t>(slot.position)].first, name)) {
            return slot.position;
        }
    }
}

void FieldIndex::Added(const Fields& fields) {
    if (2 * (used_ + 1) > slots_.size()) Grow(slots_.empty() ? 16 : 2 * slots_.size());
    Insert(Hash(fields.back().first), static_cast<int32_t>(fields.size() - 1));
    ++used_;
}

void FieldIndex::Reserve(size_t count) {
    size_t slots = slots_.empty() ? 16 : slots_.size();
    while (slots < 2 * count) slots *= 2;
    if (slots > slots_.size()) Grow(slots);
}

void FieldIndex::Grow(size_t slots) {
    std::vector<Slot> old(slots);
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.position >= 0) Insert(slot.hash, slot.position);
    }
}

void FieldIndex::Insert(uint32_t hash, int32_t position) {
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    while (slots_[at].position >= 0) at = (at + 1) & mask;
    slots_[at] = {hash, position};
}

}  // namespace quarnel
