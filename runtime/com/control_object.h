#pragma once
// A forms::UserControl subclass as a component object. ControlObject<Control>
// derives from the control itself, so the object and the control are one
// allocation with one reference count: the interfaces' AddRef/Release are the
// control's own, and the control is deleted (after UserControl_Terminate)
// when the last reference of either kind goes.
//
// It answers, besides IUnknown:
//   IDispatch            from the class's DispatchMap; also the default
//                        interface, unless the class names a `Dual`
//   the default interface, with `Dual`
//                        a tear-off (dual_interface.h) whose vtable slots call
//                        the same accessors the DispatchMap binds
//   IConnectionPointContainer
//                        the default source interface (UserControl::RaiseEvent
//                        reaches every connected sink, synchronously) and
//                        IPropertyNotifySink (PropertyChanged(name) becomes
//                        OnChanged(DISPID of that name))
//   IPersistPropertyBag  InitNew / Load / Save run the control's
//                        InitProperties / ReadProperties / WriteProperties
//   IOleObject, IOleWindow
//                        the site, the extent in HIMETRIC, the misc-status
//                        word and the control's window
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "runtime/com/com_ptr.h"
#include "runtime/com/connection_point.h"
#include "runtime/com/control_class.h"
#include "runtime/com/control_support.h"
#include "runtime/com/dispatch_map.h"
#include "runtime/com/dual_interface.h"
#include "runtime/automation/error_info.h"
#include "runtime/com/interfaces.h"
#include "runtime/com/module.h"
#include "runtime/com/property_bag_object.h"
#include "runtime/forms/property_bag.h"
#include "runtime/forms/user_control.h"

#include <QWidget>

