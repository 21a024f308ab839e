// The launcher's set-up: the one settings record, the globals and section "cpanel" it
// writes, the file dialogs of its program fields and the refusals while the launcher is open.
#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "PanelGlobals.h"
#include "admin/ControlPanel.h"
#include "admin/ControlSetup.h"
#include "tests/support/DomainsTestFixture.h"

namespace {

enum { cList = 1, cInsert = 4, cChange = 5, cDelete = 6, cOk = 90, cFirstChooser = 100 };

// The control that edits a field of the settings record.
int controlOf(rt::Window* w, const void* field) {
  for (int c : w->controls())
    if (const rt::Binding* b = w->binding(c); b && b->address() == field) return c;
  return 0;
}

std::string padded(std::string_view text, std::size_t width) {
  std::string s(text);
  s.resize(width, ' ');
  return s;
}

// Section "cpanel" of the INI file as it stands on disk.
std::string panelSection() {
  QFile f("tarnwick.INI");
  if (!f.open(QIODevice::ReadOnly)) return {};
  const std::string all = f.readAll().toStdString();
  const std::size_t at = all.find("[cpanel]");
  if (at == std::string::npos) return {};
  return all.substr(at, all.find("\n[", at) - at);
}

using paneltest::blankPanelGlobals;

class ControlSetupTest : public domaintest::WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    blankPanelGlobals();
  }
  void TearDown() override {
    WindowsTest::TearDown();
    blankPanelGlobals();
    cpanelopen.clear();
  }

  rt::Window* openBrowse() { return open(&browsecpanel, "browsecpanel"); }

  // Inserts the settings record from the browse with a browser and a first user program.
  void insertSettings(rt::Window* browse) {
    ASSERT_TRUE(driver.press(browse, cInsert));
    rt::Window* form = driver.waitForWindow("controlpanel");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->title(), "Record Will Be Added");
    ASSERT_TRUE(driver.type(form, controlOf(form, EDI.MYBROWSER.data), "/usr/bin/browse -new"));
    ASSERT_TRUE(driver.type(form, controlOf(form, EDI.MYEDITOR.data), "/opt/ed/edit"));
    ASSERT_TRUE(driver.type(form, controlOf(form, EDI.MYUSER1.data), "backup --all"));
    ASSERT_TRUE(driver.type(form, controlOf(form, EDI.MYUSER1TITLE.data), "Backup"));
    ASSERT_TRUE(driver.press(form, cOk));
    ASSERT_TRUE(driver.waitForClose("controlpanel"));
  }
};

TEST_F(ControlSetupTest, OkSetsTheGlobalsAndWritesTheFourteenKeysInOrder) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  EXPECT_EQ(b->title(), "RuDerudoz Oridi Set Up");
  insertSettings(b);
  EXPECT_EQ(driver.rowCount(b, cList), 1);
  EXPECT_EQ(driver.cell(b, cList, 1, 3), "/usr/bin/browse -new");
  EXPECT_EQ(brwsr.str(), "/usr/bin/browse -new");
  EXPECT_EQ(html.str(), "/opt/ed/edit");
  EXPECT_EQ(ubut1.str(), "Backup");
  EXPECT_TRUE(mail.blank());
  const std::string expected =
      "[cpanel]\nhtml=" + padded("/opt/ed/edit", 120) + "\ngrphx=" + padded("", 100) +
      "\nbrwsr=" + padded("/usr/bin/browse -new", 100) + "\ntxted=" + padded("", 100) +
      "\nmail=" + padded("", 100) + "\nusr1=" + padded("backup --all", 100) +
      "\nusr2=" + padded("", 100) + "\nusr3=" + padded("", 100) + "\nusr4=" + padded("", 100) +
      "\nfftp=" + padded("", 100) + "\nubut1=" + padded("Backup", 10) +
      "\nubut2=" + padded("", 10) + "\nubut3=" + padded("", 10) + "\nubut4=" + padded("", 20) +
      "\n";
  EXPECT_EQ(panelSection(), expected);
  const auto records = domaintest::readRecords<EditorRecord>(EditorDesc());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].CURRENTCONFIG.str(), "Y");
  driver.close(b);
}

