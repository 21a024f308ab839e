// Colours the tabs of every sheet of a window: the showing tab cream with bold red text,
// the others khaki with blue text; the controls on a tab take their tab's colours.
#pragma once

#include <memory>
#include <vector>

namespace rt {
class Window;
}

struct TabColorerEntry {
  long FEQ = 0;             // the control
  long PARENTFEQ = 0;       // its tab (CHILDQ) or sheet (TABQ)
  long GRANDPARENTFEQ = 0;  // the sheet (CHILDQ) or the sheet's parent (TABQ)
};
using TabColorerQueue = std::vector<TabColorerEntry>;

class TabColorer {
 public:
  // The settings every window passes.
  static constexpr long kSelTab = 0xDEF5F8;
  static constexpr long kSelText = 0x0000FF;
  static constexpr long kUnselTab = 0x8FDCE7;
  static constexpr long kUnselText = 0xFF0000;

  void Init(rt::Window& window, long selTabCol, long selTextCol, long boldSelected,
            long unselTabCol, long unselTextCol, long noWizard, long inclChild);
  // Init with the settings every window passes.
  void Init(rt::Window& window) { Init(window, kSelTab, kSelText, 1, kUnselTab, kUnselText, 0, 1); }
  void Refresh();
  void Kill();

  // Painting one control as the showing tab or as another tab.
  void PaintSelected(long feq);
  void PaintUnselected(long feq);

  std::unique_ptr<TabColorerQueue> TABQ;
  std::unique_ptr<TabColorerQueue> CHILDQ;
  long SELTABCOL = 0;
  long SELTEXTCOL = 0;
  long UNSELTABCOL = 0;
  long UNSELTEXTCOL = 0;
  long BOLDSELECTED = 0;
  long NOWIZARD = 0;
  long INCLCHILD = 0;

 private:
  void paintQueue(const TabColorerQueue& q, bool tabs);
  rt::Window* window_ = nullptr;
};
