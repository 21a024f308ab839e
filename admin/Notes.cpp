#include "admin/Notes.h"

#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseNotes",
      .title = "Notes File",
      .controls =
          {
              BrowseListRow(1),
              {2, K::Button, "&Select"},
              InsertRow(3),
              ChangeRow(4),
              DeleteRow(5),
              {6, K::Sheet},
              {7, K::Tab, "Browsing Records", 6},
              {8, K::Button, "&Print Notes", 0, nullptr, "",
               "Print notes in DATE order.  Use \"Pages To Print\"\n"
               "in print preview to select the date ranges of notes\n"
               "you wish to actually print on paper.\n"
               "(All notes are shown in preview mode.)"},
              CloseRow(9),
              {10, K::Button, "Help"},
          },
      .buttons = {{2, B::Select},
                  {3, B::Insert},
                  {4, B::Change},
                  {5, B::Delete},
                  {8, B::Print},
                  {9, B::Close},
                  {10, B::Help}},
      .lists = {{
          .control = 1,
          .file = &dnotes,
          .format = "34C(2)|MJ~Reminder~R@s1@46R(2)|M~Date~C(0)@d17@218L(2)|M~Topic~@s60@",
          .fields = {"DNO:REMINDER", "DNO:DATE", "DNO:TOPIC"},
          // The start-up scan sets `ding`: then only the reminder notes show.
          .orders = {{.key = "DNO:pages",
                      .appended = "dno:date",
                      .filter = "(dno:reminder=ding)",
                      .when = "ding='Y'"},
                     {.key = "DNO:pages", .locatorField = "DNO:REMINDER"}},
          .otherOrder = 1,
          .update = 1,
          .print = 2,
          .layouts = rt::LayoutKeeping::F9Switch,
          .icons = {{0, "~note5A.ico", "dno:reminder='Y'"}},
      }},
      .children = {{1, &Updatednotes}, {2, nullptr, "printnote"}},
      .relations = {&DnotesRelations},
  };
  return t;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "Updatednotes",
      .title = "Notes To Myself",
      .controls =
          {
              {1, K::Image, "", 0, nullptr, "", "", "notepad.ico"},
              {2, K::Prompt, "Topic:"},
              {3, K::Entry, "", 0, "DNO:TOPIC", "@s60"},
              {4, K::Text, "", 0, "DNO:MainMemo", "", "The note itself."},
              {5, K::Prompt, "Date:"},
              {6, K::Entry, "", 0, "DNO:DATE", "@d17",
               "Usually this is the date you entered the note."},
              {7, K::Check, "Use as a Reminder?", 0, "DNO:REMINDER", "",
               "Is this note to be used as a reminder?"},
              {8, K::Image, "", 0, nullptr, "", "", "~note5A.ico"},
              {9, K::Prompt, "(Reminders will pop-up when program is started.)"},
              {10, K::Button, "OK"},
              {11, K::Button, "Cancel"},
              {12, K::Button, "Help"},
          },
      .buttons = {{10, B::Ok}, {11, B::Cancel}, {12, B::Help}},
      .relations = {&DnotesRelations},
      .manager = &DnotesManager,
      .actionTexts = {.insert = "Adding a Notes Record",
                      .change = "Changing a Notes Record",
                      .remove = "",
                      .view = ""},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"BrowseNotes", &browseTable},
                                         {"Updatednotes", &formTable}};

// The close box and Close both end the reminder-only showing.
class NotesBrowse : public rt::TableBrowse {
 public:
  NotesBrowse() : TableBrowse(browseTable()) {}

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = TableBrowse::OnWindowEvent();
    if (eventKind() == rt::EventKind::CloseWindow) ding.clear();
    return f;
  }
};

}  // namespace

void BrowseNotes() {
  NotesBrowse w;
  w.Run();
}

void Updatednotes() {
  rt::TableForm w(formTable());
  w.Run();
}
