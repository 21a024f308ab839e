// The host listing and the hosting profile: every host by name from each caller, the
// profile's check boxes and notes, and the profile's PDF.
#include "admin/HostReports.h"
#include "admin/Hosts.h"
#include "tests/support/ReportsTestFixture.h"

namespace domaintest {
namespace {

struct Host {
  const char* name;
  const char* linux = "";
  const char* notes = "";
};

void addHosts(std::initializer_list<Host> hosts) {
  HostsBuffer buf{};
  rt::KeyedFile f(HostsDesc(), &buf, {buf.Notes.data});
  ASSERT_TRUE(f.create());
  ASSERT_TRUE(f.open());
  for (const Host& h : hosts) {
    buf = HostsBuffer{};
    buf.HOSTNAME = h.name;
    buf.LINUX = h.linux;
    buf.FEEMONTHLY = 12.5;
    buf.Notes = h.notes;
    ASSERT_TRUE(f.add());
  }
  ASSERT_TRUE(f.close());
}

class HostReportsTest : public ReportsTest {};

TEST_F(HostReportsTest, PrintHostsListsEveryHostByNameFromTheFrameAndTheBrowse) {
  addHosts({{"zeta hosting"}, {"Alpha Web"}, {"mid host"}});
  const std::vector<std::string> all = {"Alpha Web", "mid host", "zeta hosting"};
  // The shared buffer holds one host: the listing is still of them all.
  HOS.HOSTNAME = "mid host";
  rt::Window* w = preview(&PrintHosts, "Print the Hosts File");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "HOS:HOSTNAME"), all);
  EXPECT_EQ(printed(w, "HOS:FEEMONTHLY"), std::vector<std::string>(3, "     12.50"));
  closePreview(w);

  rt::Window* browse = open(&BrowseHosts, "BrowseHosts");
  ASSERT_TRUE(browse);
  ASSERT_TRUE(driver.press(browse, 4));  // "&Print All Hosts"
  w = driver.waitForWindow("Print Preview - Print the Hosts File");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->thread(), browse->thread());
  EXPECT_EQ(printed(w, "HOS:HOSTNAME"), all);
  closePreview(w);
}

TEST_F(HostReportsTest, ProfileOfEveryHostByNameWithItsChecksAndNotes) {
  addHosts({{"zeta hosting", "", ""}, {"Alpha Web", "Y", "Cheap plan, slow support."}});
  rt::Window* w = preview(&comparisons, "Tarnwick Hosting Profile Report");
  ASSERT_TRUE(w);
  EXPECT_EQ(rt::previewDocument(w)->pageCount(), 2);
  EXPECT_EQ(printed(w, "HOS:HOSTNAME"), (std::vector<std::string>{"Alpha Web", "zeta hosting"}));
  EXPECT_EQ(printed(w, "HOS:LINUX"), (std::vector<std::string>{"[X] Linux", "[ ] Linux"}));
  EXPECT_EQ(printed(w, "HOS:Notes"), (std::vector<std::string>{"Cheap plan, slow support.", ""}));
  closePreview(w);

  const std::string text = pdfText(comparisonsReport());
  for (const char* t :
       {"Tarnwick Hosting Profile Report", "General Data", "Server Operating Systems", "Extensions",
        "Cheap plan, slow support.", "Total Monthly Cost:", "12.50", "Windows 2000", "Page 2"})
    EXPECT_NE(text.find(t), std::string::npos) << t;
  EXPECT_LT(text.find("Alpha Web"), text.find("zeta hosting"));
}

}  // namespace
}  // namespace domaintest
