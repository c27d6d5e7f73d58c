#include "connection_point.h"

#include <algorithm>
#include <new>
#include <utility>

namespace brevix::activex {
namespace {

void AddRefItem(IConnectionPoint* p) {
  p->AddRef();
}
void ReleaseItem(IConnectionPoint* p) {
  p->Release();
}
void AddRefItem(const CONNECTDATA& d) {
  d.pUnk->AddRef();
}
void ReleaseItem(const CONNECTDATA& d) {
  d.pUnk->Release();
}

// A snapshot enumerator: it holds a reference to every item it lists and hands out new ones.
template <class Interface, class Item>
class TEnumerator final : public Interface {
 public:
  TEnumerator(std::vector<Item> items, const IID& iid) : FItems(std::move(items)), FIid(iid) {
    for (const Item& item : FItems) AddRefItem(item);
  }
  ~TEnumerator() {
    for (const Item& item : FItems) ReleaseItem(item);
  }
  TEnumerator(const TEnumerator&) = delete;
  TEnumerator& operator=(const TEnumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == FIid) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++FRefs); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long n = --FRefs;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && FPos < FItems.size()) {
      items[n] = FItems[FPos++];
      AddRefItem(items[n]);
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const std::size_t left = FItems.size() - FPos;
    FPos += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    FPos = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
    if (!out) return E_POINTER;
    auto* copy = new (std::nothrow) TEnumerator(FItems, FIid);
    if (!copy) return E_OUTOFMEMORY;
    copy->FPos = FPos;
    *out = copy;
    return S_OK;
  }

 private:
  long FRefs = 1;
  std::vector<Item> FItems;
  IID FIid;
  std::size_t FPos = 0;
};

}  // namespace

TEventConnectionPoint::TEventConnectionPoint(IConnectionPointContainer& owner, REFIID events)
    : FOwner(owner), FEvents(events) {}

TEventConnectionPoint::~TEventConnectionPoint() = default;

void TEventConnectionPoint::Fire(DISPID dispid) {
  // A sink may disconnect (or connect others) while it handles the event: call a snapshot.
  std::vector<TComPtr<IDispatch>> sinks;
  sinks.reserve(FSinks.size());
  for (const TSink& s : FSinks) sinks.push_back(s.Dispatch);
  for (const TComPtr<IDispatch>& sink : sinks) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                 nullptr);
  }
}

void TEventConnectionPoint::DisconnectAll() {
  FSinks.clear();
}

HRESULT TEventConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG TEventConnectionPoint::AddRef() {
  return FOwner.AddRef();
}

ULONG TEventConnectionPoint::Release() {
  return FOwner.Release();
}

HRESULT TEventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = FEvents;
  return S_OK;
}

HRESULT TEventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &FOwner;
  FOwner.AddRef();
  return S_OK;
}

HRESULT TEventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // The sink must speak the events interface; a plain dispatch is accepted too, since events are
  // delivered through dispatch alone.
  TComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(FEvents, reinterpret_cast<void**>(dispatch.Put()))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.Put())))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  FSinks.push_back(TSink{FNextCookie, std::move(dispatch)});
  *cookie = FNextCookie++;
  return S_OK;
}

HRESULT TEventConnectionPoint::Unadvise(DWORD cookie) {
  const auto it = std::find_if(FSinks.begin(), FSinks.end(),
                               [cookie](const TSink& s) { return s.Cookie == cookie; });
  if (it == FSinks.end()) return CONNECT_E_NOCONNECTION;
  FSinks.erase(it);
  return S_OK;
}

HRESULT TEventConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  std::vector<CONNECTDATA> items;
  for (const TSink& s : FSinks) items.push_back(CONNECTDATA{s.Dispatch.Get(), s.Cookie});
  *out = new (std::nothrow)
      TEnumerator<IEnumConnections, CONNECTDATA>(std::move(items), IID_IEnumConnections);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateConnectionPointEnumerator(std::vector<IConnectionPoint*> points,
                                        IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) TEnumerator<IEnumConnectionPoints, IConnectionPoint*>(
      std::move(points), IID_IEnumConnectionPoints);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace brevix::activex