TEST_F(ControlSetupTest, ASecondInsertShowsClositAndAddsNothing) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  insertSettings(b);
  const std::string written = panelSection();
  // Both of its buttons close it, and the form never shows.
  for (const char* button : {"OK", "Close"}) {
    ASSERT_TRUE(driver.press(b, cInsert));
    rt::Window* c = driver.waitForWindow("closit");
    ASSERT_TRUE(c) << button;
    EXPECT_EQ(c->title(), "You can only have One (1)Control Panel Setup");
    EXPECT_EQ(driver.find("controlpanel"), nullptr);
    ASSERT_TRUE(driver.press(c, button == std::string("OK") ? 2 : 3));
    ASSERT_TRUE(driver.waitForClose("closit")) << button;
  }
  EXPECT_EQ(domaintest::readRecords<EditorRecord>(EditorDesc()).size(), 1u);
  EXPECT_EQ(panelSection(), written);
  driver.close(b);
}

TEST_F(ControlSetupTest, ACaptionLongerThanTenCharactersCannotBeTyped) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  insertSettings(b);
  ASSERT_TRUE(driver.press(b, cChange));
  rt::Window* f = driver.waitForWindow("controlpanel");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Record Will Be Changed");
  const int caption = controlOf(f, EDI.MYUSERTITLE3.data);
  ASSERT_TRUE(driver.selectTab(f, 1, 10));
  f->selectControl(caption);
  ASSERT_EQ(driver.focusedControl(), caption);
  ASSERT_TRUE(driver.hitKey(Qt::Key_End));
  ASSERT_TRUE(driver.typeKeys("Nightly backup"));
  EXPECT_EQ(f->text(caption), "Nightly ba");
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForClose("controlpanel"));
  EXPECT_EQ(ubut3.str(), "Nightly ba");
  EXPECT_NE(panelSection().find("\nubut3=Nightly ba\n"), std::string::npos);
  driver.close(b);
}

TEST_F(ControlSetupTest, DeleteBlanksTheSettingsOnlyWhenTheRecordGoes) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  insertSettings(b);
  const std::string written = panelSection();
  rt::defaultReporter().answer = rt::Answer::No;
  ASSERT_TRUE(driver.press(b, cDelete));
  driver.pump();
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::ConfirmDelete));
  EXPECT_EQ(driver.rowCount(b, cList), 1);
  EXPECT_EQ(brwsr.str(), "/usr/bin/browse -new");
  EXPECT_EQ(ubut1.str(), "Backup");
  EXPECT_EQ(panelSection(), written);

  rt::defaultReporter().answer = rt::Answer::Yes;
  ASSERT_TRUE(driver.press(b, cDelete));
  driver.pump();
  EXPECT_EQ(driver.rowCount(b, cList), 0);
  EXPECT_TRUE(brwsr.blank());
  EXPECT_TRUE(html.blank());
  EXPECT_TRUE(ubut1.blank());
  const std::string blankSection =
      "[cpanel]\nhtml=" + padded("", 120) + "\ngrphx=" + padded("", 100) +
      "\nbrwsr=" + padded("", 100) + "\ntxted=" + padded("", 100) + "\nmail=" + padded("", 100) +
      "\nusr1=" + padded("", 100) + "\nusr2=" + padded("", 100) + "\nusr3=" + padded("", 100) +
      "\nusr4=" + padded("", 100) + "\nfftp=" + padded("", 100) + "\nubut1=" + padded("", 10) +
      "\nubut2=" + padded("", 10) + "\nubut3=" + padded("", 10) + "\nubut4=" + padded("", 20) +
      "\n";
  EXPECT_EQ(panelSection(), blankSection);
  driver.close(b);
}

