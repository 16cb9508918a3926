// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <tuple>
#include <vector>

namespace velta::test {

// Fakes of the system's COM services, for what Wine does not do (Task
// Scheduler 2.0 drops triggers and actions, the firewall stores nothing):
// they record every call that sets or asks something, in order, into one
// shared log, and fail the call the test names. Tests only; one thread.
struct FakeComLog {
  // Records "Object.Method" or "Object.Method value"; fails (E_FAIL) when
  // `fail_on` is "Object.Method".
  HRESULT Call(const std::string& method, const std::wstring& value = std::wstring());

  std::vector<std::string> calls;
  std::string fail_on;
};

// A BSTR argument as the log writes it ("<null>" for a null one).
std::wstring Text(BSTR value);

// IUnknown for a fake that implements `Interfaces`, counting references; the
// object deletes itself at the last Release.
template <typename... Interfaces>
class FakeUnknown : public Interfaces... {
 public:
  FakeUnknown() = default;
  FakeUnknown(const FakeUnknown&) = delete;
  FakeUnknown& operator=(const FakeUnknown&) = delete;
  virtual ~FakeUnknown() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = FindInterface(iid);
    if (!*out)
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0)
      delete this;
    return left;
  }

 protected:
  using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

  // The interface pointer for `iid`, or null. By default IUnknown and any of
  // `Interfaces`; an object that implements several kinds (of trigger, say)
  // answers only its own.
  virtual void* FindInterface(REFIID iid) {
    if (iid == __uuidof(IUnknown))
      return static_cast<First*>(this);
    void* found = nullptr;
    ((found = (!found && iid == __uuidof(Interfaces)) ? static_cast<Interfaces*>(this) : found),
     ...);
    return found;
  }

 private:
  ULONG references_ = 0;
};

// FakeUnknown with IDispatch, which the faked automation interfaces derive
// from and the code under test never calls.
template <typename... Interfaces>
class FakeComObject : public FakeUnknown<Interfaces...> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE
  Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  using typename FakeUnknown<Interfaces...>::First;

  void* FindInterface(REFIID iid) override {
    if (iid == __uuidof(IDispatch))
      return static_cast<First*>(this);
    return FakeUnknown<Interfaces...>::FindInterface(iid);
  }
};

// Records `method` and `value` in `log`; unless that call is the failing one,
// hands out `object` as `out`.
template <typename Object, typename Interface>
HRESULT LoggedHandOut(FakeComLog* log,
                      const std::string& method,
                      const std::wstring& value,
                      const Microsoft::WRL::ComPtr<Object>& object,
                      Interface** out) {
  const HRESULT result = log->Call(method, value);
  return FAILED(result) ? result : object.CopyTo(out);
}

// A method of the faked interface that the code under test must not call.
#define VELTA_FAKE_COM_STUB(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_
