// What a start finds of a program that was killed: inserts whose forms were open, temp files.
#include <filesystem>

#include "common/System.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TempHolder.h"

namespace admintest {
namespace {

using RestartTest = ProgramTest;

std::int64_t recordsOf(const rt::FileDesc& desc) {
  std::string record(desc.recordSize, ' ');
  std::string memo(desc.memos.empty() ? 0 : desc.memos[0].size, ' ');
  rt::KeyedFile f(desc, record.data(), {memo.data()});
  if (!f.open({rt::Access::ReadOnly, rt::Share::DenyNone})) return -1;
  const std::int64_t n = f.records();
  f.close();
  return n;
}

TEST_F(RestartTest, RecordsReservedByInsertsOfAKilledProgramAreGoneWhenTheFrameShows) {
  // The state a kill leaves: numbers reserved through the managers, never completed.
  DictionaryInit();
  for (rt::FileManager* fm : {DomainsManager, RegistrarsManager, HostsManager}) {
    ASSERT_EQ(fm->OpenFile(), rt::Status::Ok);
    ASSERT_EQ(fm->PrimeRecord(), rt::Status::Ok);
    fm->Kill();
  }
  DictionaryKill();
  ASSERT_EQ(recordsOf(DomainsDesc()), 1);

  ASSERT_NE(startProgram(), nullptr);
  for (const rt::FileDesc* desc : {&DomainsDesc(), &RegistrarsDesc(), &HostsDesc()})
    EXPECT_EQ(recordsOf(*desc), 0) << desc->label;
  exitProgram();
}

TEST_F(RestartTest, TempFilesOfAKilledRunAreGoneWhenTheFrameShows) {
  const std::string here = dir.path().toStdString();
  rt::testing::TempHolder killed(here, "tarnwick", TW_TEMP_HOLDER),
      running(here, "tarnwick", TW_TEMP_HOLDER), reader(here, "sondrel", TW_TEMP_HOLDER);
  killed.stop(SIGKILL);
  reader.stop(SIGKILL);
  ASSERT_TRUE(std::filesystem::exists(here + "/" + killed.name()));

  ASSERT_NE(startProgram(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(here + "/" + killed.name()));
  EXPECT_TRUE(std::filesystem::exists(here + "/" + running.name()));  // a second tarnwick's
  EXPECT_TRUE(std::filesystem::exists(here + "/" + reader.name()));   // the page reader's own
  exitProgram();
}

// A run that has ended leaves no look and no per-thread copies of the buffers behind.
TEST_F(RestartTest, AnEndedRunLeavesNothingOfItsWindowsSetUpBehind) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  exitProgram();
  EXPECT_FALSE(SystemTables().look);
  DOM.DOMAINNAME = "";
  driver.start([] { DOM.DOMAINNAME = "shared.com"; });
  driver.waitForThreadsToEnd();
  EXPECT_EQ(DOM.DOMAINNAME.str(), "shared.com");
}

}  // namespace
}  // namespace admintest
