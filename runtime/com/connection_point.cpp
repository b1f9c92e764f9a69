#include "runtime/com/connection_point.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "runtime/com/object_base.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

class ConnectionsEnumerator final : public ObjectBase<ConnectionsEnumerator, IEnumConnections> {
 public:
  ConnectionsEnumerator(std::vector<ComPtr<IUnknown>> sinks, std::vector<uint32_t> cookies, size_t at = 0)
      : sinks_(std::move(sinks)), cookies_(std::move(cookies)), at_(at) {}

  HRESULT Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && at_ < sinks_.size(); ++n, ++at_) {
      out[n].pUnk = ComPtr<IUnknown>(sinks_[at_]).Detach();
      out[n].dwCookie = cookies_[at_];
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    const size_t left = sinks_.size() - at_;
    at_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnections** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new ConnectionsEnumerator(sinks_, cookies_, at_);
    return S_OK;
  }

 private:
  std::vector<ComPtr<IUnknown>> sinks_;
  std::vector<uint32_t> cookies_;
  size_t at_;
};

class PointsEnumerator final : public ObjectBase<PointsEnumerator, IEnumConnectionPoints> {
 public:
  explicit PointsEnumerator(std::vector<ComPtr<IConnectionPoint>> points, size_t at = 0)
      : points_(std::move(points)), at_(at) {}

  HRESULT Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && at_ < points_.size(); ++n, ++at_) out[n] = ComPtr<IConnectionPoint>(points_[at_]).Detach();
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    const size_t left = points_.size() - at_;
    at_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    at_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnectionPoints** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new PointsEnumerator(points_, at_);
    return S_OK;
  }

 private:
  std::vector<ComPtr<IConnectionPoint>> points_;
  size_t at_;
};

}  // namespace

IEnumConnections* NewConnectionsEnumerator(std::vector<ComPtr<IUnknown>> sinks, std::vector<uint32_t> cookies) {
  return new ConnectionsEnumerator(std::move(sinks), std::move(cookies));
}

IEnumConnectionPoints* NewConnectionPointsEnumerator(std::vector<ComPtr<IConnectionPoint>> points) {
  return new PointsEnumerator(std::move(points));
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
