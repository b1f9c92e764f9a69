#include "runtime/com/hosting.h"

#include <utility>

#include <QWidget>

#include "runtime/com/control_support.h"
#include "runtime/com/creation.h"
#include "runtime/com/dispatch_map.h"
#include "runtime/com/object_base.h"
#include "runtime/com/property_bag_object.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"

namespace com {

namespace {
constexpr const char* kExtentX = "_extentx";
constexpr const char* kExtentY = "_extenty";
}  // namespace

// The host side of one placed control: its client site, its ambient
// properties (IDispatch) and its property-notification sink. It outlives the
// host only as long as the control keeps a reference; after Detach it
// answers without calling back.
class HostedControl::Site final : public ObjectBase<Site, IOleClientSite, IDispatch, IPropertyNotifySink> {
 public:
  explicit Site(HostedControl* host) : host_(host) {}
  void Detach() { host_ = nullptr; }

  HRESULT SaveObject() override { return S_OK; }
  HRESULT ShowObject() override { return S_OK; }
  HRESULT OnShowWindow(BOOL) override { return S_OK; }
  HRESULT RequestNewObjectLayout() override { return S_OK; }  // the size is read from the control when asked

  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_POINTER;
    for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (names[0] == nullptr || std::string_view(names[0]) != "UserMode") return DISP_E_UNKNOWNNAME;
    ids[0] = DISPID_AMBIENT_USERMODE;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, const IID& riid, LCID, uint16_t flags, DISPPARAMS* params, Variant* result,
                 EXCEPINFO*, uint32_t*) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (id != DISPID_AMBIENT_USERMODE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (result) *result = Variant::FromBool(host_ ? host_->userMode_ : true);
    return S_OK;
  }

  HRESULT OnChanged(DISPID id) override {
    if (host_) host_->OnChanged(id);
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }

 private:
  HostedControl* host_;
};

// Receives the control's events: answers the source interface it was
// connected for, and IDispatch.
class HostedControl::EventSink final : public ObjectBase<EventSink, IDispatch> {
 public:
  EventSink(HostedControl* host, const IID& source) : host_(host), source_(source) {}
  void Detach() { host_ = nullptr; }

  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(const IID&, const char* const*, uint32_t, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, const IID& riid, LCID, uint16_t flags, DISPPARAMS* params, Variant*,
                 EXCEPINFO* excep, uint32_t*) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (host_ == nullptr) return S_OK;
    std::vector<Variant> args;
    if (params)
      for (uint32_t i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
    try {
      host_->OnEvent(id, args);
    } catch (...) {
      return ExceptionToExcepInfo(excep, "event handler");
    }
    return S_OK;
  }

 protected:
  void* Find(const IID& iid) override {
    if (iid == source_) return static_cast<IDispatch*>(this);
    return ObjectBase::Find(iid);
  }

 private:
  HostedControl* host_;
  IID source_;
};

HostedControl::HostedControl(forms::Container& container, std::string name, const CLSID& clsid,
                             const HostedPlacement& place, const forms::PropertyBag* saved, bool userMode)
    : container_(&container), name_(std::move(name)), userMode_(userMode) {
  try {
    Build(clsid, place, saved);
  } catch (...) {
    Teardown();
    throw;
  }
}

HostedControl::HostedControl(QWidget& parent, std::string name, const CLSID& clsid, const HostedPlacement& place,
                             bool userMode)
    : parentWidget_(&parent), name_(std::move(name)), userMode_(userMode) {
  try {
    Build(clsid, place, nullptr);
  } catch (...) {
    Teardown();
    throw;
  }
}

