// SPDX-License-Identifier: MIT
// An ordered list of shared records with optional unique keys, 1-based at
// its interface. Positions outside the list and unknown keys raise 9, a key
// that is already present raises 457.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/ErrorInfo.h"

namespace quarnel {

// A 1-based position or a key; converts implicitly from either.
class ListIndex {
  public:
    ListIndex(int32_t position) : position_(position) {}
    ListIndex(std::string key) : key_(std::move(key)) {}
    ListIndex(const char* key) : key_(key) {}

    const std::optional<int32_t>& Position() const { return position_; }
    const std::string& Key() const { return key_; }
    // As trace entries show it.
    std::string Text() const { return position_ ? std::to_string(*position_) : key_; }

  private:
    std::optional<int32_t> position_;
    std::string key_;
};

template <class T>
class KeyedList {
  public:
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }

    // Every record in list order.
    const std::vector<std::shared_ptr<T>>& Items() const { return items_; }

    const std::shared_ptr<T>& Item(const ListIndex& index) const { return items_[Find(index)]; }

    bool HasKey(const std::string& key) const { return keySet_.contains(key); }

    // Appends, or inserts before or after the record at the given index;
    // naming both places is an invalid call (5).
    void Add(std::shared_ptr<T> item, std::optional<std::string> key = std::nullopt,
             const std::optional<ListIndex>& before = std::nullopt,
             const std::optional<ListIndex>& after = std::nullopt) {
        if (before && after) RaiseError(ErrNo::InvalidProcedureCall);
        if (key && HasKey(*key)) RaiseError(ErrNo::DuplicateKey);
        size_t at = items_.size();
        if (before) at = Find(*before);
        if (after) at = Find(*after) + 1;
        const bool keyed = key || !keys_.empty();
        if (keyed) keys_.resize(items_.size());
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
        if (keyed) {
            if (key) keySet_.insert(*key);
            keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(at), std::move(key));
        }
    }

    // Makes room for that many records in all, so that appending them
    // does not move the list.
    void Reserve(size_t count) { items_.reserve(count); }

    // Appends without a key.
    void Append(std::shared_ptr<T> item) {
        items_.push_back(std::move(item));
        if (!keys_.empty()) keys_.emplace_back();
    }

    void Remove(const ListIndex& index) {
        size_t at = Find(index);
        if (!keys_.empty()) {
            if (keys_[at]) keySet_.erase(*keys_[at]);
            keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(at));
        }
        // Released after the list is consistent again, since the record's
        // destruction may write to the trace log.
        std::shared_ptr<T> removed = std::move(items_[at]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
    }

    // Removes every record, last position first.
    void Clear() {
        while (!items_.empty()) {
            if (!keys_.empty()) {
                if (keys_.back()) keySet_.erase(*keys_.back());
                keys_.pop_back();
            }
            std::shared_ptr<T> removed = std::move(items_.back());
            items_.pop_back();
        }
    }

  private:
    size_t Find(const ListIndex& index) const {
        if (const std::optional<int32_t>& position = index.Position()) {
            if (*position < 1 || *position > Count()) RaiseError(ErrNo::SubscriptOutOfRange);
            return static_cast<size_t>(*position - 1);
        }
        const std::string& key = index.Key();
        if (HasKey(key)) {
            for (size_t i = 0; i < keys_.size(); ++i) {
                if (keys_[i] == key) return i;
            }
        }
        RaiseError(ErrNo::SubscriptOutOfRange);
    }

    std::vector<std::shared_ptr<T>> items_;
    // Parallel to items_ once any record has a key; empty before that.
    std::vector<std::optional<std::string>> keys_;
    std::unordered_set<std::string> keySet_;
};

}  // namespace quarnel
