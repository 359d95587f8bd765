// SPDX-License-Identifier: MIT
// The positions of a form's fields by name, names compared without regard
// to ASCII case. An order posts two fields a line, tens of thousands in
// all: the index is one flat table of positions and name hashes, so that
// adding a field allocates nothing most of the time and looking one up
// touches its name only when the hashes agree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarnel {

class FieldIndex {
  public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    // The position of the field called `name` among `fields`, or -1.
    int32_t Find(const Fields& fields, std::string_view name) const;
    // Takes in the last of `fields`, which was just added.
    void Added(const Fields& fields);
    // Room for `count` fields in all without growing.
    void Reserve(size_t count);

  private:
    struct Slot {
        uint32_t hash = 0;
        int32_t position = -1;  // -1: empty
    };

    static uint32_t Hash(std::string_view name);
    void Insert(uint32_t hash, int32_t position);
    void Grow(size_t slots);

    std::vector<Slot> slots_;  // a power of two in size, at most half full
    size_t used_ = 0;
};

}  // namespace quarnel
