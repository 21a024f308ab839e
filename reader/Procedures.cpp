// The page reader's procedures that its menus start and its page form's lists call by name.
// The reading registers itself beside its window.
#include "common/Procedures.h"

#include <cstdint>

#include "common/Splash.h"
#include "pages/PageMaintenance.h"
#include "reader/DomainPrompt.h"
#include "reader/PageWindows.h"

namespace reader {

// The reader counts the pages it deletes in a LONG of its own, not in tarnwick's SHORT.
std::int32_t pagecount = 0;

void delpages() {
  RunPageDeletion(ReaderPageDeletion(pagecount));
}

}  // namespace reader

namespace {

const ProcedureRegistration procedures{
    {"BrowseChooser", kLargeStack, &reader::BrowseChooser},
    {"UpdateWebPages", kLargeStack, &reader::UpdateWebPages},
    {"UpdateWPMeta", kLargeStack, &reader::UpdateWPMeta},
    {"UpdateWPLinks", kLargeStack, &reader::UpdateWPLinks},
    {"UpdateWPForm", kLargeStack, &reader::UpdateWPForm},
    {"UpdateWPIMG", kLargeStack, &reader::UpdateWPIMG},
    {"UpdateWPScripts", kLargeStack, &reader::UpdateWPScripts},
    {"delpages", kSmallStack, &reader::delpages},
    {"splash", kSmallStack, &splash},
};

}  // namespace
