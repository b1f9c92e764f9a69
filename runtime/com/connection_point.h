#pragma once
// Outgoing interfaces of an object. A ConnectionPoint lives inside its
// container object and shares its reference count; sinks are held (one
// reference each) from Advise to Unadvise or until the container lets go.
// Firing walks a snapshot of the sinks, so a sink may connect or disconnect
// others (or itself) from inside a call without disturbing the round; the
// snapshot is the list itself, replaced whole on every change, so a round
// copies nothing.
#include "runtime/platform/export.h"
#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/com/com_ptr.h"
#include "runtime/com/interfaces.h"
#include "runtime/com/snapshot_list.h"
#include "runtime/automation/variant.h"

namespace com {

class KVQMXTMR_EXPORT ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : owner_(owner), iid_(iid) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  ~ConnectionPoint() { DisconnectAll(); }

  HRESULT QueryInterface(const IID& iid, void** ppv) override;
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }
  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // The sink must answer QueryInterface for this point's interface.
  HRESULT Advise(IUnknown* pUnkSink, uint32_t* pdwCookie) override;
  HRESULT Unadvise(uint32_t dwCookie) override;
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

  const IID& Iid() const { return iid_; }
  // The connected sinks, each as this point's interface, in order of connection.
  std::vector<ComPtr<IUnknown>> Sinks() const;
  void DisconnectAll();

  // Calls member `dispid` (DISPATCH_METHOD, arguments in natural order) on every
  // sink. Every sink is called; afterwards, the first sink that failed with
  // DISP_E_EXCEPTION has its error raised as platform::Error, so an error in
  // a host's handler reaches the code that raised the event.
  void FireDispatch(DISPID dispid, const std::vector<Variant>& args) const;
  // IPropertyNotifySink::OnChanged on every sink.
  void FirePropertyChanged(DISPID dispid) const;

 private:
  struct Connection {
    uint32_t cookie;
    ComPtr<IUnknown> sink;
  };
  IConnectionPointContainer* owner_;
  IID iid_;
  uint32_t nextCookie_ = 1;
  SnapshotList<Connection> sinks_;
};

// Enumerators over a snapshot; each holds its own references.
IEnumConnections* NewConnectionsEnumerator(std::vector<ComPtr<IUnknown>> sinks, std::vector<uint32_t> cookies);
KVQMXTMR_EXPORT IEnumConnectionPoints* NewConnectionPointsEnumerator(std::vector<ComPtr<IConnectionPoint>> points);

}  // namespace com
