#include "reader/Main.h"

#include "common/Frame.h"
#include "dictionary/Globals.h"

namespace reader {

namespace {

using frame::Act;

constexpr char kPages[] = "&Read and Manage WebPages";
constexpr char kHelp[] = "&Help";

const frame::Item kItems[] = {
    {item::PrintSetup, "&File", "&Print Setup ...", "", "", Act::PrintSetup, "", nullptr},
    {item::Exit, "&File", "E&xit", "", "", Act::Exit, "", nullptr},
    {-5, "&Edit", "Cu&t", "", "", Act::Edit, "Cut", nullptr},
    {-6, "&Edit", "&Copy", "", "", Act::Edit, "Copy", nullptr},
    {-7, "&Edit", "&Paste", "", "", Act::Edit, "Paste", nullptr},
    {item::ReadPages, kPages, "&Speed Read Pages", "", "", Act::Start, "readpages", nullptr},
    {item::BrowsePages, kPages, "Browse WebPages", "Browse the WebPages file", "", Act::Start,
     "BrowseChooser", nullptr},
    {item::DeletePages, kPages, "Delete WebPages By Domain", "", "", Act::Start, "delpages",
     nullptr},
    {-20, "&Window", "T&ile", "", "", Act::Tile, "", nullptr},
    {-21, "&Window", "&Cascade", "", "", Act::Cascade, "", nullptr},
    {-22, "&Window", "&Arrange Icons", "", "", Act::Arrange, "", nullptr},
    {item::Contents, kHelp, "&Contents", "", "", Act::Run,
     "winhelp.exe -i SondrelProgram tarnwick.hlp", nullptr},
    {-31, kHelp, "&Search for Help On...", "", "", Act::HelpSearch, "", nullptr},
    {-32, kHelp, "&How to Use Help", "", "", Act::Help, "usinghelp", nullptr},
    {item::About, kHelp, "About Tarnwick", "", "", Act::Start, "splash", nullptr},
};

rt::WindowDesc frameDesc() {
  return frame::Describe("Tarnwick Sondrel Program", "sondrel.gif", 800, 600,
                         frame::Menus(kItems, nullptr));
}

}  // namespace

void Main() {
  frame::FrameController frame(frameDesc(), kItems, "~tw.ico");
  CallResponse = static_cast<std::uint8_t>(frame.Run());
}

}  // namespace reader