namespace com {

// What every object of one control class shares.
template <class Control>
struct ControlClassData {
  ResolvedControlClass identity;
  uint32_t miscStatus = 0;
  DispatchMap<Control> map;
};

// Holds the module for the object's whole life, the control's own destructor
// (module code) included: a first base is destroyed last.
struct ModuleUsageHolder {
  explicit ModuleUsageHolder(ModuleUsage u) : usage(std::move(u)) {}
  ModuleUsage usage;
};

template <class Control, class Dual = NoDualInterface>
class ControlObject final : private ModuleUsageHolder,
                            public Control,
                            public IDispatch,
                            public IConnectionPointContainer,
                            public IPersistPropertyBag,
                            public IOleObject,
                            public IOleWindow {
 public:
  ControlObject(std::shared_ptr<const ControlClassData<Control>> cls, ModuleUsage usage)
      : ModuleUsageHolder(std::move(usage)),
        cls_(std::move(cls)),
        events_(this, cls_->identity.sourceInterface),
        notify_(this, IID_IPropertyNotifySink),
        site_(*this),
        dual_(static_cast<IDispatch&>(*this), static_cast<Control&>(*this)) {
    if (cls_->miscStatus & OLEMISC_INVISIBLEATRUNTIME) Control::SetInvisibleAtRuntime(true);
    Control::SetSite(&site_);
  }
  ~ControlObject() override {
    // The control's own destructor runs after the site is gone.
    Control::SetSite(nullptr);
  }

  // ------------------------------------------------------------ IUnknown
  HRESULT QueryInterface(const IID& iid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    void* found = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch)
      found = static_cast<IDispatch*>(this);
    else if (iid == cls_->identity.defaultInterface)
      found = DefaultInterface();
    else if (iid == IID_IConnectionPointContainer)
      found = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IPersistPropertyBag || iid == IID_IPersist)
      found = static_cast<IPersistPropertyBag*>(this);
    else if (iid == IID_IOleObject)
      found = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow)
      found = static_cast<IOleWindow*>(this);
    *ppv = found;
    if (found == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return Control::AddRef(); }
  ULONG Release() override { return Control::Release(); }

  // ------------------------------------------------------------ IDispatch
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;  // type information comes from the module's registered library
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, LCID,
                        DISPID* ids) override {
    return cls_->map.GetIDsOfNames(riid, names, count, ids);
  }
  HRESULT Invoke(DISPID id, const IID& riid, LCID, uint16_t flags, DISPPARAMS* params, Variant* result,
                 EXCEPINFO* excep, uint32_t* argErr) override {
    // A member may run host code (events, message loops) that lets go of
    // the host's last reference; the object stays until the call returns.
    const auto hold = Hold();
    return cls_->map.Invoke(static_cast<Control&>(*this), id, riid, flags, params, result, excep, argErr,
                            cls_->identity.progId);
  }

  // ---------------------------------------------- IConnectionPointContainer
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    if (ppEnum == nullptr) return E_POINTER;
    std::vector<ComPtr<IConnectionPoint>> points;
    if (HasEvents()) points.emplace_back(&events_);
    points.emplace_back(&notify_);
    *ppEnum = NewConnectionPointsEnumerator(std::move(points));
    return S_OK;
  }
  HRESULT FindConnectionPoint(const IID& riid, IConnectionPoint** ppCP) override {
    if (ppCP == nullptr) return E_POINTER;
    *ppCP = nullptr;
    ConnectionPoint* point = nullptr;
    if (HasEvents() && riid == events_.Iid()) point = &events_;
    if (riid == IID_IPropertyNotifySink) point = &notify_;
    if (point == nullptr) return CONNECT_E_NOCONNECTION;
    point->AddRef();
    *ppCP = point;
    return S_OK;
  }

  // -------------------------------------------------- IPersistPropertyBag
  HRESULT GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = cls_->identity.clsid;
    return S_OK;
  }
  HRESULT InitNew() override {
    if (initialized_) return CO_E_ALREADYINITIALIZED;
    try {
      Control::InitNew();
    } catch (...) {
      return StatusOfCurrentException();
    }
    initialized_ = true;
    return S_OK;
  }
  HRESULT Load(IPropertyBag* bag, IErrorLog*) override {
    if (bag == nullptr) return E_POINTER;
    if (initialized_) return CO_E_ALREADYINITIALIZED;
    forms::PropertyBag saved;
    const HRESULT h = ReadHostBag(bag, cls_->map.Table(), saved);
    if (FAILED(h)) return h;
    try {
      Control::Load(saved);
    } catch (...) {
      return StatusOfCurrentException();
    }
    initialized_ = true;
    return S_OK;
  }
  HRESULT Save(IPropertyBag* bag, BOOL, BOOL) override {
    if (bag == nullptr) return E_POINTER;
    forms::PropertyBag written;
    try {
      Control::Save(written);
    } catch (...) {
      return StatusOfCurrentException();
    }
    return WriteHostBag(written, bag);
  }

  // ------------------------------------------------------------ IOleObject
  HRESULT SetClientSite(IOleClientSite* site) override {
    clientSite_ = ComPtr<IOleClientSite>(site);
    return S_OK;
  }
  HRESULT GetClientSite(IOleClientSite** site) override {
    if (site == nullptr) return E_POINTER;
    *site = ComPtr<IOleClientSite>(clientSite_).Detach();
    return S_OK;
  }
  HRESULT Close(uint32_t saveOption) override {
    if (saveOption == OLECLOSE_SAVEIFDIRTY && clientSite_) clientSite_->SaveObject();
    if (QWidget* w = Control::Widget()) w->hide();
    return S_OK;
  }
  HRESULT GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT SetExtent(uint32_t aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    try {
      Control::HostResize(HimetricToTwips(size->cx), HimetricToTwips(size->cy));
    } catch (...) {
      return StatusOfCurrentException();
    }
    return S_OK;
  }
  HRESULT GetExtent(uint32_t aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    size->cx = TwipsToHimetric(Control::Width());
    size->cy = TwipsToHimetric(Control::Height());
    return S_OK;
  }
  HRESULT GetMiscStatus(uint32_t aspect, uint32_t* status) override {
    if (status == nullptr) return E_POINTER;
    *status = aspect == DVASPECT_CONTENT ? cls_->miscStatus : 0;
    return S_OK;
  }

  // ------------------------------------------------------------ IOleWindow
  HRESULT GetWindow(QWidget** widget) override {
    if (widget == nullptr) return E_POINTER;
    *widget = Control::Widget();
    return *widget ? S_OK : E_FAIL;
  }

 private:
  // The control's side of its site: what the control reports, sent on to
  // the connected host.
  class Site final : public forms::ControlSite {
   public:
    explicit Site(ControlObject& owner) : owner_(owner) {}
    void OnPropertyChanged(std::string_view name) override {
      // A control announces the same property on every put, often on every
      // tick of a timer: the last name found is kept with its DISPID, exactly
      // as the description spells it, and any other name is looked up.
      DISPID id = DISPID_UNKNOWN;
      if (lastName_.data() != nullptr && name == lastName_) {
        id = lastId_;
      } else if (const auto* member = owner_.cls_->map.Table().FindByName(name)) {
        lastName_ = member->name;
        id = lastId_ = member->dispid;
      }
      const auto hold = owner_.Hold();
      owner_.notify_.FirePropertyChanged(id);
    }

    bool UserMode() const override { return AmbientUserMode(owner_.clientSite_.Get()); }
    void OnEvent(int32_t dispid, const std::vector<Variant>& args) override {
      if (!owner_.HasEvents()) return;
      const auto hold = owner_.Hold();
      owner_.events_.FireDispatch(dispid, args);
    }
    void OnRequestSize(float, float) override {
      if (ComPtr<IOleClientSite> site = owner_.clientSite_) site->RequestNewObjectLayout();
    }

   private:
    ControlObject& owner_;
    std::string_view lastName_;  // in the class's table, which the object keeps; null until one is found
    DISPID lastId_ = DISPID_UNKNOWN;
  };

  bool HasEvents() const { return cls_->identity.sourceInterface != GUID_NULL; }

  void* DefaultInterface() {
    if constexpr (std::is_same_v<Dual, NoDualInterface>)
      return static_cast<IDispatch*>(this);
    else
      return static_cast<typename Dual::Interface*>(&dual_);
  }

  // A reference for the length of a call, unless the object is already on
  // its way out (count zero, inside UserControl_Terminate).
  std::optional<forms::Ref<forms::UserControl>> Hold() {
    if (Control::RefCount() == 0) return std::nullopt;
    return forms::Ref<forms::UserControl>(static_cast<forms::UserControl*>(this));
  }

  std::shared_ptr<const ControlClassData<Control>> cls_;
  ConnectionPoint events_;
  ConnectionPoint notify_;
  Site site_;
  ComPtr<IOleClientSite> clientSite_;
  bool initialized_ = false;
  [[no_unique_address]] Dual dual_;
};

template <class Control, class Dual>
ClassDescriptor ControlClass(const ControlClassInfo& info, DispatchMap<Control> map) {
  auto data = std::make_shared<ControlClassData<Control>>(
      ControlClassData<Control>{ResolveControlClass(info, map.Table()), info.miscStatus, std::move(map)});
  ClassDescriptor c;
  c.clsid = data->identity.clsid;
  c.className = info.className;
  c.progId = data->identity.progId;
  c.defaultInterface = data->identity.defaultInterface;
  c.sourceInterface = data->identity.sourceInterface;
  c.control = true;
  c.miscStatus = info.miscStatus;
  c.toolboxBitmap = info.toolboxBitmap;
  c.create = [data](ModuleUsage usage) -> IUnknown* {
    return static_cast<IDispatch*>(new ControlObject<Control, Dual>(data, std::move(usage)));
  };
  return c;
}

}  // namespace com
