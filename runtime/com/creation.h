#pragma once
// Creating objects by class identity or ProgID from registered modules:
// registry (CLSID\{...}\InprocServer32, the per-user file over the machine
// one, classes_view.h) -> the module, loaded once per path
// and kept in a process-wide table -> its DllGetClassObject -> the class
// factory -> CreateInstance. Modules are unloaded only by
// CoFreeUnusedLibraries, and only when their DllCanUnloadNow agrees.
//
// The status-code functions answer REGDB_E_CLASSNOTREG (class or ProgID not
// registered), CO_E_DLLNOTFOUND (module file missing), CO_E_ERRORINDLL (not
// a module: it does not load or lacks the export) and the factory's own
// codes, and REGDB_E_READREGDB (naming the file) when either registry file
// cannot be read. The throwing forms raise platform::Error with the same code
// and a message naming the class and the file.
#include "runtime/platform/export.h"
#include <string>
#include <string_view>
#include <vector>

#include "runtime/com/com_ptr.h"
#include "runtime/automation/guid.h"
#include "runtime/automation/hresult.h"
#include "runtime/com/interfaces.h"

namespace com {

KVQMXTMR_EXPORT HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid);
KVQMXTMR_EXPORT HRESULT ProgIDFromCLSID(const CLSID& clsid, std::string* progId);
HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** ppv);
KVQMXTMR_EXPORT HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** ppv);
KVQMXTMR_EXPORT void CoFreeUnusedLibraries();

KVQMXTMR_EXPORT CLSID ClassIdFromProgId(std::string_view progId);
KVQMXTMR_EXPORT ComPtr<IClassFactory> GetClassObject(const CLSID& clsid);
KVQMXTMR_EXPORT ComPtr<IUnknown> CreateInstance(const CLSID& clsid);
KVQMXTMR_EXPORT ComPtr<IUnknown> CreateInstance(std::string_view progId);

// Absolute paths of the modules loaded now, in load order.
KVQMXTMR_EXPORT std::vector<std::string> LoadedModules();

}  // namespace com
