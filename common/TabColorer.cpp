#include "common/TabColorer.h"

#include "runtime/ui/Window.h"

namespace {

constexpr long kBoldOn = 0x2BC;   // 700
constexpr long kBoldOff = 0x1BC;  // cleared as the mask FFFFFE43h

}  // namespace

void TabColorer::Init(rt::Window& window, long selTabCol, long selTextCol, long boldSelected,
                      long unselTabCol, long unselTextCol, long noWizard, long inclChild) {
  window_ = &window;
  TABQ = std::make_unique<TabColorerQueue>();
  CHILDQ = std::make_unique<TabColorerQueue>();
  SELTABCOL = selTabCol;
  SELTEXTCOL = selTextCol;
  BOLDSELECTED = boldSelected;
  UNSELTABCOL = unselTabCol;
  UNSELTEXTCOL = unselTextCol;
  NOWIZARD = noWizard;
  INCLCHILD = inclChild;
  for (int feq : window.controls()) {
    const int parent = window.parentOf(feq);
    if (parent == 0) continue;
    const TabColorerEntry entry{feq, parent, window.parentOf(parent)};
    if (window.controlKind(feq) == rt::ControlKind::Tab) TABQ->push_back(entry);
    if (INCLCHILD && window.controlKind(parent) == rt::ControlKind::Tab) CHILDQ->push_back(entry);
  }
}

void TabColorer::paintQueue(const TabColorerQueue& q, bool tabs) {
  for (const TabColorerEntry& e : q) {
    const int sheet = static_cast<int>(tabs ? e.PARENTFEQ : e.GRANDPARENTFEQ);
    const long tab = tabs ? e.FEQ : e.PARENTFEQ;
    if (NOWIZARD && window_->wizard(sheet)) continue;
    if (window_->currentTabControl(sheet) == tab)
      PaintSelected(e.FEQ);
    else
      PaintUnselected(e.FEQ);
  }
}

void TabColorer::Refresh() {
  if (!window_ || !TABQ || TABQ->empty()) return;
  paintQueue(*TABQ, true);
  if (CHILDQ && !CHILDQ->empty() && INCLCHILD) {
    // Controls on a tab take its colours but never its bold text.
    const long bold = BOLDSELECTED;
    BOLDSELECTED = 0;
    paintQueue(*CHILDQ, false);
    BOLDSELECTED = bold;
  }
  window_->displayControls();
}

void TabColorer::PaintSelected(long feq) {
  const int c = static_cast<int>(feq);
  window_->setFillColor(c, SELTABCOL);
  window_->setFontColor(c, SELTEXTCOL);
  if (BOLDSELECTED) window_->setFontStyle(c, window_->fontStyle(c) | kBoldOn);
}

void TabColorer::PaintUnselected(long feq) {
  const int c = static_cast<int>(feq);
  window_->setFillColor(c, UNSELTABCOL);
  window_->setFontColor(c, UNSELTEXTCOL);
  if (BOLDSELECTED) window_->setFontStyle(c, window_->fontStyle(c) & ~kBoldOff);
}

void TabColorer::Kill() {
  TABQ.reset();
  CHILDQ.reset();
  window_ = nullptr;
}
