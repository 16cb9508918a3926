// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_

#include <windows.h>
#include <oaidl.h>

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

// IUnknown and IDispatch for a fake that implements `Interfaces`, counting
// references; the object deletes itself at the last Release.
template <typename... Interfaces>
class FakeComObject : public Interfaces... {
 public:
  FakeComObject() = default;
  FakeComObject(const FakeComObject&) = delete;
  FakeComObject& operator=(const FakeComObject&) = delete;
  virtual ~FakeComObject() = default;

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
  // The interface pointer for `iid`, or null. By default any of
  // `Interfaces`; an object that implements several kinds (of trigger, say)
  // answers only its own.
  virtual void* FindInterface(REFIID iid) {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch))
      return static_cast<First*>(this);
    void* found = nullptr;
    ((found = (!found && iid == __uuidof(Interfaces)) ? static_cast<Interfaces*>(this) : found),
     ...);
    return found;
  }

 private:
  using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
  ULONG references_ = 0;
};

// A method of the faked interface that the code under test must not call.
#define VELTA_FAKE_COM_STUB(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_COM_OBJECT_H_
