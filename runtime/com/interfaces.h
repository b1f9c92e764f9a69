#pragma once
// The component model's interfaces as abstract classes. Virtual slots follow
// the platform's published order and carry no virtual destructors: an object
// goes away through Release, never through delete on an interface pointer.
// Names and strings cross as UTF-8 (`const char*`, std::string); automation
// values cross as com::Variant. Interface identities are the published ones.
//
// IOleObject, IOleClientSite and IOleWindow keep the platform's identities and
// relative slot order but carry only the members a control host needs; the
// compound-document members (monikers, data transfer, advise holders, verbs
// enumeration, colour schemes) have no use here.
#include <cstdint>
#include <string>

#include "runtime/automation/guid.h"
#include "runtime/automation/hresult.h"
#include "runtime/formats/type_description.h"
#include "runtime/automation/variant.h"

class QWidget;

namespace com {

using ULONG = uint32_t;
using LCID = uint32_t;
using BOOL = int32_t;  // the platform's 32-bit truth value: 0 false, non-zero true

// ---------------------------------------------------------------- identities

inline constexpr GUID MakeStdGuid(uint32_t d1) { return MakeGuid(d1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}); }

// IID_IUnknown and IID_IDispatch stand in type_description.h.
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr IID IID_IClassFactory = MakeStdGuid(0x00000001);
inline constexpr IID IID_IPersist = MakeStdGuid(0x0000010C);
inline constexpr IID IID_IOleObject = MakeStdGuid(0x00000112);
inline constexpr IID IID_IOleWindow = MakeStdGuid(0x00000114);
inline constexpr IID IID_IOleClientSite = MakeStdGuid(0x00000118);
inline constexpr IID IID_IConnectionPointContainer =
    MakeGuid(0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07});
inline constexpr IID IID_IEnumConnectionPoints =
    MakeGuid(0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07});
inline constexpr IID IID_IConnectionPoint =
    MakeGuid(0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07});
inline constexpr IID IID_IEnumConnections =
    MakeGuid(0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07});
inline constexpr IID IID_IPropertyNotifySink =
    MakeGuid(0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07});
inline constexpr IID IID_IPersistPropertyBag =
    MakeGuid(0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51});
inline constexpr IID IID_IPropertyBag =
    MakeGuid(0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51});
inline constexpr IID IID_IErrorLog =
    MakeGuid(0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51});

// The automation marshaller, registered as the proxy/stub of dual and
// dispatch-only interfaces.
inline constexpr CLSID CLSID_PSOAInterface = MakeStdGuid(0x00020424);

// ---------------------------------------------------------------- constants

inline constexpr uint16_t DISPATCH_METHOD = 0x1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 0x2;
inline constexpr uint16_t DISPATCH_PROPERTYPUT = 0x4;
inline constexpr uint16_t DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_AMBIENT_USERMODE = -709;

// OLEMISC bits of a class's misc-status word.
inline constexpr uint32_t OLEMISC_RECOMPOSEONRESIZE = 0x1;
inline constexpr uint32_t OLEMISC_CANTLINKINSIDE = 0x10;
inline constexpr uint32_t OLEMISC_INSIDEOUT = 0x80;
inline constexpr uint32_t OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
inline constexpr uint32_t OLEMISC_INVISIBLEATRUNTIME = 0x400;
inline constexpr uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;

inline constexpr uint32_t DVASPECT_CONTENT = 1;

// IOleObject::Close options.
inline constexpr uint32_t OLECLOSE_SAVEIFDIRTY = 0;
inline constexpr uint32_t OLECLOSE_NOSAVE = 1;
inline constexpr uint32_t OLECLOSE_PROMPTSAVE = 2;

// An extent in HIMETRIC (1/100 mm).
struct SIZEL {
  int32_t cx = 0;
  int32_t cy = 0;
};

// ---------------------------------------------------------------- records

struct DISPPARAMS {
  Variant* rgvarg = nullptr;             // arguments, last one first
  DISPID* rgdispidNamedArgs = nullptr;   // identities of the named arguments
  uint32_t cArgs = 0;
  uint32_t cNamedArgs = 0;
};

struct EXCEPINFO {
  uint16_t wCode = 0;
  uint16_t wReserved = 0;
  std::string bstrSource;
  std::string bstrDescription;
  std::string bstrHelpFile;
  uint32_t dwHelpContext = 0;
  void* pvReserved = nullptr;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
  HRESULT scode = S_OK;
};

struct CONNECTDATA {
  struct IUnknown* pUnk = nullptr;
  uint32_t dwCookie = 0;
};

// ---------------------------------------------------------------- interfaces

