#include <gtest/gtest.h>

#include <sstream>

#include "text/IntList.h"

namespace tessaly {
namespace {

std::vector<std::int64_t> Values(const TIntList& list) {
    std::vector<std::int64_t> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
    return out;
}

TEST(IntList, SortedListFollowsItsDuplicatesPolicy) {
    TIntList ignore;
    ignore.SetSorted(true);
    EXPECT_EQ(ignore.Add(9), 0);
    EXPECT_EQ(ignore.Add(3), 0);
    EXPECT_EQ(ignore.Add(5), 1);
    EXPECT_EQ(ignore.Add(3), 0);  // the existing index
    EXPECT_EQ(Values(ignore), (std::vector<std::int64_t>{3, 5, 9}));
    EXPECT_EQ(ignore.IndexOf(9), 2);
    EXPECT_EQ(ignore.IndexOf(4), -1);

    TIntList accept;
    accept.SetDuplicates(TDuplicates::Accept);
    accept.SetSorted(true);
    for (int v : {9, 3, 5, 3}) accept.Add(v);
    EXPECT_EQ(Values(accept), (std::vector<std::int64_t>{3, 3, 5, 9}));

    TIntList error;
    error.SetDuplicates(TDuplicates::Error);
    error.SetSorted(true);
    error.Add(3);
    try {
        error.Add(3);
        FAIL() << "no error for a duplicate";
    } catch (const EIntListError& e) {
        EXPECT_STREQ(e.what(), "Cannot add integer because if already exists");
    }
    EXPECT_EQ(error.Count(), 1);
}

TEST(IntList, UnsortedKeepsOrderAndSortingLater) {
    TIntList list;
    for (std::int64_t v : {50LL, -2LL, 7000000000LL, 50LL}) list.Add(v);
    EXPECT_EQ(Values(list), (std::vector<std::int64_t>{50, -2, 7000000000LL, 50}));
    EXPECT_EQ(list.IndexOf(50), 0);
    list.Exchange(0, 1);
    EXPECT_EQ(list.Get(0), -2);
    list.SetSorted(true);
    EXPECT_EQ(Values(list), (std::vector<std::int64_t>{-2, 50, 50, 7000000000LL}));
    list.CustomSort([](const TIntList& l, int a, int b) {
        return l.Get(a) > l.Get(b) ? -1 : (l.Get(a) < l.Get(b) ? 1 : 0);
    });
    EXPECT_EQ(list.Get(0), 7000000000LL);
}

TEST(IntList, IndexErrorsAndEvents) {
    TIntList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TIntList&) { ++changing; };
    list.OnChange = [&](TIntList&) { ++changed; };
    list.AddObject(1, 42);
    EXPECT_EQ(list.Tag(0), 42);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.BeginUpdate();
    list.Add(2);
    list.Add(3);
    EXPECT_EQ(changed, 1);
    list.EndUpdate();
    EXPECT_EQ(changed, 2);
    for (int bad : {-1, 3}) {
        try {
            (void)list.Get(bad);
            FAIL() << bad;
        } catch (const EIntListError& e) {
            EXPECT_STREQ(e.what(), "List index Error");
        }
    }
    EXPECT_THROW(list.Delete(5), EIntListError);
}

TEST(IntList, CapacityGrowsInSteps) {
    TIntList list;
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        list.Add(i);
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(IntList, StreamFormIsCountThenLittleEndianValues) {
    TIntList list;
    list.AddObject(1, 7);
    list.Add(-2);
    std::stringstream stream;
    list.SaveToStream(stream);
    const std::string bytes = stream.str();
    ASSERT_EQ(bytes.size(), 4u + 16u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(bytes.substr(4, 8), std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8));
    EXPECT_EQ(bytes.substr(12, 8), std::string(8, '\xFF').replace(0, 1, "\xFE"));

    TIntList back;
    back.Add(99);
    back.LoadFromStream(stream);
    EXPECT_EQ(Values(back), (std::vector<std::int64_t>{1, -2}));
    EXPECT_EQ(back.Tag(0), 0);  // tags are not stored

    std::stringstream truncated(bytes.substr(0, 10));
    EXPECT_THROW(back.LoadFromStream(truncated), EIntListError);
}

}  // namespace
}  // namespace tessaly