void HostedControl::Build(const CLSID& clsid, const HostedPlacement& place, const forms::PropertyBag* saved) {
  const auto fail = [&](HRESULT h, const std::string& what) {
    throw platform::Error(FAILED(h) ? h : E_FAIL, "Control " + name_ + " (" + clsid.ToString() + "): " + what +
                                                      " (" + FormatHResult(h) + ")");
  };
  object_ = CreateInstance(clsid);
  ole_ = object_.As<IOleObject>();
  if (!ole_) fail(E_NOINTERFACE, "the class is not a control");
  driver_ = DispatchDriver::From(object_);
  ole_->GetMiscStatus(DVASPECT_CONTENT, &miscStatus_);

  site_ = new Site(this);
  // Site before anything else, so the control sees its host from the start.
  if (HRESULT h = ole_->SetClientSite(site_); FAILED(h)) fail(h, "it refused its site");

  if (ComPtr<IConnectionPointContainer> cpc = object_.As<IConnectionPointContainer>()) {
    if (SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, notifyPoint_.Put())) &&
        FAILED(notifyPoint_->Advise(static_cast<IPropertyNotifySink*>(site_), &notifyCookie_)))
      notifyPoint_ = nullptr;
    // The event interface: the class's one connection point besides the
    // property notifications.
    ComPtr<IEnumConnectionPoints> points;
    if (SUCCEEDED(cpc->EnumConnectionPoints(points.Put()))) {
      ComPtr<IConnectionPoint> point;
      ULONG fetched = 0;
      while (points->Next(1, point.Put(), &fetched) == S_OK && fetched == 1) {
        IID iid;
        if (SUCCEEDED(point->GetConnectionInterface(&iid)) && iid != IID_IPropertyNotifySink) {
          sink_ = new EventSink(this, iid);
          if (SUCCEEDED(point->Advise(static_cast<IDispatch*>(sink_), &eventCookie_))) eventPoint_ = point;
          break;
        }
      }
    }
  }

  ComPtr<IPersistPropertyBag> persist = object_.As<IPersistPropertyBag>();
  float width = place.width, height = place.height;
  if (saved != nullptr) {
    forms::PropertyBag copy = *saved;
    if (copy.Contains(kExtentX) && copy.Contains(kExtentY)) {
      try {
        width = HimetricToTwips(copy.ReadProperty(kExtentX, Variant()).ToI4());
        height = HimetricToTwips(copy.ReadProperty(kExtentY, Variant()).ToI4());
      } catch (const platform::Error& e) {
        fail(e.code(), std::string("its saved extent is unreadable: ") + e.what());
      }
    }
    if (persist) {
      ComPtr<IPropertyBag> bag = ComPtr<IPropertyBag>::Attach(NewPropertyBagObject(copy));
      if (HRESULT h = persist->Load(bag.Get(), nullptr); FAILED(h)) fail(h, "it could not load its saved properties");
    }
  } else if (persist) {
    if (HRESULT h = persist->InitNew(); FAILED(h)) fail(h, "it could not initialise its properties");
  }
  Place(place.left, place.top, width, height);
}

HostedControl::~HostedControl() { Teardown(); }

void HostedControl::Teardown() {
  if (eventPoint_) eventPoint_->Unadvise(eventCookie_);
  if (notifyPoint_) notifyPoint_->Unadvise(notifyCookie_);
  eventPoint_ = nullptr;
  notifyPoint_ = nullptr;
  if (ole_) {
    ole_->Close(OLECLOSE_NOSAVE);
    ole_->SetClientSite(nullptr);
  }
  if (site_) {
    site_->Detach();
    std::exchange(site_, nullptr)->Release();
  }
  if (sink_) {
    sink_->Detach();
    std::exchange(sink_, nullptr)->Release();
  }
  driver_ = DispatchDriver();
  ole_ = nullptr;
  object_ = nullptr;  // the control terminates when this was the last reference
}

void HostedControl::Connect(DISPID dispid, std::function<void()> handler) {
  Connect(dispid, EventHandler([h = std::move(handler)](const std::vector<Variant>&) { h(); }));
}

void HostedControl::Connect(DISPID dispid, EventHandler handler) {
  if (!eventPoint_) throw platform::Error(CONNECT_E_NOCONNECTION, "Control " + name_ + " raises no events");
  handlers_[dispid].Append(std::move(handler));
}

void HostedControl::ConnectAll(std::function<void(DISPID, const std::vector<Variant>&)> handler) {
  anyEventHandlers_.Append(std::move(handler));
}

void HostedControl::OnPropertyChanged(std::function<void(DISPID)> handler) {
  changeHandlers_.Append(std::move(handler));
}

