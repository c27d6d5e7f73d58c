#pragma once
// What the Windows test hosts share: a tiny check runner, late-bound calls through IDispatch, and
// an event sink that records what the control raises.

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace brevix::hosttest {

// --- Checks -------------------------------------------------------------------------------------

class TRunner {
 public:
  // Runs one named group of checks; a check failure is reported and counted, not fatal.
  void Group(const char* name, const std::function<void()>& body);
  void Check(bool ok, const std::string& what, const char* file, int line);
  int Failures() const { return FFailures; }
  int Checks() const { return FChecks; }
  // Prints the summary and returns the process exit code.
  int Finish();

 private:
  const char* FGroup = "";
  int FFailures = 0;
  int FChecks = 0;
};

TRunner& Runner();

#define CHECK(cond) ::brevix::hosttest::Runner().Check((cond), #cond, __FILE__, __LINE__)
#define CHECK_MSG(cond, msg) ::brevix::hosttest::Runner().Check((cond), (msg), __FILE__, __LINE__)
#define CHECK_EQ(a, b) ::brevix::hosttest::CheckEqual((a), (b), #a " == " #b, __FILE__, __LINE__)
#define CHECK_HR(expr) CHECK_EQ(::brevix::hosttest::HexHr(expr), ::brevix::hosttest::HexHr(S_OK))

std::string Show(long v);
std::string Show(int v);
std::string Show(unsigned long v);
std::string Show(unsigned int v);
std::string Show(short v);
std::string Show(long long v);
std::string Show(unsigned long long v);
std::string Show(unsigned short v);
std::string Show(bool v);
std::string Show(const std::string& v);
std::string Show(const char* v);
std::string Show(const std::wstring& v);
std::string Show(const wchar_t* v);
std::string HexHr(HRESULT hr);

// Evaluates each side once (they may be calls with side effects) and reports both values.
template <class A, class B>
void CheckEqual(const A& a, const B& b, const char* text, const char* file, int line) {
  const bool ok = a == b;
  Runner().Check(
      ok, ok ? std::string() : std::string(text) + " (got " + Show(a) + ", want " + Show(b) + ")",
      file, line);
}

// --- Strings ------------------------------------------------------------------------------------

std::wstring Wide(const std::string& s);
std::string Narrow(const std::wstring& s);

// --- Late binding -------------------------------------------------------------------------------

// A VARIANT that clears itself.
struct TVar {
  VARIANT V;
  TVar() { VariantInit(&V); }
  explicit TVar(long v) : TVar() {
    V_VT(&V) = VT_I4;
    V_I4(&V) = v;
  }
  explicit TVar(bool v) : TVar() {
    V_VT(&V) = VT_BOOL;
    V_BOOL(&V) = v ? VARIANT_TRUE : VARIANT_FALSE;
  }
  explicit TVar(const std::wstring& s) : TVar() {
    V_VT(&V) = VT_BSTR;
    V_BSTR(&V) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  }
  explicit TVar(IDispatch* d) : TVar() {
    V_VT(&V) = VT_DISPATCH;
    V_DISPATCH(&V) = d;
    if (d) d->AddRef();
  }
  TVar(const TVar&) = delete;
  TVar& operator=(const TVar&) = delete;
  ~TVar() { VariantClear(&V); }
  long Long() const;
  bool Bool() const;
  std::wstring String() const;
};

// Outcome of one late-bound call: its HRESULT, its result and the error description.
struct TCallResult {
  HRESULT Hr = E_FAIL;
  std::wstring Description;
  bool Ok() const { return SUCCEEDED(Hr); }
};

// Calls members by name through GetIDsOfNames and Invoke.
class TLateBound {
 public:
  explicit TLateBound(IDispatch* d) : FDisp(d) {}
  DISPID Id(const wchar_t* name) const;
  TCallResult Get(const wchar_t* name, TVar& result) const;
  TCallResult Put(const wchar_t* name, const TVar& value) const;
  TCallResult Call(const wchar_t* name, TVar* result = nullptr, const TVar* arg = nullptr) const;
  TCallResult InvokeRaw(DISPID id, WORD flags, VARIANT* args, UINT count, TVar* result) const;
  long GetLong(const wchar_t* name) const;
  bool GetBool(const wchar_t* name) const;
  std::wstring GetString(const wchar_t* name) const;
  std::wstring CallString(const wchar_t* name) const;

 private:
  IDispatch* FDisp;
};

// --- Events -------------------------------------------------------------------------------------

// Records the DISPID of every event it receives, in order.
class TEventSink final : public IDispatch {
 public:
  explicit TEventSink(REFIID events) : FEvents(events) {}
  std::vector<DISPID> Received;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override { return --FRefs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    Received.push_back(id);
    return S_OK;
  }
  ULONG Refs() const { return FRefs; }

 private:
  IID FEvents;
  ULONG FRefs = 1;
};

// Pumps the thread's messages until none is left.
void PumpMessages();

// --- Pictures -----------------------------------------------------------------------------------

// A 32-bit top-down picture read back from GDI.
struct TPixels {
  int Width = 0, Height = 0;
  std::vector<unsigned> Bgrx;
  unsigned At(int x, int y) const { return Bgrx[static_cast<size_t>(y) * Width + x] & 0xFFFFFF; }
  // Number of distinct colours and of dark pixels (all channels below 0x80).
  int DarkPixels() const;
  // Dark-to-light changes along row y: a barcode has many.
  int Transitions(int y) const;
};
TPixels ReadBitmap(HBITMAP bitmap);

}  // namespace brevix::hosttest
