#include <gtest/gtest.h>
#include <windows.h>

#include "support/ordered_list.h"

namespace {

int g_items[64];

void Fill(OrderedList& list, int n)
{
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(list.Insert(&g_items[i], -1, nullptr, 0), S_OK);
}

TEST(OrderedListCapacity, GrowsAndShrinksInBlocksOfSixteen)
{
    OrderedList list(GetUserDefaultLCID());
    EXPECT_EQ(list.Capacity(), 0);
    Fill(list, 1);
    EXPECT_EQ(list.Capacity(), 16);
    Fill(list, 15);
    EXPECT_EQ(list.Count(), 16);
    EXPECT_EQ(list.Capacity(), 16);
    Fill(list, 1);  // the 17th triple
    EXPECT_EQ(list.Capacity(), 32);

    EXPECT_EQ(list.RemoveAt(0), S_OK);  // back to 16 triples
    EXPECT_EQ(list.Capacity(), 16);
    EXPECT_EQ(list.RemoveAt(0), S_OK);
    EXPECT_EQ(list.Capacity(), 16);
    while (list.Count() > 1)
        ASSERT_EQ(list.RemoveAt(0), S_OK);
    EXPECT_EQ(list.Capacity(), 16);
    EXPECT_EQ(list.RemoveAt(0), S_OK);  // the last one frees the array
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST(OrderedListOrder, InsertKeepsOrderAndHonoursTheIndex)
{
    OrderedList list(GetUserDefaultLCID());
    ASSERT_EQ(list.Insert(&g_items[1], -1, nullptr, 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[2], -1, nullptr, 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[0], 0, nullptr, 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[3], 99, nullptr, 0), S_OK);  // beyond the end: appended
    ASSERT_EQ(list.Insert(&g_items[9], 2, nullptr, 0), S_OK);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.ItemAt(0), &g_items[0]);
    EXPECT_EQ(list.ItemAt(1), &g_items[1]);
    EXPECT_EQ(list.ItemAt(2), &g_items[9]);
    EXPECT_EQ(list.ItemAt(3), &g_items[2]);
    EXPECT_EQ(list.ItemAt(4), &g_items[3]);

    EXPECT_EQ(list.RemoveAt(2), S_OK);
    EXPECT_EQ(list.ItemAt(2), &g_items[2]);
    EXPECT_EQ(list.Count(), 4);
}

TEST(OrderedListOrder, OutOfRangeIndexesGiveNothing)
{
    OrderedList list(GetUserDefaultLCID());
    EXPECT_EQ(list.ItemAt(0), nullptr);
    EXPECT_EQ(list.RemoveAt(0), E_INVALIDARG);
    Fill(list, 3);
    EXPECT_EQ(list.ItemAt(-1), nullptr);
    EXPECT_EQ(list.ItemAt(3), nullptr);
    EXPECT_EQ(list.RemoveAt(-1), E_INVALIDARG);
    EXPECT_EQ(list.RemoveAt(3), E_INVALIDARG);
    EXPECT_EQ(list.Count(), 3);
}

TEST(OrderedListLookup, IgnoresCaseUnlessCaseSensitive)
{
    OrderedList insensitive(GetUserDefaultLCID());
    ASSERT_EQ(insensitive.Insert(&g_items[0], -1, L"name", 0), S_OK);
    EXPECT_EQ(insensitive.FindByKey(L"NAME"), &g_items[0]);
    EXPECT_EQ(insensitive.FindByKey(L"names"), nullptr);
    EXPECT_EQ(insensitive.FindByKey(nullptr), nullptr);

    OrderedList sensitive(GetUserDefaultLCID());
    ASSERT_EQ(sensitive.SetCaseSensitive(true), S_OK);
    ASSERT_EQ(sensitive.Insert(&g_items[0], -1, L"name", 0), S_OK);
    EXPECT_EQ(sensitive.FindByKey(L"NAME"), nullptr);
    EXPECT_EQ(sensitive.FindByKey(L"name"), &g_items[0]);
}

TEST(OrderedListLookup, FirstOfEqualKeysWins)
{
    OrderedList list(GetUserDefaultLCID());
    ASSERT_EQ(list.Insert(&g_items[0], -1, L"a", 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[1], -1, L"key", 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[2], -1, L"KEY", 0), S_OK);
    EXPECT_EQ(list.FindByKey(L"Key"), &g_items[1]);
}

TEST(OrderedListLookup, CaseModeCannotChangeOnceFilled)
{
    OrderedList list(GetUserDefaultLCID());
    Fill(list, 1);
    EXPECT_EQ(list.SetCaseSensitive(true), E_FAIL);
    ASSERT_EQ(list.RemoveAt(0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[0], -1, L"name", 0), S_OK);
    EXPECT_EQ(list.FindByKey(L"NAME"), &g_items[0]);  // still case-insensitive
}

// Reallocations move the array: every triple must come through growing past
// 16 and 32 slots and shrinking back, in order and still found by its key.
TEST(OrderedListCapacity, TriplesSurviveEveryReallocation)
{
    static const wchar_t* const kKeys[] = {L"k00", L"k01", L"k02", L"k03", L"k04", L"k05", L"k06", L"k07",
                                           L"k08", L"k09", L"k10", L"k11", L"k12", L"k13", L"k14", L"k15",
                                           L"k16", L"k17", L"k18", L"k19", L"k20", L"k21", L"k22", L"k23",
                                           L"k24", L"k25", L"k26", L"k27", L"k28", L"k29", L"k30", L"k31",
                                           L"k32", L"k33"};
    const int n = static_cast<int>(sizeof kKeys / sizeof kKeys[0]);
    OrderedList list(GetUserDefaultLCID());
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(list.Insert(&g_items[i], -1, kKeys[i], 0), S_OK);
    ASSERT_EQ(list.Capacity(), 48);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(list.ItemAt(i), &g_items[i]) << i;
        EXPECT_EQ(list.FindByKey(kKeys[i]), &g_items[i]) << i;
    }

