// Windows described in code: the kind of window, its controls with their numbers, texts,
// pictures, tips and help ids, its menus and toolbar. Layout is automatic unless a control
// fixes its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

enum class WindowKind { MdiFrame, MdiChild, Dialog, Plain };

enum class ControlKind {
  Prompt,
  Entry,  // one line, shown and parsed through its picture
  Text,   // several lines (a memo)
  Button,
  Check,   // holds trueValue / falseValue
  Option,  // a group of Radio controls; holds the stored value of the chosen one
  Radio,
  List,
  DropList,  // items "a|b|c"; holds the chosen text
  Sheet,     // tabs are its children
  Tab,
  Image,
  Progress,
  Region,
  Group,
};

// Font style bits: the weight (100..900) in the low bits, then the style flags.
namespace fontstyle {
inline constexpr long Regular = 400;
inline constexpr long Bold = 700;
inline constexpr long Italic = 0x1000;
inline constexpr long Underline = 0x2000;
inline constexpr long Strikeout = 0x4000;
inline constexpr long WeightMask = 0x0FFF;
}  // namespace fontstyle

inline constexpr long kColorNone = -1;  // colours are 0BBGGRRh, -1 the default

struct ControlDesc {
  int number = 0;
  ControlKind kind = ControlKind::Prompt;
  std::string text;     // caption, or a button's / prompt's text with "&" for its key
  std::string picture;  // entries: "@s20", "@n10.2", "@d2", ...
  std::string tip;      // tooltip
  std::string status;   // shown in the window's status bar while the control has the focus
  std::string help;     // help id (a page of the help book)
  std::string icon;     // buttons and images: ":/name" resource first, then the file
  int parent = 0;       // the sheet of a tab, the tab or group a control stands on
  std::string trueValue = "1", falseValue = "0";  // check boxes
  std::string value;                              // a radio's stored value
  std::string items;                              // drop lists and simple lists: "a|b|c"
  bool okButton = false;                          // completes the window's request
  bool cancelButton = false;                      // closes the window without completing
  bool helpButton = false;                        // opens the window's help page
  bool defaultButton = false;
  bool readOnly = false;
  bool disabled = false;
  bool hidden = false;
  bool wizard = false;                      // sheets: tabs hidden, pages changed by the program
  bool link = false;                        // entries that look like a link and act on a click
  bool wordWrap = false;                    // prompts: the text wraps inside its width
  std::string font;                         // "Arial Black", ...; blank = the window's font
  int fontSize = 0;                         // points; 0 = the window's size
  int rangeLow = 0, rangeHigh = 100;        // progress bars
  int x = 0, y = 0, width = 0, height = 0;  // pixels; width 0 = automatic
};

// A field the program only shows: passed over by Tab and drawn apart from typed fields.
inline bool onlyShows(const ControlDesc& c) {
  return c.readOnly && (c.kind == ControlKind::Entry || c.kind == ControlKind::Text);
}

struct MenuDesc {
  int number = 0;  // 0 for a separator or a submenu title
  std::string text;
  std::string tip;       // shown in the status bar
  std::string shortcut;  // "F5", "Ctrl+X"
  bool check = false;
  bool checked = false;
  bool disabled = false;
  bool separator = false;
  std::vector<MenuDesc> items;  // a submenu when not empty

  static MenuDesc item(int number, std::string text, std::string tip = {},
                       std::string shortcut = {}) {
    MenuDesc m;
    m.number = number;
    m.text = std::move(text);
    m.tip = std::move(tip);
    m.shortcut = std::move(shortcut);
    return m;
  }
  static MenuDesc menu(std::string text, std::vector<MenuDesc> items) {
    MenuDesc m;
    m.text = std::move(text);
    m.items = std::move(items);
    return m;
  }
  static MenuDesc line() {
    MenuDesc m;
    m.separator = true;
    return m;
  }
};

struct ToolDesc {
  int number = 0;
  std::string text;
  std::string tip;
  std::string icon = {};
};

struct WindowDesc {
  WindowKind kind = WindowKind::MdiChild;
  std::string title;
  std::string icon;
  std::string font;  // "MS Sans Serif" = the desktop's default
  std::vector<ControlDesc> controls;
  std::vector<MenuDesc> menus;  // frames: the menu bar
  std::vector<ToolDesc> tools;  // frames: the toolbar
  std::string background;       // frames: a JPEG picture behind the child windows
  bool statusBar = false;
  bool resizable = true;
  int width = 0, height = 0;  // the designed size; 0 = what the layout needs

  // Builders that keep descriptions short.
  ControlDesc& add(ControlKind kind, int number, std::string text = {}, int parent = 0) {
    ControlDesc c;
    c.kind = kind;
    c.number = number;
    c.text = std::move(text);
    c.parent = parent;
    controls.push_back(std::move(c));
    return controls.back();
  }
  ControlDesc& entry(int number, std::string picture, int parent = 0) {
    ControlDesc& c = add(ControlKind::Entry, number, {}, parent);
    c.picture = std::move(picture);
    return c;
  }
};

}  // namespace rt
