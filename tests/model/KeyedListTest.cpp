#include "model/KeyedList.h"

#include <gtest/gtest.h>

#include <functional>

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

TEST(KeyedListTest, InsertsBeforeAndAfterPositionsAndKeys) {
    using Where = std::optional<ListIndex>;
    for (const auto& [before, after, expected] :
         {std::tuple<Where, Where, std::string>{{}, {}, "abcX"},
          {1, {}, "Xabc"},
          {3, {}, "abXc"},
          {{}, 3, "abcX"},
          {"b", {}, "aXbc"},
          {{}, "a", "aXbc"}}) {
        KeyedList<std::string> list = ListOf("abc");
        list.Add(std::make_shared<std::string>("X"), std::nullopt, before, after);
        EXPECT_EQ(Contents(list), expected);
    }
}

TEST(KeyedListTest, RaisesForBadPositionsKeysAndDuplicates) {
    KeyedList<std::string> list = ListOf("ab");
    auto x = std::make_shared<std::string>("X");
    EXPECT_EQ(ErrorOf([&] { list.Item(0); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Item(3); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Item("z"); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Remove(-1); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, std::nullopt, 4); }), ErrNo::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, "a"); }), ErrNo::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { list.Add(x, std::nullopt, 1, 1); }), ErrNo::InvalidProcedureCall);
    EXPECT_EQ(Contents(list), "ab");
    list.Remove("a");
    list.Add(x, "a", std::nullopt, 1);
    EXPECT_EQ(Contents(list), "bX");
}

TEST(KeyedListTest, KeysStayWithTheirRecordsAmongUnkeyedOnes) {
    KeyedList<std::string> list;
    list.Append(std::make_shared<std::string>("a"));
    list.Append(std::make_shared<std::string>("c"));
    list.Add(std::make_shared<std::string>("b"), "k", 2);
    list.Append(std::make_shared<std::string>("d"));
    list.Add(std::make_shared<std::string>("X"), std::nullopt, "k");
    EXPECT_EQ(Contents(list), "aXbcd");
    EXPECT_EQ(*list.Item("k"), "b");
    list.Remove(1);
    EXPECT_EQ(*list.Item("k"), "b");
    list.Remove("k");
    EXPECT_FALSE(list.HasKey("k"));
    EXPECT_EQ(Contents(list), "Xcd");
    list.Clear();
    list.Add(std::make_shared<std::string>("e"), "k");
    EXPECT_EQ(*list.Item("k"), "e");
}

}  // namespace
}  // namespace quarnel
