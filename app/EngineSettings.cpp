#include "app/EngineSettings.h"

#include "db/sql/MemoryBudget.h"
#include "settings/xAppRegistry.h"

namespace EngineSettings {

void Apply(TxAppRegistry *registry)
{
    int megabytes = 0;
    if (registry) {
        try {
            megabytes = registry->ReadInteger(Section, MemoryBudgetValue, 0);
        } catch (const Exception &) {
            megabytes = 0; // not a number: the default holds
        }
    }
    TMemoryBudget::SetLimit(qint64(megabytes) << 20);
}

} // namespace EngineSettings
