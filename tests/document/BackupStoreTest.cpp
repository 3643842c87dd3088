// The automatic backups: kept, listed newest first, pruned to the newest 100
// without touching anything else in the folder, and opened as configurations.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "TestConfigs.h"
#include "document/BackupStore.h"
#include "document/ConfigCompare.h"
#include "document/ConfigFile.h"
#include "support/TempDir.h"

TEST(BackupStore, KeepsTheNewestAndListsThemWithTimePortAndName) {
  TempDir temp;
  const BackupStore store((temp / "backups").string());
  EXPECT_TRUE(store.list().empty());  // no folder yet

  std::mt19937 rng(3);
  const DeviceData config = testconfigs::randomConfig(rng, 3, 4);
  const auto start = std::chrono::system_clock::now();
  std::string first, last;
  for (int i = 0; i < BackupStore::kKept + 2; ++i) {
    // Two in the same millisecond must both be kept.
    const auto when = start + std::chrono::milliseconds(i - (i == 1 ? 1 : 0));
    last = store.save(config, "sim:/tmp/c.bin", "Перед записью №" + std::to_string(i), when);
    if (i == 0) first = last;
  }
  // Files the store did not make are neither listed nor removed.
  for (const char* foreign : {"notes.tkv88", "20240101-000000-000.txt", "20240101-000000-000-.tkv88"})
    std::ofstream(temp / ("backups/" + std::string(foreign))) << "x";

  const std::vector<BackupEntry> list = store.list();
  ASSERT_EQ(list.size(), static_cast<std::size_t>(BackupStore::kKept));
  EXPECT_EQ(list.front().path, last);
  EXPECT_EQ(list.front().name, "Перед записью №101");
  EXPECT_EQ(list.back().name, "Перед записью №2");
  EXPECT_EQ(list.front().port, "sim:/tmp/c.bin");
  EXPECT_EQ(list.front().time.size(), 19u);  // "2024-01-31 14:25:01"
  EXPECT_FALSE(std::filesystem::exists(first));
  for (const char* foreign : {"notes.tkv88", "20240101-000000-000.txt", "20240101-000000-000-.tkv88"})
    EXPECT_TRUE(std::filesystem::exists(temp / ("backups/" + std::string(foreign)))) << foreign;

  // A backup opens as the configuration it keeps, named as the list names it.
  const std::unique_ptr<DeviceData> opened = configfile::read(configfile::readFile(last));
  EXPECT_TRUE(compareConfigurations(config, *opened, {.names = false}).empty());
  EXPECT_EQ(opened->name(), list.front().name);
}

// The clock set back (the end of summer time, names an older version gave
// in local time east of UTC): a full store of names that sort later never
// takes the backup just made, which stays the newest.
TEST(BackupStore, TheBackupJustMadeIsNeverPrunedWhateverTheClockDid) {
  TempDir temp;
  const BackupStore store((temp / "backups").string());
  const DeviceData config;
  const auto now = std::chrono::system_clock::now();
  for (int i = 0; i < BackupStore::kKept; ++i)
    store.save(config, "", "будущая", now + std::chrono::hours(3) + std::chrono::milliseconds(i));
  for (int i = 0; i < 3; ++i) {
    const std::string made = store.save(config, "", "сейчас", now);
    EXPECT_TRUE(std::filesystem::exists(made)) << made;
    const std::vector<BackupEntry> list = store.list();
    ASSERT_EQ(list.size(), static_cast<std::size_t>(BackupStore::kKept));
    EXPECT_EQ(list.front().path, made);
    EXPECT_EQ(store.newest(), made);
  }
}

TEST(BackupStore, FailsClearlyWhereNothingCanBeKept) {
  TempDir temp;
  std::ofstream(temp / "file") << "x";
  const DeviceData config;
  EXPECT_THROW(BackupStore((temp / "file/backups").string()).save(config, "", ""), configfile::FileError);
  EXPECT_THROW(BackupStore("").save(config, "", ""), configfile::FileError);
}
