// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>

#include "model/KeyedList.h"
#include "model/RecordPool.h"

namespace quarnel {
namespace {

int32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QuarnelError& e) {
        return e.Number();
    }
    return 0;
}

std::string Contents(const KeyedList<std::string>& list) {
    std::string text;
    for (const auto& item : list.Items()) text += *item;
    return text;
}

KeyedList<std::string> ListOf(const std::string& letters) {
    KeyedList<std::string> list;
    for (char c : letters) list.Add(std::make_shared<std::string>(1, c), std::string(1, c));
    return list;
}

TEST(KeyedListTest, InsertsAtPositionsAndKeysAndRaisesForBadOnes) {
    using Where = std::optional<ListIndex>;
    for (const auto& [before, after, expected] :
         {std::tuple<Where, Where, std::string>{{}, {}, "abcX"},
          {1, {}, "Xabc"},
          {3, {}, "abXc"},
          {"b", {}, "aXbc"},
          {{}, "a", "aXbc"}}) {
        KeyedList<std::string> list = ListOf("abc");
        list.Add(std::make_shared<std::string>("X"), std::nullopt, before, after);
        EXPECT_EQ(Contents(list), expected);
    }
    KeyedList<std::string> list = ListOf("ab");
    auto x = std::make_shared<std::string>("X");
    EXPECT_EQ(ErrorOf([&] { list.Item(0); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Item("z"); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, std::nullopt, 4); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, "a"); }), ErrNo::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, std::nullopt, 1, 1); }), ErrNo::InvalidProcedureCall);
    EXPECT_EQ(Contents(list), "ab");
}

TEST(KeyedListTest, KeysStayWithTheirRecordsAmongUnkeyedOnes) {
    KeyedList<std::string> list;
    for (const char* text : {"a", "c"}) list.Append(std::make_shared<std::string>(text));
    list.Add(std::make_shared<std::string>("b"), "k", 2);
    list.Add(std::make_shared<std::string>("X"), std::nullopt, "k");
    EXPECT_EQ(Contents(list), "aXbc");
    list.Remove(1);
    EXPECT_EQ(*list.Item("k"), "b");
    list.Remove("k");
    EXPECT_FALSE(list.HasKey("k"));
    list.Add(std::make_shared<std::string>("e"), "k", std::nullopt, 1);
    EXPECT_EQ(Contents(list), "Xec");
    EXPECT_EQ(*list.Item("k"), "e");
}

TEST(RecordPoolTest, RecordsOutliveThePoolAndSlotsAreReused) {
    std::vector<std::shared_ptr<std::string>> records;
    {
        RecordPool<std::string> pool;
        for (int i = 0; i < 3000; ++i) records.push_back(pool.Make("record " + std::to_string(i)));
        const std::string* released = records[1500].get();
        records[1500].reset();
        EXPECT_EQ(pool.Make("again").get(), released);
    }
    // The address sanitizer checks that they are released normally.
    EXPECT_EQ(*records[2999], "record 2999");
}

}  // namespace
}  // namespace quarnel
