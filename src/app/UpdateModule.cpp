// The update module: the self-update client and its sheet, loaded once the window is up, so the
// libraries they need (Qt Network, OpenSSL, libarchive, libplist) do not lengthen the start.
#include "UpdateHooks.h"
#include "UpdateModuleEntry.h"

extern "C" Q_DECL_EXPORT void velkorMakeUpdateHooks(velkor::UpdateHooks* hooks) {
    *hooks = velkor::makeUpdateHooks();
}