TEST_F(ControlSetupTest, EachChooserFillsItsFieldAndACancelKeepsIt) {
  const struct {
    const char* title;
    const char* field;
  } choosers[] = {
      {"Browser", EDI.MYBROWSER.data},
      {"EMail Program", EDI.CMAIL.data},
      {" FTP Program", EDI.MYFTP.data},
      {"Graphics Program", EDI.MYGRAPHICSED.data},
      {"HTML Editor", EDI.MYEDITOR.data},
      {"Text Editor", EDI.MYTEXTED.data},
      {"User Defined Action 1", EDI.MYUSER1.data},
      {"User Defined Action 2", EDI.MYUSER2.data},
      {"User Defined Action 3", EDI.MYUSER3.data},
  };
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  ASSERT_TRUE(driver.press(b, cInsert));
  rt::Window* f = driver.waitForWindow("controlpanel");
  ASSERT_TRUE(f);
  const std::string program = (dir.path() + "/tool").toStdString();
  QFile tool(QString::fromStdString(program));
  ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
  tool.close();
  for (std::size_t i = 0; i < std::size(choosers); ++i) {
    const int button = cFirstChooser + static_cast<int>(i);
    const int field = controlOf(f, choosers[i].field);
    ASSERT_TRUE(driver.selectTab(f, 1, static_cast<int>(i) + 2));
    ASSERT_TRUE(driver.press(f, button)) << choosers[i].title;
    QFileDialog* d = driver.waitForFileDialog();
    ASSERT_TRUE(d) << choosers[i].title;
    EXPECT_EQ(d->windowTitle().toStdString(), choosers[i].title);
    ASSERT_TRUE(driver.chooseFiles({program}));
    ASSERT_TRUE(driver.waitUntil([&] { return f->text(field) == program; })) << choosers[i].title;
    ASSERT_TRUE(driver.press(f, button));
    ASSERT_TRUE(driver.waitForFileDialog());
    ASSERT_TRUE(driver.cancelFileDialog());
    driver.pump();
    EXPECT_EQ(f->text(field), program) << choosers[i].title;
  }
  driver.close(f);
  driver.close(b);
}

// The launcher reads the field back as the one path picked; quoted, switches may follow it.
TEST_F(ControlSetupTest, APickedPathWithABlankIsWrittenToBeReadBackWhole) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("my tools"));
  const std::string folder = (dir.path() + "/my tools/").toStdString();
  ASSERT_LT(folder.size(), 90u);
  const std::string tool = folder + "tool";
  // Quoted it would not fit the field: as it stands, the whole of it still names the file.
  const std::string longest = folder + std::string(100 - folder.size(), 'x');
  const struct {
    std::string picked;
    std::string written;
  } cases[] = {{tool, "\"" + tool + "\""}, {longest, longest}};
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  ASSERT_TRUE(driver.press(b, cInsert));
  rt::Window* f = driver.waitForWindow("controlpanel");
  ASSERT_TRUE(f);
  const int field = controlOf(f, EDI.MYUSER1.data);
  ASSERT_TRUE(driver.selectTab(f, 1, 8));
  for (const auto& c : cases) {
    QFile file(QString::fromStdString(c.picked));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(driver.press(f, cFirstChooser + 6));
    ASSERT_TRUE(driver.waitForFileDialog());
    ASSERT_TRUE(driver.chooseFiles({c.picked}));
    ASSERT_TRUE(driver.waitUntil([&] { return f->text(field) == c.written; })) << f->text(field);
  }
  driver.close(f);
  driver.close(b);
}

TEST_F(ControlSetupTest, ConfiguringWhileTheLauncherIsOpenShowsCpwarn) {
  rt::Window* launcher = open(&cpanel2, "cpanel2");
  ASSERT_TRUE(launcher);
  driver.start(&ConfigureControlPanel, 25000, "ConfigureControlPanel");
  rt::Window* warn = driver.waitForWindow("cpwarn");
  ASSERT_TRUE(warn);
  EXPECT_EQ(driver.text(warn, 1),
            "You must CLOSE the Control Panel before configuring it.  Thank you.");
  EXPECT_EQ(driver.find("browsecpanel"), nullptr);
  ASSERT_TRUE(driver.press(warn, 2));
  ASSERT_TRUE(driver.waitForClose("cpwarn"));
  EXPECT_EQ(driver.find("browsecpanel"), nullptr);

  driver.close(launcher);
  ASSERT_TRUE(driver.waitForClose("cpanel2"));
  driver.start(&ConfigureControlPanel, 25000, "ConfigureControlPanel");
  rt::Window* b = driver.waitForWindow("browsecpanel");
  ASSERT_TRUE(b);
  driver.close(b);
}

}  // namespace
