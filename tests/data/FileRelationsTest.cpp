// Relation managers over small files: opening and closing a ring of related files once
// each, and what the cascade leaves alone.
#include <sys/stat.h>

#include <fstream>

#include "DataTestSupport.h"
#include "runtime/data/FileRelations.h"

namespace rt::testing {
namespace {

// Parent Tests (name) -> child Kids (host = parent's name) -> grandchild Grand (host).
class RelationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    defaultReporter().clear();
    defaultReporter().answer = Answer::Yes;
    setErrorReporter(nullptr);
    pm.Init(*parent.file, "Parents");
    cm.Init(*child.file, "Kids");
    gm.Init(*grand.file, "Grand");
    pr.Init(pm);
    cr.Init(cm);
    gr.Init(gm);
    pr.AddRelation(cr, kHost, {{0, 1}});
    cr.AddRelation(pr);
    cr.AddRelation(gr, kHost, {{0, 1}});
    gr.AddRelation(cr);
  }
  void TearDown() override {
    for (FileManager* m : {&pm, &cm, &gm}) m->Kill();
  }
  std::vector<std::string> names(TestFile& f) {
    f->setRecordOrder();
    return f.walk();
  }

  WorkDir dir;
  TestFile parent{"PARENTS"}, child{"KIDS"}, grand{"GRAND"};
  FileManager pm, cm, gm;
  FileRelations pr, cr, gr;
};

TEST_F(RelationsTest, OpeningThroughAnyMemberOpensTheRingOnceEach) {
  ASSERT_EQ(gr.OpenFiles(), Status::Ok);
  EXPECT_EQ(pm.openCount(), 1);
  EXPECT_EQ(cm.openCount(), 1);
  EXPECT_EQ(gm.openCount(), 1);
  ASSERT_EQ(pr.OpenFiles(), Status::Ok);
  EXPECT_EQ(gm.openCount(), 2);
  pr.CloseFiles();
  EXPECT_TRUE(grand->isOpen());
  gr.CloseFiles();
  for (auto* f : {&parent, &child, &grand}) EXPECT_FALSE((*f)->isOpen());
}

// A related file that fails to open is another window's to close, if anyone's.
TEST_F(RelationsTest, ClosingLeavesOpenWhatTheOpeningCouldNotOpen) {
  ASSERT_TRUE(parent->create());
  { std::ofstream("KIDS.db") << "not a data file"; }
  ASSERT_EQ(pr.OpenFiles(), Status::Ok);
  EXPECT_FALSE(child->isOpen());
  ASSERT_TRUE(child->create());
  ASSERT_EQ(cm.OpenFile(), Status::Ok);  // another window, once the file is mended
  pr.CloseFiles();
  EXPECT_FALSE(parent->isOpen());
  EXPECT_EQ(cm.openCount(), 1);
  EXPECT_TRUE(child->isOpen());
}

TEST_F(RelationsTest, FilesHeldElsewhereAreToldOfInOneMessageOncePerRun) {
  for (auto* f : {&parent, &child, &grand}) ASSERT_TRUE((*f)->create());
  auto openAndCount = [&] {
    defaultReporter().clear();
    EXPECT_EQ(gr.OpenFiles(), Status::Ok);
    const std::size_t n = defaultReporter().messages.size();
    gr.CloseFiles();
    return n;
  };
  {
    OtherProgram other({"PARENTS", "GRAND"});
    ASSERT_TRUE(other.holding());
    ASSERT_EQ(gr.OpenFiles(), Status::Ok);
    EXPECT_TRUE(parent->isReadOnly());
    EXPECT_FALSE(child->isReadOnly());
    EXPECT_TRUE(grand->isReadOnly());
    gr.CloseFiles();
    ASSERT_EQ(defaultReporter().messages.size(), 1u);
    const ReportedMessage& m = defaultReporter().messages[0];
    EXPECT_EQ(m.id, MessageId::AccessDenied);
    EXPECT_NE(m.text.find("Grand, Parents"), std::string::npos) << m.text;
    EXPECT_EQ(m.text.find("Kids"), std::string::npos) << m.text;
    EXPECT_EQ(openAndCount(), 0u) << "a later window does not tell again";
  }
  EXPECT_EQ(openAndCount(), 0u);
  OtherProgram again({"GRAND"});
  ASSERT_TRUE(again.holding());
  EXPECT_EQ(openAndCount(), 1u) << "held again after it was writable: told again";
}

TEST_F(RelationsTest, CascadeWalksThreeLevelsAndLeavesOtherParentsAlone) {
  ASSERT_EQ(pr.OpenFiles(), Status::Ok);
  parent.addRec("p1");
  parent.addRec("p2");
  child.addRec("k1", "P1");
  child.addRec("k2", "p2");
  child.addRec("k3", "p1");
  grand.addRec("g1", "K1");
  grand.addRec("g2", "k2");
  grand.addRec("g3", "k3");
  grand.addRec("g4", "k3");
  parent.set("p1");
  ASSERT_TRUE(parent->get(kName));
  ASSERT_EQ(pr.DeleteRecord(false), Status::Ok);
  EXPECT_EQ(names(parent), std::vector<std::string>{"p2"});
  EXPECT_EQ(names(child), std::vector<std::string>{"k2"});
  EXPECT_EQ(names(grand), std::vector<std::string>{"g2"});
  pr.CloseFiles();
}

TEST_F(RelationsTest, ParentWithABlankLinkTakesNoBlankChildren) {
  ASSERT_EQ(pr.OpenFiles(), Status::Ok);
  parent.set("");
  parent.rec.host = "x";  // in a key, so the record is reachable
  ASSERT_TRUE(parent->add());
  child.set("orphan", "");
  child.rec.date = 5;
  ASSERT_TRUE(child->add());
  parent.set("", "x");
  ASSERT_TRUE(parent->get(kHost));
  ASSERT_EQ(pr.DeleteRecord(false), Status::Ok);
  EXPECT_EQ(names(child), std::vector<std::string>{"orphan"});
  EXPECT_TRUE(names(parent).empty());
  pr.CloseFiles();
}

TEST_F(RelationsTest, DeleteWithAClosedChildFileIsRefusedWhole) {
  ASSERT_EQ(pr.OpenFiles(), Status::Ok);
  parent.addRec("p1");
  child.addRec("k1", "p1");
  ASSERT_EQ(gm.CloseFile(), Status::Ok);
  parent.set("p1");
  ASSERT_TRUE(parent->get(kName));
  EXPECT_EQ(pr.DeleteRecord(false), Status::Failed);
  EXPECT_TRUE(defaultReporter().contains(MessageId::RecordNotDeleted));
  EXPECT_EQ(names(parent), std::vector<std::string>{"p1"});
  EXPECT_EQ(names(child), std::vector<std::string>{"k1"});
  pm.CloseFile();
  cm.CloseFile();
}

}  // namespace
}  // namespace rt::testing
