#pragma once
// The one connection point of the control: hosts connect their sink for the events interface and
// the control calls each connected sink's dispatch when an event is raised.

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <vector>

#include "com_util.h"

namespace brevix::activex {

class TEventConnectionPoint final : public IConnectionPoint {
 public:
  // owner supplies the identity (and the reference count) of this object.
  TEventConnectionPoint(IConnectionPointContainer& owner, REFIID events);
  ~TEventConnectionPoint();
  TEventConnectionPoint(const TEventConnectionPoint&) = delete;
  TEventConnectionPoint& operator=(const TEventConnectionPoint&) = delete;

  // Calls dispid with no arguments on every connected sink, in connection order.
  void Fire(DISPID dispid);
  std::size_t SinkCount() const { return FSinks.size(); }
  // Drops every connection (when the control goes away before its hosts disconnect).
  void DisconnectAll();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

 private:
  struct TSink {
    DWORD Cookie;
    TComPtr<IDispatch> Dispatch;
  };
  IConnectionPointContainer& FOwner;
  IID FEvents;
  std::vector<TSink> FSinks;
  DWORD FNextCookie = 1;
};

// Enumerates a fixed list of connection points.
HRESULT CreateConnectionPointEnumerator(std::vector<IConnectionPoint*> points,
                                        IEnumConnectionPoints** out);

}  // namespace brevix::activex
