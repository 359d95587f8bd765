#include "model/RecordPool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnel {
namespace {

struct Record {
    explicit Record(std::string name) : name(std::move(name)) {}
    std::string name;
};

TEST(RecordPoolTest, RecordsOutliveThePoolAndSlotsAreReused) {
    std::vector<std::shared_ptr<Record>> kept;
    {
        RecordPool<Record> pool;
        std::vector<std::shared_ptr<Record>> records;
        for (int i = 0; i < 3000; ++i) records.push_back(pool.Make("record " + std::to_string(i)));
        const Record* released = records[1500].get();
        records[1500].reset();
        EXPECT_EQ(pool.Make("again").get(), released);
        kept.assign(records.begin(), records.begin() + 2);
    }
    // The pool's owner is gone; the records it made still work and are
    // released normally (the address sanitizer checks the memory).
    EXPECT_EQ(kept[1]->name, "record 1");
    kept.clear();
}

}  // namespace
}  // namespace quarnel
