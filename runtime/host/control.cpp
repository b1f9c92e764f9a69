#include "runtime/host/control.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include <QEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include "runtime/com/creation.h"
#include "runtime/com/hosting.h"
#include "runtime/forms/application.h"
#include "runtime/forms/units.h"
#include "runtime/forms/user_control.h"
#include "runtime/host/dialfen.h"
#include "runtime/platform/error.h"

Q_LOGGING_CATEGORY(lcKvQmxTmr, "kvqmxtmr")

namespace kvqmxtmr {
namespace {

com::CLSID ResolveClass(std::string_view classId) {
  if (!classId.empty() && classId.front() == '{') {
    if (std::optional<com::GUID> clsid = com::GUID::Parse(classId)) return *clsid;
    throw platform::Error(com::E_INVALIDARG, "\"" + std::string(classId) + "\" is not a class identity");
  }
  return com::ClassIdFromProgId(classId);
}

}  // namespace

// "PutLong(\"SetDispDelay\")", "PutLong(0x68030005)", or for the typed
// classes "SetDispDelay (put)".
std::string Control::CallSite::Text() const {
  if (typedName != nullptr) return std::string(typedName) + " (" + member + ")";
  if (!property.empty()) return std::string(member) + "(\"" + std::string(property) + "\")";
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(dispid));
  return std::string(member) + "(" + hex + ")";
}

struct Control::Impl {
  // ProgID, or the class identity when the registry knows none; shared with
  // the calls under way, which may outlive this object.
  std::shared_ptr<const std::string> name = std::make_shared<const std::string>();
  std::string error;
  Mode mode = Mode::Run;
  com::CLSID clsid;
  std::unique_ptr<com::HostedControl> host;
  // The control object behind the host, when it is one of the kit's; valid
  // while `host` holds its reference.
  forms::UserControl* control = nullptr;
  QPointer<QWidget> parent;  // the plain widget it was placed in
  QPointer<QWidget> top;     // that widget's top-level window, watched for its close
  // Puts of this object on the stack that run one of the kit's loops.
  int meterLoops = 0;
  int timerLoops = 0;

  com::HostedControl& Host() const {
    if (!host) throw platform::Error(com::E_UNEXPECTED, error.empty() ? "it has closed" : error);
    return *host;
  }
  com::DISPID Id(std::string_view property) const { return Host().Object().GetIDOfName(property); }
};

Control::Control(std::string_view classId, QWidget* parent, int x, int y) : impl_(std::make_unique<Impl>()) {
  Create(classId, parent, x, y, Mode::Run);
}

Control::Control(std::string_view classId, QWidget* parent, Mode mode) : impl_(std::make_unique<Impl>()) {
  Create(classId, parent, 0, 0, mode);
}

void Control::Create(std::string_view classId, QWidget* parent, int x, int y, Mode mode) {
  impl_->name = std::make_shared<const std::string>(classId);
  impl_->mode = mode;
  if (parent == nullptr) {
    impl_->error = "it could not be created: it needs a parent widget";
    Fail(com::E_INVALIDARG, "creation", "it needs a parent widget");
    return;
  }
  setParent(parent);
  try {
    impl_->clsid = ResolveClass(classId);
    std::string progId;
    if (classId.front() == '{' && com::SUCCEEDED(com::ProgIDFromCLSID(impl_->clsid, &progId))) impl_->name = std::make_shared<const std::string>(progId);
    impl_->host = std::make_unique<com::HostedControl>(
        *parent, *impl_->name, impl_->clsid,
        com::HostedPlacement{forms::PixelsToTwipsX(x), forms::PixelsToTwipsY(y), 0, 0}, mode == Mode::Run);
  } catch (const platform::Error& e) {
    impl_->error = std::string("it could not be created: ") + e.what();
    Fail(e.code(), "creation", e.what());
    return;
  } catch (const std::exception& e) {
    impl_->error = std::string("it could not be created: ") + e.what();
    Fail(com::E_FAIL, "creation", e.what());
    return;
  }
  impl_->parent = parent;
  parent->installEventFilter(this);
  WatchTop();
  Wire();
}

Control::Control(std::string_view classId, forms::Container& container, float left, float top)
    : impl_(std::make_unique<Impl>()) {
  impl_->name = std::make_shared<const std::string>(classId);
  try {
    impl_->clsid = ResolveClass(classId);
    impl_->host = std::make_unique<com::HostedControl>(container, *impl_->name, impl_->clsid,
                                                       com::HostedPlacement{left, top, 0, 0});
  } catch (const platform::Error& e) {
    impl_->error = std::string("it could not be created: ") + e.what();
    Fail(e.code(), "creation", e.what());
    return;
  }
  Wire();
}

