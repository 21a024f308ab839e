// The page reader's procedures that its menus start and its page form's lists call by name.
// The reading and the page deletion are registered by their own folders.
#include "common/Procedures.h"

#include "common/Splash.h"
#include "reader/DomainPrompt.h"
#include "reader/PageWindows.h"

namespace {

const ProcedureRegistration procedures{
    {"BrowseChooser", kLargeStack, &reader::BrowseChooser},
    {"UpdateWebPages", kLargeStack, &reader::UpdateWebPages},
    {"UpdateWPMeta", kLargeStack, &reader::UpdateWPMeta},
    {"UpdateWPLinks", kLargeStack, &reader::UpdateWPLinks},
    {"UpdateWPForm", kLargeStack, &reader::UpdateWPForm},
    {"UpdateWPIMG", kLargeStack, &reader::UpdateWPIMG},
    {"UpdateWPScripts", kLargeStack, &reader::UpdateWPScripts},
    {"splash", kSmallStack, &splash},
};

}  // namespace
