// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_com_initializer.h"

#include "base/logging.h"

namespace base::win {

ScopedCOMInitializer::ScopedCOMInitializer()
    : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {
  LOG_IF(ERROR, FAILED(hr_)) << "Cannot initialise COM (STA): 0x" << std::hex << hr_;
}

ScopedCOMInitializer::ScopedCOMInitializer(SelectMTA)
    : hr_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
  LOG_IF(ERROR, FAILED(hr_)) << "Cannot initialise COM (MTA): 0x" << std::hex << hr_;
}

ScopedCOMInitializer::~ScopedCOMInitializer() {
  if (Succeeded())
    ::CoUninitialize();
}

}  // namespace base::win
