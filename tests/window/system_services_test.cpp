// Tests of the process-wide services: system colours, the atom table and thread hot keys.
#include <gtest/gtest.h>

#include <thread>

#include "platform/window/window.h"
#include "tests/window/recording_owner.h"

namespace tavlen::win {
namespace {

TEST(SystemColors, ClassicValues) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x00F0F0F0u);
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), 0x00000000u);
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00FFFFFFu);
  EXPECT_EQ(GetSysColor(13), 0x00FF9933u);  // highlight
  EXPECT_EQ(GetSysColor(24), 0x00E1FFFFu);  // tooltip background
  EXPECT_EQ(GetSysColor(30), 0x00F0F0F0u);
  EXPECT_EQ(GetSysColor(31), 0u);
  EXPECT_EQ(GetSysColor(-1), 0u);
}

TEST(Atoms, AddFindAndDeleteAreCountedAndCaseInsensitive) {
  uint16_t atom = GlobalAddAtom("TestAtomCounted");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(GlobalAddAtom("testatomcounted"), atom);
  EXPECT_EQ(GlobalFindAtom("TESTATOMCOUNTED"), atom);
  EXPECT_EQ(GlobalGetAtomName(atom), "TestAtomCounted");
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtom("TestAtomCounted"), atom);  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtom("TestAtomCounted"), 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), atom);  // no longer there: failure returns the atom
}

TEST(Atoms, DistinctNamesGetDistinctAtomsAndFreedOnesAreReused) {
  uint16_t a = GlobalAddAtom("TestAtomA");
  uint16_t b = GlobalAddAtom("TestAtomB");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  uint16_t c = GlobalAddAtom("TestAtomC");
  EXPECT_EQ(c, a);
  EXPECT_EQ(GlobalDeleteAtom(b), 0);
  EXPECT_EQ(GlobalDeleteAtom(c), 0);
}

TEST(Atoms, IntegerAndInvalidNames) {
  EXPECT_EQ(GlobalAddAtom("#1234"), 1234);
  EXPECT_EQ(GlobalFindAtom("#1234"), 1234);
  EXPECT_EQ(GlobalDeleteAtom(1234), 0);
  EXPECT_EQ(GlobalAddAtom("#0"), 0);
  EXPECT_EQ(GlobalAddAtom("#49152"), 0);
  EXPECT_EQ(GlobalAddAtom(""), 0);
  EXPECT_EQ(GlobalAddAtom(std::string(256, 'x')), 0);
  uint16_t hashName = GlobalAddAtom("#not a number");
  EXPECT_GE(hashName, 0xC000);
  EXPECT_EQ(GlobalDeleteAtom(hashName), 0);
}

TEST(Atoms, ConcurrentAddsOfOneNameShareOneAtom) {
  std::vector<uint16_t> results(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&results, i] { results[i] = GlobalAddAtom("TestAtomShared"); });
  }
  for (auto& t : threads) t.join();
  for (uint16_t r : results) EXPECT_EQ(r, results[0]);
  for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(GlobalDeleteAtom(results[0]), 0);
  EXPECT_EQ(GlobalFindAtom("TestAtomShared"), 0);
}

TEST(HotKeys, RegisteredKeyNeverSwallowsKeyPresses) {
  test::RecordingOwner owner;
  auto window = Window::Create(&owner, 10, 10);
  ASSERT_EQ(RegisterHotKey(nullptr, 0xC123, 0, VK_F1), TRUE);
  EXPECT_TRUE(IsHotKeyRegistered(0xC123, VK_F1));
  window->InjectKey(WM_KEYDOWN, VK_F1);
  ASSERT_EQ(owner.keys.size(), 1u);
  EXPECT_EQ(owner.keys[0].second, static_cast<uint32_t>(VK_F1));
  EXPECT_EQ(UnregisterHotKey(nullptr, 0xC123), TRUE);
  EXPECT_FALSE(IsHotKeyRegistered(0xC123, VK_F1));
  EXPECT_EQ(UnregisterHotKey(nullptr, 0xC123), FALSE);
}

TEST(HotKeys, DuplicatesAreRefused) {
  ASSERT_EQ(RegisterHotKey(nullptr, 7, MOD_CONTROL, 'K'), TRUE);
  EXPECT_EQ(RegisterHotKey(nullptr, 7, MOD_ALT, 'J'), FALSE);      // same identifier
  EXPECT_EQ(RegisterHotKey(nullptr, 8, MOD_CONTROL, 'K'), FALSE);  // same combination
  EXPECT_EQ(RegisterHotKey(nullptr, 8, MOD_SHIFT, 'K'), TRUE);
  BOOL fromOtherThread = TRUE;
  std::thread([&] { fromOtherThread = RegisterHotKey(nullptr, 7, MOD_CONTROL, 'K'); }).join();
  EXPECT_EQ(fromOtherThread, FALSE);
  // Another thread cannot remove this thread's key.
  BOOL removedElsewhere = TRUE;
  std::thread([&] { removedElsewhere = UnregisterHotKey(nullptr, 7); }).join();
  EXPECT_EQ(removedElsewhere, FALSE);
  EXPECT_EQ(UnregisterHotKey(nullptr, 7), TRUE);
  EXPECT_EQ(UnregisterHotKey(nullptr, 8), TRUE);
  EXPECT_EQ(RegisterHotKey(nullptr, 9, 0x100, 'K'), FALSE);  // unknown modifier
}

TEST(HotKeys, DestroyedWindowObjectDropsItsKeys) {
  test::RecordingOwner owner;
  auto window = Window::Create(&owner, 10, 10);
  ASSERT_EQ(RegisterHotKey(window.get(), 3, MOD_WIN, 'Q'), TRUE);
  EXPECT_TRUE(IsHotKeyRegistered(3, 'Q'));
  window.reset();
  EXPECT_FALSE(IsHotKeyRegistered(3, 'Q'));
}

}  // namespace
}  // namespace tavlen::win