struct IUnknown {
  static constexpr const IID& kIID = IID_IUnknown;
  virtual HRESULT QueryInterface(const IID& riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct ITypeInfo;  // type information comes from the module's binary library

struct IDispatch : IUnknown {
  static constexpr const IID& kIID = IID_IDispatch;
  virtual HRESULT GetTypeInfoCount(uint32_t* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(uint32_t iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT GetIDsOfNames(const IID& riid, const char* const* rgszNames, uint32_t cNames, LCID lcid,
                                DISPID* rgDispId) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, uint16_t wFlags,
                         DISPPARAMS* pDispParams, Variant* pVarResult, EXCEPINFO* pExcepInfo,
                         uint32_t* puArgErr) = 0;

 protected:
  ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
  static constexpr const IID& kIID = IID_IClassFactory;
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, const IID& riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(BOOL fLock) = 0;

 protected:
  ~IClassFactory() = default;
};

struct IConnectionPointContainer;

struct IEnumConnections : IUnknown {
  static constexpr const IID& kIID = IID_IEnumConnections;
  virtual HRESULT Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** ppEnum) = 0;

 protected:
  ~IEnumConnections() = default;
};

struct IConnectionPoint : IUnknown {
  static constexpr const IID& kIID = IID_IConnectionPoint;
  virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
  virtual HRESULT Advise(IUnknown* pUnkSink, uint32_t* pdwCookie) = 0;
  virtual HRESULT Unadvise(uint32_t dwCookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;

 protected:
  ~IConnectionPoint() = default;
};

struct IEnumConnectionPoints : IUnknown {
  static constexpr const IID& kIID = IID_IEnumConnectionPoints;
  virtual HRESULT Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** ppEnum) = 0;

 protected:
  ~IEnumConnectionPoints() = default;
};

struct IConnectionPointContainer : IUnknown {
  static constexpr const IID& kIID = IID_IConnectionPointContainer;
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
  virtual HRESULT FindConnectionPoint(const IID& riid, IConnectionPoint** ppCP) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

struct IPropertyNotifySink : IUnknown {
  static constexpr const IID& kIID = IID_IPropertyNotifySink;
  virtual HRESULT OnChanged(DISPID dispID) = 0;
  virtual HRESULT OnRequestEdit(DISPID dispID) = 0;

 protected:
  ~IPropertyNotifySink() = default;
};

struct IErrorLog : IUnknown {
  static constexpr const IID& kIID = IID_IErrorLog;
  virtual HRESULT AddError(const char* pszPropName, EXCEPINFO* pExcepInfo) = 0;

 protected:
  ~IErrorLog() = default;
};

// Implemented by the container: the control's saved properties by name.
struct IPropertyBag : IUnknown {
  static constexpr const IID& kIID = IID_IPropertyBag;
  // Reads into *pVar; E_INVALIDARG when the bag holds no such property.
  virtual HRESULT Read(const char* pszPropName, Variant* pVar, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Write(const char* pszPropName, Variant* pVar) = 0;

 protected:
  ~IPropertyBag() = default;
};

struct IPersist : IUnknown {
  static constexpr const IID& kIID = IID_IPersist;
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistPropertyBag : IPersist {
  static constexpr const IID& kIID = IID_IPersistPropertyBag;
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) = 0;

 protected:
  ~IPersistPropertyBag() = default;
};

// The host's side of a placed control. Ambient properties (UserMode, DISPID
// -709) are read through the site's IDispatch, as the platform does.
struct IOleClientSite : IUnknown {
  static constexpr const IID& kIID = IID_IOleClientSite;
  virtual HRESULT SaveObject() = 0;
  virtual HRESULT ShowObject() = 0;
  virtual HRESULT OnShowWindow(BOOL fShow) = 0;
  // The control wants another size; the host asks IOleObject::GetExtent.
  virtual HRESULT RequestNewObjectLayout() = 0;

 protected:
  ~IOleClientSite() = default;
};

// The control's side of placement.
struct IOleObject : IUnknown {
  static constexpr const IID& kIID = IID_IOleObject;
  virtual HRESULT SetClientSite(IOleClientSite* pClientSite) = 0;
  virtual HRESULT GetClientSite(IOleClientSite** ppClientSite) = 0;
  virtual HRESULT Close(uint32_t dwSaveOption) = 0;
  virtual HRESULT GetUserClassID(CLSID* pClsid) = 0;
  virtual HRESULT SetExtent(uint32_t dwDrawAspect, SIZEL* psizel) = 0;
  virtual HRESULT GetExtent(uint32_t dwDrawAspect, SIZEL* psizel) = 0;
  virtual HRESULT GetMiscStatus(uint32_t dwAspect, uint32_t* pdwStatus) = 0;

 protected:
  ~IOleObject() = default;
};

// The control's window, for the host to parent and place.
struct IOleWindow : IUnknown {
  static constexpr const IID& kIID = IID_IOleWindow;
  virtual HRESULT GetWindow(QWidget** ppWidget) = 0;

 protected:
  ~IOleWindow() = default;
};

}  // namespace com
