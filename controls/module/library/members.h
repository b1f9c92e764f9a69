#pragma once
// The members of the controls' automation interfaces, each written once.
//
// A property row names the property (the control's accessors are get_Name and
// put_Name), its DISPID (get and put share it), its automation type
// (member_types.h), the name of its put's parameter in the type library, and
// whether the property is Bindable (persisted, its put announces the change
// to the container; marked so in the type library, where hosts learn it) or
// Plain (neither).
// Rows stand in declaration order, which is also the order of the dual
// vtables' slots (a get, then its put). An event row names the event and its
// DISPID on the event interface; events have no parameters.
//
// Every listing of the members is an expansion of these tables: the DISPID
// constants (identities.h), the type library's description
// (dialfen_library.cpp), the dual interfaces (dual_interfaces.h), the
// tear-offs and dispatch maps that bind them to the controls
// (meter_class.cpp, fasttimer_class.cpp), and the demo's calls
// (demo/control_calls.h). Hosts and registries keep these values: change
// nothing once a build has been registered.

#define KV_DISPVU_PROPERTIES(PROPERTY)                                            \
  PROPERTY(DisplayMode, 0x68030007, DisplayModeEnum, New_DisplayMode, Bindable)  \
  PROPERTY(SetDispVolumeStep, 0x68030006, Long, New_SetDispVolumeStep, Bindable) \
  PROPERTY(SetDispDelay, 0x68030005, Long, New_SetDispDelay, Bindable)           \
  PROPERTY(GetPeekData, 0x68030004, Long, New_GetPeekData, Bindable)

#define KV_QMXFASTMR_PROPERTIES(PROPERTY)                     \
  PROPERTY(Enabled, 0x68030001, Boolean, SetEnabledTo, Plain) \
  PROPERTY(SleepDelay, 0x68030000, Long, New_Sleep, Bindable)

#define KV_QMXFASTMR_EVENTS(EVENT) EVENT(QmxTimer, 1)
