#pragma once
// The exports of a component module, as forwarders to the module services.
// A module names the function that returns its descriptor, once, in one of
// its source files:
//
//   const com::ProjectDescriptor& Project();
//   COM_MODULE_EXPORTS(Project)
//
// This defines DllCanUnloadNow, DllGetClassObject, DllRegisterServer and
// DllUnregisterServer (C linkage, default visibility), the module's two
// storage words, and the load/unload notifications (run as the module's
// constructor and destructor) that pass the module handle to ModuleEntry.
//
// Build modules with -fno-gnu-unique: g++ otherwise turns function-local
// statics of inline functions and templates into unique symbols, and the
// dynamic loader never unloads a library that has one, so
// CoFreeUnusedLibraries could not unload the module.
#include "runtime/com/module.h"

#define COM_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

#define COM_MODULE_EXPORTS(ProjectFunction)                                                               \
  namespace {                                                                                             \
  com::ModuleWord g_comModuleWord1{0};                                                                    \
  com::ModuleWord g_comModuleWord2{0};                                                                    \
  __attribute__((constructor)) void ComModuleAttach() {                                                   \
    com::ModuleEntry(com::ModuleHandleOf(&g_comModuleWord1), com::DLL_PROCESS_ATTACH, nullptr,            \
                     &g_comModuleWord1, &g_comModuleWord2);                                               \
  }                                                                                                       \
  __attribute__((destructor)) void ComModuleDetach() {                                                    \
    com::ModuleEntry(com::ModuleHandleOf(&g_comModuleWord1), com::DLL_PROCESS_DETACH, nullptr,            \
                     &g_comModuleWord1, &g_comModuleWord2);                                               \
  }                                                                                                       \
  }                                                                                                       \
  COM_MODULE_EXPORT com::HRESULT DllCanUnloadNow() { return com::ModuleDllCanUnloadNow(ProjectFunction()); } \
  COM_MODULE_EXPORT com::HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid, void** ppv) { \
    return com::ModuleDllGetClassObject(clsid, iid, ppv, ProjectFunction(), &g_comModuleWord1,            \
                                        &g_comModuleWord2);                                               \
  }                                                                                                       \
  COM_MODULE_EXPORT com::HRESULT DllRegisterServer() {                                                    \
    return com::ModuleDllRegisterServer(ProjectFunction(), &g_comModuleWord1, &g_comModuleWord2);         \
  }                                                                                                       \
  COM_MODULE_EXPORT com::HRESULT DllUnregisterServer() {                                                  \
    return com::ModuleDllUnregisterServer(ProjectFunction(), &g_comModuleWord1, &g_comModuleWord2);       \
  }
