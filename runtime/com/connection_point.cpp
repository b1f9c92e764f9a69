#include "runtime/com/connection_point.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "runtime/com/object_base.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

struct Connection {
  ComPtr<IUnknown> sink;
  uint32_t cookie;
};

// Each element handed out carries its own reference, for the caller to release.
CONNECTDATA HandOut(const Connection& c) { return {ComPtr<IUnknown>(c.sink).Detach(), c.cookie}; }
IConnectionPoint* HandOut(const ComPtr<IConnectionPoint>& p) { return ComPtr<IConnectionPoint>(p).Detach(); }

// Connections and connection points are enumerated alike; only the element differs.
template <class Interface, class Item, class Out>
class Enumerator final : public ObjectBase<Enumerator<Interface, Item, Out>, Interface> {
 public:
  explicit Enumerator(std::vector<Item> items, size_t at = 0) : items_(std::move(items)), at_(at) {}

  HRESULT Next(ULONG count, Out* out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && at_ < items_.size(); ++n, ++at_) out[n] = HandOut(items_[at_]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    const size_t left = items_.size() - at_;
    at_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT Clone(Interface** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new Enumerator(items_, at_);
    return S_OK;
  }

 private:
  std::vector<Item> items_;
  size_t at_;
};

}  // namespace

IEnumConnections* NewConnectionsEnumerator(std::vector<ComPtr<IUnknown>> sinks, std::vector<uint32_t> cookies) {
  std::vector<Connection> connections;
  connections.reserve(sinks.size());
  for (size_t i = 0; i < sinks.size(); ++i) connections.push_back({std::move(sinks[i]), cookies[i]});
  return new Enumerator<IEnumConnections, Connection, CONNECTDATA>(std::move(connections));
}

IEnumConnectionPoints* NewConnectionPointsEnumerator(std::vector<ComPtr<IConnectionPoint>> points) {
  return new Enumerator<IEnumConnectionPoints, ComPtr<IConnectionPoint>, IConnectionPoint*>(std::move(points));
}

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (pIID == nullptr) return E_POINTER;
  *pIID = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (ppCPC == nullptr) return E_POINTER;
  owner_->AddRef();
  *ppCPC = owner_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, uint32_t* pdwCookie) {
  if (pdwCookie == nullptr) return E_POINTER;
  *pdwCookie = 0;
  if (pUnkSink == nullptr) return E_POINTER;
  ComPtr<IUnknown> sink;
  if (FAILED(pUnkSink->QueryInterface(iid_, sink.PutVoid())) || !sink) return CONNECT_E_CANNOTCONNECT;
  if (nextCookie_ == std::numeric_limits<uint32_t>::max()) return CONNECT_E_ADVISELIMIT;
  const uint32_t cookie = nextCookie_++;
  sinks_.push_back({cookie, std::move(sink)});
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t dwCookie) {
  const auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Connection& c) { return c.cookie == dwCookie; });
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // The sink's last reference may go now, and its Release may call back into
  // this point: take it out of the list first.
  ComPtr<IUnknown> going = std::move(it->sink);
  sinks_.erase(it);
  going.Reset();
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  std::vector<uint32_t> cookies;
  for (const auto& c : sinks_) cookies.push_back(c.cookie);
  *ppEnum = NewConnectionsEnumerator(Sinks(), std::move(cookies));
  return S_OK;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> r;
  r.reserve(sinks_.size());
  for (const auto& c : sinks_) r.push_back(c.sink);
  return r;
}

void ConnectionPoint::DisconnectAll() {
  std::vector<Connection> going;
  going.swap(sinks_);
  going.clear();
}

void ConnectionPoint::FireDispatch(DISPID dispid, const std::vector<Variant>& args) const {
  std::optional<platform::Error> firstFailure;
  for (const ComPtr<IUnknown>& sink : Sinks()) {
    auto* target = static_cast<IDispatch*>(sink.Get());  // Advise queried for a dispatch interface
    std::vector<Variant> reversed(args.rbegin(), args.rend());
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<uint32_t>(reversed.size());
    EXCEPINFO excep;
    uint32_t argErr = 0;
    const HRESULT h = target->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &excep, &argErr);
    if (h == DISP_E_EXCEPTION && !firstFailure) {
      if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
      firstFailure.emplace(FAILED(excep.scode) ? excep.scode : E_FAIL, excep.bstrDescription);
    }
  }
  if (firstFailure) throw *firstFailure;
}

void ConnectionPoint::FirePropertyChanged(DISPID dispid) const {
  for (const ComPtr<IUnknown>& sink : Sinks()) static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(dispid);
}

}  // namespace com