    // Remove from the front down to 16 triples: two shrinks (to 32, to 16).
    while (list.Count() > 16)
        ASSERT_EQ(list.RemoveAt(0), S_OK);
    ASSERT_EQ(list.Capacity(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(list.ItemAt(i), &g_items[n - 16 + i]) << i;
        EXPECT_EQ(list.KeyAt(i), kKeys[n - 16 + i]) << i;
    }
    EXPECT_EQ(list.FindByKey(kKeys[0]), nullptr);
}

TEST(OrderedListLookup, TriplesWithoutKeyArePassedOver)
{
    OrderedList list(GetUserDefaultLCID());
    ASSERT_EQ(list.Insert(&g_items[0], -1, nullptr, 0), S_OK);
    ASSERT_EQ(list.Insert(&g_items[1], -1, L"key", 0), S_OK);
    EXPECT_EQ(list.FindByKey(L"key"), &g_items[1]);
    EXPECT_EQ(list.FindByKey(L""), nullptr);
}

TEST(OrderedListLifecycle, FreeEmptiesTheListAndLeavesItUsable)
{
    OrderedList list(GetUserDefaultLCID());
    ASSERT_EQ(list.SetCaseSensitive(true), S_OK);
    Fill(list, 20);
    list.Free();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.ItemAt(0), nullptr);

    ASSERT_EQ(list.Insert(&g_items[5], -1, L"name", 0), S_OK);
    EXPECT_EQ(list.Capacity(), 16);
    EXPECT_EQ(list.ItemAt(0), &g_items[5]);
    EXPECT_EQ(list.FindByKey(L"NAME"), nullptr);  // the case mode is kept
    EXPECT_EQ(list.FindByKey(L"name"), &g_items[5]);
}

}  // namespace
