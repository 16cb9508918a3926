// Copyright 2026 Velta Software. All rights reserved.

#ifndef CRASH_REPORTER_CRT_HANDLERS_H_
#define CRASH_REPORTER_CRT_HANDLERS_H_

#include <windows.h>

#include <stdint.h>

#include "crash_reporter/minidump_writer.h"

namespace velta {

// The C runtime's reports of an invalid parameter and of a pure virtual call,
// turned into crashes that the crash roles can dump.
using InvalidParameterHandler = void(__cdecl*)(const wchar_t* expression,
                                               const wchar_t* function, const wchar_t* file,
                                               unsigned int line, uintptr_t reserved);
using PureCallHandler = void(__cdecl*)();

// The exception codes the two reports are dumped with.
inline constexpr uint32_t kInvalidParameterExceptionCode = 0xC000000D;
inline constexpr uint32_t kPureCallExceptionCode = 0xC0000025;

// Makes both handlers this process's: through the C runtime's setters,
// looked up at run time (Wine's msvcrt has none: an invalid parameter then
// ends in the runtime's own exception, which the unhandled-exception filter
// dumps), and as the target of g++'s pure calls (__cxa_pure_virtual). A null
// handler leaves that report as it was.
void SetCrtReportHandlers(InvalidParameterHandler invalid_parameter, PureCallHandler pure_call);

// The handlers SetCrtReportHandlers was last given; null before.
InvalidParameterHandler GetInvalidParameterHandler();
PureCallHandler GetPureCallHandler();

// Fills `record` for an invalid-parameter report: kind 1, each text when
// present and non-empty, cut to 127 units, and the line.
void FillInvalidParameterRecord(const wchar_t* expression, const wchar_t* function,
                                const wchar_t* file, unsigned int line, AssertionRecord* record);

// The exception pointers a report of the C runtime is dumped with: a record
// of `code` raised at `address` and the context captured on the calling
// thread. One set per process: only the first crashing thread gets here.
EXCEPTION_POINTERS* CaptureReportException(uint32_t code, void* address);

}  // namespace velta

#endif  // CRASH_REPORTER_CRT_HANDLERS_H_
