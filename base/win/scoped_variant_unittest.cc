// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_variant.h"

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "gtest/gtest.h"

namespace base::win {
namespace {

// An IDispatch that only counts its references.
class CountingDispatch : public IDispatch {
 public:
  ULONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  ULONG references_ = 1;
};

TEST(ScopedVariantTest, InterfaceReferencesAreBalanced) {
  CountingDispatch dispatch;
  {
    ScopedVariant variant(&dispatch);
    EXPECT_EQ(static_cast<VARTYPE>(VT_DISPATCH), variant.type());
    EXPECT_EQ(2u, dispatch.references());
    variant.Set(&dispatch);  // the old reference goes first
    EXPECT_EQ(2u, dispatch.references());
    ScopedVariant moved(std::move(variant));
    EXPECT_EQ(static_cast<VARTYPE>(VT_EMPTY), variant.type());
    EXPECT_EQ(2u, dispatch.references());
    moved.Set(7);
    EXPECT_EQ(1u, dispatch.references());
    moved.Set(&dispatch);
  }
  EXPECT_EQ(1u, dispatch.references());

  ScopedVariant variant(&dispatch);
  VARIANT released = variant.Release();
  EXPECT_EQ(static_cast<VARTYPE>(VT_EMPTY), variant.type());
  EXPECT_EQ(2u, dispatch.references());
  variant.Reset(released);  // takes it back without another reference
  EXPECT_EQ(2u, dispatch.references());
  variant.Reset();
  EXPECT_EQ(1u, dispatch.references());
}

TEST(ScopedVariantTest, ValuesAreRealVariants) {
  ScopedVariant text(L"Velta");
  EXPECT_EQ(static_cast<VARTYPE>(VT_BSTR), text.type());
  EXPECT_STREQ(L"Velta", static_cast<const VARIANT&>(text).bstrVal);

  ScopedVariant number(1603);
  EXPECT_EQ(static_cast<VARTYPE>(VT_I4), number.type());
  ScopedVariant converted;
  ASSERT_EQ(S_OK, ::VariantChangeType(converted.Receive(), number.AsInput(), 0, VT_BSTR));
  EXPECT_STREQ(L"1603", static_cast<const VARIANT&>(converted).bstrVal);

  ScopedVariant flag(true);
  EXPECT_EQ(static_cast<VARTYPE>(VT_BOOL), flag.type());
  EXPECT_EQ(VARIANT_TRUE, static_cast<const VARIANT&>(flag).boolVal);
  flag.Set(false);
  EXPECT_EQ(VARIANT_FALSE, static_cast<const VARIANT&>(flag).boolVal);

  ScopedVariant unsigned_byte(200L, VT_UI1);
  EXPECT_EQ(static_cast<VARTYPE>(VT_UI1), unsigned_byte.type());
  EXPECT_EQ(200, static_cast<const VARIANT&>(unsigned_byte).bVal);
}

}  // namespace
}  // namespace base::win
