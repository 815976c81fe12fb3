// The program's resource table.
#include "res/resources.h"
#include "res/tables.h"

namespace res {

const platform::Module& lirvaneModule() {
    static const platform::Module module{dialogTemplates(), menuTemplates(), iconTemplates()};
    return module;
}

}  // namespace res