void Control::Wire() {
  com::HostedControl& host = *impl_->host;
  if (QWidget* widget = Widget()) impl_->control = forms::UserControl::FromWidget(widget);
  // A handler may destroy this object while the control still runs. What a
  // handler lets out stops here: it is the host's, and the control goes on.
  host.ConnectAll([self = QPointer<Control>(this)](com::DISPID dispid, const std::vector<com::Variant>&) {
    if (!self) return;
    try {
      emit self->EventRaised(dispid);
    } catch (const std::exception& e) {
      if (self) self->Fail(com::E_FAIL, "event " + std::to_string(dispid), std::string("its handler threw: ") + e.what());
    } catch (...) {
      if (self) self->Fail(com::E_FAIL, "event " + std::to_string(dispid), "its handler threw");
    }
  });
  host.OnPropertyChanged([self = QPointer<Control>(this)](com::DISPID dispid) {
    if (!self) return;
    try {
      emit self->PropertyChanged(dispid);
    } catch (const std::exception& e) {
      if (self) self->Fail(com::E_FAIL, "PropertyChanged", std::string("its handler threw: ") + e.what());
    } catch (...) {
      if (self) self->Fail(com::E_FAIL, "PropertyChanged", "its handler threw");
    }
  });
}

Control::~Control() { Close(); }

QWidget* Control::Widget() const {
  if (!impl_->host) return nullptr;
  com::ComPtr<com::IOleWindow> window = impl_->host->Unknown().As<com::IOleWindow>();
  QWidget* widget = nullptr;
  if (!window || com::FAILED(window->GetWindow(&widget))) return nullptr;
  return widget;
}

bool Control::Closed() const { return !impl_->host; }
Mode Control::mode() const { return impl_->mode; }
QString Control::Name() const { return QString::fromStdString(*impl_->name); }
QString Control::Error() const { return QString::fromStdString(impl_->error); }

void Control::Close() {
  if (!impl_->host) return;
  if (impl_->error.empty()) impl_->error = "it has been closed";
  std::unique_ptr<com::HostedControl> host = std::move(impl_->host);
  // A loop that one of its puts runs holds its own reference, so letting go
  // of ours would not end it: terminating does, after the loop's pass.
  if (forms::UserControl* control = std::exchange(impl_->control, nullptr)) {
    try {
      control->Terminate();
    } catch (const std::exception&) {
      // The control goes all the same.
    }
  }
  host.reset();
}

// The loops end as their own rules say: the fast timer's when Enabled is
// put False, the meter's when its mode changes (to its own clock, which
// stops with the window's timers and goes on when it shows again).
void Control::EndLoops() {
  if (!impl_->host) return;
  try {
    if (impl_->timerLoops > 0 && impl_->clsid == com::GUID::Parse(kClassId_KvQmxFasTmr))
      impl_->host->Object().Put(DISPID_Enabled, com::Variant::FromBool(false));
    if (impl_->meterLoops > 0 && impl_->clsid == com::GUID::Parse(kClassId_KvDispVU))
      impl_->host->Object().Put(DISPID_DisplayMode, com::Variant::I4(UseVULowTimer));
  } catch (const platform::Error& e) {
    Fail(e.code(), "closing its window", e.what());
  }
}

// The top-level window may change after the control was placed (its widget
// put into a layout or a window later), so it is looked at again whenever the
// widget shows or moves, and when a loop starts.
void Control::WatchTop() {
  if (!impl_->parent || impl_->parent->window() == impl_->top) return;
  if (impl_->top && impl_->top != impl_->parent) impl_->top->removeEventFilter(this);
  impl_->top = impl_->parent->window();
  impl_->top->installEventFilter(this);
}

bool Control::eventFilter(QObject* watched, QEvent* event) {
  if (watched == impl_->parent && (event->type() == QEvent::Show || event->type() == QEvent::ParentChange)) {
    WatchTop();
  } else if (watched == impl_->top && event->type() == QEvent::Close) {
    // The window's own handler may still refuse the close; whether it did
    // shows once the event has been handled.
    QMetaObject::invokeMethod(
        this, [this] {
          if (impl_->top && !impl_->top->isVisible()) EndLoops();
        },
        Qt::QueuedConnection);
  }
  return false;
}

void Control::Fail(int code, const std::string& member, const std::string& reason) const {
  const QString name = QString::fromStdString(*impl_->name);
  const QString description =
      QString::fromStdString("The control " + *impl_->name + ": " + member + " failed: " + reason);
  qCWarning(lcKvQmxTmr).noquote() << description;
  // Emitted through a const member: the signal reports, it changes nothing.
  emit const_cast<Control*>(this)->exception(code, name, description, QString());
}

