#include "UpdateHooks.h"
#include "UpdateModuleEntry.h"
#include "platform/BundledModule.h"

namespace velkor {

UpdateHooks loadBundledUpdateHooks() {
    UpdateHooks hooks;
    const auto make = platform::resolveBundledEntry<VelkorMakeUpdateHooks>(
        QStringLiteral("velkor_update"), "velkorMakeUpdateHooks");
    if (make) {
        make(&hooks);
    }
    return hooks;
}

} // namespace velkor
