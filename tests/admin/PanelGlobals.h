// The launcher's globals as an empty working directory leaves them.
#pragma once

#include "dictionary/Globals.h"

namespace paneltest {

inline void blankPanelGlobals() {
  for (auto* s : {&grphx, &brwsr, &txted, &fftp, &mail, &usr1, &usr2, &usr3, &usr4}) s->clear();
  html.clear();
  for (auto* s : {&ubut1, &ubut2, &ubut3}) s->clear();
  ubut4.clear();
}

}  // namespace paneltest