// Every call goes through here: the thread check, the closed check, and the
// one place where an error becomes a signal. A handler run inside the call
// may delete this object: nothing of it is touched after the call unless it
// is still there.
template <class R, class F>
R Control::Call(const CallSite& site, R neutral, F&& call) const {
  if (QThread::currentThread() != thread()) {
    Fail(com::RPC_E_WRONG_THREAD, site.Text(),
         "called from another thread than the control's; every call belongs on the thread that created it");
    return neutral;
  }
  // What the report needs if this object is deleted inside the call; no
  // copy of any text on the way of a call that succeeds.
  const QPointer<Control> self(const_cast<Control*>(this));
  const std::shared_ptr<const std::string> name = impl_->name;
  int32_t code = 0;
  std::string reason;
  try {
    const com::DISPID id = site.property.empty() ? site.dispid : impl_->Id(site.property);
    // A copy: closing the control inside the call lets go of the host's.
    const com::DispatchDriver driver = impl_->Host().Object();
    return call(driver, id);
  } catch (const platform::Error& e) {
    code = e.code();
    reason = e.what();
  } catch (const std::exception& e) {
    code = com::E_FAIL;
    reason = e.what();
  }
  if (self)
    Fail(code, site.Text(), reason);
  else
    qCWarning(lcKvQmxTmr).noquote() << QString::fromStdString("The control " + *name + ": " + site.Text() +
                                                              " failed: " + reason);
  return neutral;
}

namespace {

// A Boolean read as a number would answer -1, a number read as a Boolean
// true for anything but 0: neither is an answer.
com::Variant GetTyped(const com::DispatchDriver& driver, com::DISPID id, bool boolean) {
  com::Variant value = driver.Get(id);
  if ((value.vt() == com::VT_BOOL) != boolean)
    throw platform::Error(com::DISP_E_TYPEMISMATCH, boolean ? "the property is not Boolean (use GetLong)"
                                                            : "the property is Boolean (use GetBool)");
  return value;
}

}  // namespace

int32_t Control::DispatchId(std::string_view property) const {
  return Call({"DispatchId", property}, com::DISPID_UNKNOWN, [](const com::DispatchDriver&, com::DISPID id) { return id; });
}

int32_t Control::GetLong(int32_t dispid) const {
  return Call({"GetLong", {}, dispid}, int32_t{0}, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, false).ToI4();
  });
}
int32_t Control::GetLong(std::string_view property) const {
  return Call({"GetLong", property}, int32_t{0}, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, false).ToI4();
  });
}

bool Control::GetBool(int32_t dispid) const {
  return Call({"GetBool", {}, dispid}, false, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, true).ToBool() != com::VARIANT_FALSE;
  });
}
bool Control::GetBool(std::string_view property) const {
  return Call({"GetBool", property}, false, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, true).ToBool() != com::VARIANT_FALSE;
  });
}

bool Control::Put(const CallSite& site, const com::Variant& value) {
  return Call(site, false, [&](const com::DispatchDriver& driver, com::DISPID id) {
    // Counts the puts on the stack that may run one of the kit's loops.
    const bool timerOn = id == DISPID_Enabled && value.vt() == com::VT_BOOL && value.ToBool() != com::VARIANT_FALSE;
    const bool meterLoop = id == DISPID_DisplayMode && value.vt() == com::VT_I4 && value.ToI4() == UseVUHiTimer;
    int Impl::*counter = timerOn ? &Impl::timerLoops : meterLoop ? &Impl::meterLoops : nullptr;
    const QPointer<Control> self(this);
    Impl* impl = impl_.get();
    if (counter) {
      WatchTop();
      ++(impl->*counter);
    }
    try {
      driver.Put(id, value);
    } catch (...) {
      if (self && counter) --(impl->*counter);
      throw;
    }
    if (self && counter) --(impl->*counter);
    return true;
  });
}

bool Control::PutLong(int32_t dispid, int32_t value) { return Put({"PutLong", {}, dispid}, com::Variant::I4(value)); }
bool Control::PutLong(std::string_view property, int32_t value) {
  return Put({"PutLong", property}, com::Variant::I4(value));
}
bool Control::PutBool(int32_t dispid, bool value) { return Put({"PutBool", {}, dispid}, com::Variant::FromBool(value)); }
bool Control::PutBool(std::string_view property, bool value) {
  return Put({"PutBool", property}, com::Variant::FromBool(value));
}

// The typed classes' calls, named by their property in reports.
int32_t Control::GetLong(int32_t dispid, const char* name) const {
  return Call({"get", {}, dispid, name}, int32_t{0}, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, false).ToI4();
  });
}
bool Control::GetBool(int32_t dispid, const char* name) const {
  return Call({"get", {}, dispid, name}, false, [](const com::DispatchDriver& host, com::DISPID id) {
    return GetTyped(host, id, true).ToBool() != com::VARIANT_FALSE;
  });
}
bool Control::PutLong(int32_t dispid, int32_t value, const char* name) {
  return Put({"put", {}, dispid, name}, com::Variant::I4(value));
}
bool Control::PutBool(int32_t dispid, bool value, const char* name) {
  return Put({"put", {}, dispid, name}, com::Variant::FromBool(value));
}

void DoEvents() { forms::DoEvents(); }

}  // namespace kvqmxtmr
