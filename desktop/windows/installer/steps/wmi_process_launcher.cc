// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/wmi_process_launcher.h"

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace velta {

bool WmiLaunchProcess(const std::wstring& command_line, uint32_t* process_id) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IWbemLocator> locator;
  HRESULT result = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&locator));
  if (FAILED(result)) {
    LOG(ERROR) << "Cannot create the WMI locator: 0x" << std::hex << result;
    return false;
  }
  ComPtr<IWbemServices> services;
  base::win::ScopedBstr name_space(L"ROOT\\CIMV2");
  result = locator->ConnectServer(name_space.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                  nullptr, &services);
  if (FAILED(result)) {
    LOG(ERROR) << "Cannot connect to WMI: 0x" << std::hex << result;
    return false;
  }
  result = ::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                               RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                               EOAC_NONE);
  if (FAILED(result)) {
    LOG(ERROR) << "Cannot set the WMI proxy's security: 0x" << std::hex << result;
    return false;
  }
  base::win::ScopedBstr class_name(L"Win32_Process");
  base::win::ScopedBstr method_name(L"Create");
  ComPtr<IWbemClassObject> process_class;
  result = services->GetObject(class_name.Get(), 0, nullptr, &process_class, nullptr);
  if (FAILED(result)) {
    LOG(ERROR) << "Cannot get Win32_Process: 0x" << std::hex << result;
    return false;
  }
  ComPtr<IWbemClassObject> in_class;
  result = process_class->GetMethod(method_name.Get(), 0, &in_class, nullptr);
  ComPtr<IWbemClassObject> in_params;
  if (SUCCEEDED(result))
    result = in_class->SpawnInstance(0, &in_params);
  base::win::ScopedVariant command(command_line.c_str());
  if (SUCCEEDED(result))
    result = in_params->Put(L"CommandLine", 0, command.AsInput(), 0);
  ComPtr<IWbemClassObject> out_params;
  if (SUCCEEDED(result)) {
    result = services->ExecMethod(class_name.Get(), method_name.Get(), 0, nullptr,
                                  in_params.Get(), &out_params, nullptr);
  }
  if (FAILED(result) || !out_params) {
    LOG(ERROR) << "Win32_Process.Create failed: 0x" << std::hex << result;
    return false;
  }
  base::win::ScopedVariant return_value;
  if (FAILED(out_params->Get(L"ReturnValue", 0, return_value.Receive(), nullptr, nullptr)) ||
      return_value.type() != VT_I4 || V_I4(return_value.AsInput()) != 0) {
    LOG(ERROR) << "Win32_Process.Create did not start " << base::WideToUTF8(command_line);
    return false;
  }
  if (process_id) {
    base::win::ScopedVariant id;
    *process_id = SUCCEEDED(out_params->Get(L"ProcessId", 0, id.Receive(), nullptr, nullptr)) &&
                          id.type() == VT_I4
                      ? static_cast<uint32_t>(V_I4(id.AsInput()))
                      : 0;
  }
  return true;
}

}  // namespace velta
