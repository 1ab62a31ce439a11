// The single instance of the shared record, statically initialised when the module loads.
#include "core/plugin_state.h"

PluginState gState;
