// Handlers of the map and movement commands.
#include "interpreter/LGD_Scripter.h"

namespace kestra::scripter {

std::vector<THandlerEntry> MapHandlers() {
    return {};
}

} // namespace kestra::scripter
