// DllCanUnloadNow, DllGetClassObject, DllRegisterServer, DllUnregisterServer
// and the load/unload notifications, each passing its arguments, the project
// descriptor and the module's two storage words to the runtime unchanged.
#include "controls/module/project.h"
#include "runtime/com/module_exports.h"

COM_MODULE_EXPORTS(dialfen::Project)