// A handler may connect more handlers, or destroy this host: the snapshot
// keeps the handlers present now, and alive, until the last has run.
void HostedControl::OnEvent(DISPID dispid, const std::vector<Variant>& args) {
  const auto it = handlers_.find(dispid);
  const auto now = it != handlers_.end() ? it->second.Snapshot() : nullptr;
  const auto all = anyEventHandlers_.Snapshot();
  if (now)
    for (const auto& h : *now) h(args);
  if (all)
    for (const auto& h : *all) h(dispid, args);
}

void HostedControl::OnChanged(DISPID dispid) {
  dirty_ = true;
  const auto now = changeHandlers_.Snapshot();
  if (!now) return;
  for (const auto& h : *now) h(dispid);
}

SIZEL HostedControl::Extent() const {
  SIZEL s;
  ole_->GetExtent(DVASPECT_CONTENT, &s);
  return s;
}

float HostedControl::Width() const { return HimetricToTwips(Extent().cx); }
float HostedControl::Height() const { return HimetricToTwips(Extent().cy); }

void HostedControl::Place(float left, float top, float width, float height) {
  left_ = left;
  top_ = top;
  SIZEL extent{TwipsToHimetric(width), TwipsToHimetric(height)};
  if (HRESULT h = ole_->SetExtent(DVASPECT_CONTENT, &extent); FAILED(h))
    throw platform::Error(h, "Control " + name_ + " refused its size");
  ComPtr<IOleWindow> window = object_.As<IOleWindow>();
  QWidget* widget = nullptr;
  if (window && SUCCEEDED(window->GetWindow(&widget)) && widget) {
    // The control may have kept another size than it was given.
    if (container_ != nullptr) {
      container_->PlaceChildWidget(widget, left, top, Width(), Height());
    } else {
      PlaceInWidget(widget, left, top);
    }
  }
  ApplyVisibility();
}

// A plain widget lays out nothing of its own: the control's window keeps the
// size the control took from its extent, at the given place.
void HostedControl::PlaceInWidget(QWidget* widget, float left, float top) {
  if (!parentWidget_) throw platform::Error(E_FAIL, "Control " + name_ + ": the host's widget no longer exists");
  if (widget->parentWidget() != parentWidget_) {
    widget->setParent(parentWidget_);
    widget->show();  // reparenting hides; an invisible-at-run-time control stays hidden below
  }
  widget->move(forms::TwipsToPixelsX(left), forms::TwipsToPixelsY(top));
}

void HostedControl::Move(float left, float top, float width, float height) { Place(left, top, width, height); }

void HostedControl::ApplyVisibility() {
  ComPtr<IOleWindow> window = object_.As<IOleWindow>();
  QWidget* widget = nullptr;
  if (!window || FAILED(window->GetWindow(&widget)) || !widget) return;
  const bool hidden = userMode_ && (miscStatus_ & OLEMISC_INVISIBLEATRUNTIME);
  widget->setVisible(visible_ && !hidden);
}

bool HostedControl::Visible() const {
  ComPtr<IOleWindow> window = object_.As<IOleWindow>();
  QWidget* widget = nullptr;
  if (!window || FAILED(window->GetWindow(&widget)) || !widget) return false;
  return !widget->isHidden();
}

void HostedControl::SetVisible(bool visible) {
  visible_ = visible;
  ApplyVisibility();
}

forms::PropertyBag HostedControl::Save() {
  forms::PropertyBag bag;
  const SIZEL extent = Extent();
  StoreExactly(bag, kExtentX, Variant::I4(extent.cx));
  StoreExactly(bag, kExtentY, Variant::I4(extent.cy));
  if (ComPtr<IPersistPropertyBag> persist = object_.As<IPersistPropertyBag>()) {
    ComPtr<IPropertyBag> host = ComPtr<IPropertyBag>::Attach(NewPropertyBagObject(bag));
    if (HRESULT h = persist->Save(host.Get(), 1, 0); FAILED(h))
      throw platform::Error(h, "Control " + name_ + " could not save its properties (" + FormatHResult(h) + ")");
  }
  dirty_ = false;
  return bag;
}

}  // namespace com
