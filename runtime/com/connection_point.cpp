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
  sinks_.Append({cookie, std::move(sink)});
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t dwCookie) {
  // The sink's last reference may go now, and its Release may call back into
  // this point: the list no longer holds it by then.
  if (!sinks_.RemoveFirst([&](const Connection& c) { return c.cookie == dwCookie; })) return CONNECT_E_NOCONNECTION;
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum == nullptr) return E_POINTER;
  std::vector<ComPtr<IUnknown>> sinks;
  std::vector<uint32_t> cookies;
  if (const auto now = sinks_.Snapshot()) {
    for (const auto& c : *now) {
      sinks.push_back(c.sink);
      cookies.push_back(c.cookie);
    }
  }
  *ppEnum = NewConnectionsEnumerator(std::move(sinks), std::move(cookies));
  return S_OK;
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const {
  std::vector<ComPtr<IUnknown>> r;
  if (const auto now = sinks_.Snapshot()) {
    r.reserve(now->size());
    for (const auto& c : *now) r.push_back(c.sink);
  }
  return r;
}

void ConnectionPoint::DisconnectAll() { sinks_.Clear(); }

void ConnectionPoint::FireDispatch(DISPID dispid, const std::vector<Variant>& args) const {
  const auto round = sinks_.Snapshot();
  if (!round) return;
  std::optional<platform::Error> firstFailure;
  std::vector<Variant> reversed;  // each sink gets the arguments afresh
  for (const Connection& connection : *round) {
    auto* target = static_cast<IDispatch*>(connection.sink.Get());  // Advise queried for a dispatch interface
    reversed.assign(args.rbegin(), args.rend());
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
  const auto round = sinks_.Snapshot();
  if (!round) return;
  for (const Connection& connection : *round)
    static_cast<IPropertyNotifySink*>(connection.sink.Get())->OnChanged(dispid);
}

}  // namespace com
