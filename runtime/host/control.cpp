#include "runtime/host/control.h"

#include <optional>
#include <string>
#include <utility>

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "runtime/com/creation.h"
#include "runtime/com/hosting.h"
#include "runtime/forms/application.h"
#include "runtime/forms/units.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/error.h"

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

struct Control::Impl {
  std::string name;
  std::unique_ptr<com::HostedControl> host;
  // The control object behind the host, when it is one of the kit's; valid
  // while `host` holds its reference.
  forms::UserControl* control = nullptr;
  QPointer<QWidget> parent;  // the plain widget it was placed in
  QPointer<QWidget> top;     // that widget's top-level window, watched for its close

  com::HostedControl& Host() const {
    if (!host) throw platform::Error(com::E_UNEXPECTED, "The control " + name + " has closed with its window");
    return *host;
  }
  com::DISPID Id(std::string_view property) const { return Host().Object().GetIDOfName(property); }
};

Control::Control(std::string_view classId, QWidget* parent, int x, int y) : impl_(std::make_unique<Impl>()) {
  impl_->name = std::string(classId);
  if (parent == nullptr) throw platform::Error(com::E_INVALIDARG, "The control " + impl_->name + " needs a parent widget");
  impl_->host = std::make_unique<com::HostedControl>(
      *parent, impl_->name, ResolveClass(classId),
      com::HostedPlacement{forms::PixelsToTwipsX(x), forms::PixelsToTwipsY(y), 0, 0});
  impl_->parent = parent;
  // The top-level window is known for sure only once it shows: the parent
  // may be put into a window after the control was placed.
  parent->installEventFilter(this);
  if (parent->isVisible()) {
    impl_->top = parent->window();
    impl_->top->installEventFilter(this);
  }
  connect(parent, &QObject::destroyed, this, [this] { Close(); });
  Wire();
}

Control::Control(std::string_view classId, forms::Container& container, float left, float top)
    : impl_(std::make_unique<Impl>()) {
  impl_->name = std::string(classId);
  impl_->host = std::make_unique<com::HostedControl>(container, impl_->name, ResolveClass(classId),
                                                     com::HostedPlacement{left, top, 0, 0});
  Wire();
}

void Control::Wire() {
  com::HostedControl& host = *impl_->host;
  if (QWidget* widget = Widget()) impl_->control = forms::UserControl::FromWidget(widget);
  // A handler may destroy this object while the control still runs.
  host.ConnectAll([self = QPointer<Control>(this)](com::DISPID dispid, const std::vector<com::Variant>&) {
    if (self) emit self->EventRaised(dispid);
  });
  host.OnPropertyChanged([self = QPointer<Control>(this)](com::DISPID dispid) {
    if (self) emit self->PropertyChanged(dispid);
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

void Control::Close() {
  if (!impl_->host) return;
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

bool Control::eventFilter(QObject* watched, QEvent* event) {
  if (watched == impl_->parent && event->type() == QEvent::Show && impl_->parent->window() != impl_->top) {
    if (impl_->top) impl_->top->removeEventFilter(this);
    impl_->top = impl_->parent->window();
    impl_->top->installEventFilter(this);
  } else if (watched == impl_->top && event->type() == QEvent::Close) {
    // The window's own handler may still refuse the close; whether it did
    // shows once the event has been handled.
    QMetaObject::invokeMethod(
        this, [this] {
          if (impl_->top && !impl_->top->isVisible()) Close();
        },
        Qt::QueuedConnection);
  }
  return false;
}

int32_t Control::DispatchId(std::string_view property) const { return impl_->Id(property); }

int32_t Control::GetLong(int32_t dispid) const { return impl_->Host().Object().Get(dispid).ToI4(); }
int32_t Control::GetLong(std::string_view property) const { return GetLong(impl_->Id(property)); }
void Control::PutLong(int32_t dispid, int32_t value) { impl_->Host().Object().Put(dispid, com::Variant::I4(value)); }
void Control::PutLong(std::string_view property, int32_t value) { PutLong(impl_->Id(property), value); }

bool Control::GetBool(int32_t dispid) const {
  return impl_->Host().Object().Get(dispid).ToBool() != com::VARIANT_FALSE;
}
bool Control::GetBool(std::string_view property) const { return GetBool(impl_->Id(property)); }
void Control::PutBool(int32_t dispid, bool value) { impl_->Host().Object().Put(dispid, com::Variant::FromBool(value)); }
void Control::PutBool(std::string_view property, bool value) { PutBool(impl_->Id(property), value); }

void DoEvents() { forms::DoEvents(); }

}  // namespace kvqmxtmr
