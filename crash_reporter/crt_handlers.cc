// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crt_handlers.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <exception>

#include "base/win/get_function.h"

namespace velta {
namespace {

std::atomic<InvalidParameterHandler> g_invalid_parameter{nullptr};
std::atomic<PureCallHandler> g_pure_call{nullptr};

// The runtimes a MinGW build may run on; the first that has the setter wins.
constexpr const wchar_t* kRuntimes[] = {L"msvcrt.dll", L"ucrtbase.dll"};

template <typename Handler>
void SetWithRuntime(const char* setter_name, Handler handler) {
  using Setter = Handler(__cdecl*)(Handler);
  for (const wchar_t* runtime : kRuntimes) {
    if (const auto setter = base::win::GetFunction<Setter>(runtime, setter_name)) {
      setter(handler);
      return;
    }
  }
}

void CopyText(const wchar_t* text, char16_t* target) {
  if (!text || !*text)
    return;
  size_t length = wcslen(text);
  if (length > AssertionRecord::kTextUnits - 1)
    length = AssertionRecord::kTextUnits - 1;
  memcpy(target, text, length * sizeof(char16_t));
  target[length] = 0;
}

}  // namespace

void SetCrtReportHandlers(InvalidParameterHandler invalid_parameter, PureCallHandler pure_call) {
  if (invalid_parameter) {
    g_invalid_parameter = invalid_parameter;
    SetWithRuntime("_set_invalid_parameter_handler", invalid_parameter);
  }
  if (pure_call) {
    g_pure_call = pure_call;
    SetWithRuntime("_set_purecall_handler", pure_call);
  }
}

InvalidParameterHandler GetInvalidParameterHandler() {
  return g_invalid_parameter;
}

PureCallHandler GetPureCallHandler() {
  return g_pure_call;
}

void FillInvalidParameterRecord(const wchar_t* expression, const wchar_t* function,
                                const wchar_t* file, unsigned int line, AssertionRecord* record) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");
  *record = AssertionRecord();
  record->kind = kAssertionKindInvalidParameter;
  CopyText(expression, record->expression);
  CopyText(function, record->function);
  CopyText(file, record->file);
  record->line = line;
}

EXCEPTION_POINTERS* CaptureReportException(uint32_t code, void* address) {
  static EXCEPTION_RECORD record;
  static CONTEXT context;
  static EXCEPTION_POINTERS pointers;
  ::RtlCaptureContext(&context);
  record = EXCEPTION_RECORD();
  record.ExceptionCode = code;
  record.ExceptionAddress = address;
  pointers.ExceptionRecord = &record;
  pointers.ContextRecord = &context;
  return &pointers;
}

}  // namespace velta

// g++ calls these for a pure or deleted virtual function; defining them here
// keeps libsupc++'s object (which defines both) out of the link. A pure call
// goes to the crash roles' handler; without one, or should it return, the
// process ends as the runtime would end it.
extern "C" void __cxa_pure_virtual() {
  if (const velta::PureCallHandler handler = velta::GetPureCallHandler())
    handler();
  fputs("pure virtual method called\n", stderr);
  std::terminate();
}

extern "C" void __cxa_deleted_virtual() {
  fputs("deleted virtual method called\n", stderr);
  std::terminate();
}
