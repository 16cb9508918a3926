// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_WIN_MINGW_SDK_GAPS_H_
#define BASE_WIN_MINGW_SDK_GAPS_H_

// What MinGW-w64's headers and import libraries lack, declared once.
//
// The rule for this file:
// - Each block starts with a comment naming the system header (or import
//   library) that should have had the declaration, and why it is missing here
//   (absent from MinGW, or hidden by our _WIN32_WINNT of Windows 7).
// - Declarations copy the documented signature and values exactly; nothing
//   is invented, nothing is wrapped.
// - Add only what our code uses, nothing more. A function newer than
//   Windows 7 is declared here only so that BASE_WIN_GET_FUNCTION can take its
//   type; it is never called directly (it would be imported, and the binary
//   would not start where it is missing).
// - A block that MinGW hides behind _WIN32_WINNT is guarded by the same
//   condition, so that it steps aside when the target version is raised.

#include <windows.h>
#include <msxml2.h>
#include <netfw.h>
#include <shellscalingapi.h>
#include <shobjidl.h>
#include <taskschd.h>

// <wow64apiset.h>: IsWow64Process2 (Windows 10 1511) is declared only for
// _WIN32_WINNT >= 0x0A00.
#if _WIN32_WINNT < 0x0A00
extern "C" WINBASEAPI WINBOOL WINAPI IsWow64Process2(HANDLE process,
                                                     USHORT* process_machine,
                                                     USHORT* native_machine);
#endif

// <wdm.h> (ntdll.lib): RtlGetVersion is a kernel-mode header's function that
// user mode may call; MinGW's user-mode headers do not declare it. Unlike
// GetVersionExW it reports the real version whatever the manifest says.
extern "C" NTSYSAPI LONG NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW version_information);

// <processthreadsapi.h>: SetThreadDescription (Windows 10 1607) is absent from
// MinGW's copy.
extern "C" WINBASEAPI HRESULT WINAPI SetThreadDescription(HANDLE thread,
                                                          PCWSTR thread_description);

// <shellscalingapi.h> (shcore.lib): GetDpiForMonitor and GetProcessDpiAwareness
// (Windows 8.1) are declared only for NTDDI_VERSION >= NTDDI_WINBLUE; their
// enumerations are declared for every version.
#if NTDDI_VERSION < NTDDI_WINBLUE
extern "C" HRESULT STDAPICALLTYPE GetDpiForMonitor(HMONITOR monitor,
                                                   MONITOR_DPI_TYPE dpi_type,
                                                   UINT* dpi_x,
                                                   UINT* dpi_y);
extern "C" HRESULT STDAPICALLTYPE GetProcessDpiAwareness(HANDLE process,
                                                         PROCESS_DPI_AWARENESS* value);
#endif

// <winuser.h>: GetDpiForWindow (Windows 10 1607) and
// SetProcessDpiAwarenessContext (Windows 10 1703) are declared only for
// WINVER >= 0x0605.
#if WINVER < 0x0605
extern "C" WINUSERAPI UINT WINAPI GetDpiForWindow(HWND window);
extern "C" WINUSERAPI BOOL WINAPI SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT value);
#endif

// <wincrypt.h>: szOID_NESTED_SIGNATURE (the unauthenticated attribute that
// holds a nested Authenticode signature) is absent from MinGW's copy.
#ifndef szOID_NESTED_SIGNATURE
#define szOID_NESTED_SIGNATURE "1.3.6.1.4.1.311.2.4.1"
#endif

// <shobjidl.h> (uuid.lib): IApplicationActivationManager, its ACTIVATEOPTIONS
// and CLSID_ApplicationActivationManager (Windows 8) are declared only for
// NTDDI_VERSION >= NTDDI_WIN8; uuid.lib defines the identifiers for every
// version.
#if NTDDI_VERSION < NTDDI_WIN8
typedef enum ACTIVATEOPTIONS {
  AO_NONE = 0x0,
  AO_DESIGNMODE = 0x1,
  AO_NOERRORUI = 0x2,
  AO_NOSPLASHSCREEN = 0x4
} ACTIVATEOPTIONS;

EXTERN_C const CLSID CLSID_ApplicationActivationManager;

MIDL_INTERFACE("2e941141-7f97-4756-ba1d-9decde894a3d")
IApplicationActivationManager : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ActivateApplication(LPCWSTR appUserModelId,
                                                        LPCWSTR arguments,
                                                        ACTIVATEOPTIONS options,
                                                        DWORD* processId) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateForFile(LPCWSTR appUserModelId,
                                                    IShellItemArray* itemArray,
                                                    LPCWSTR verb,
                                                    DWORD* processId) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateForProtocol(LPCWSTR appUserModelId,
                                                        IShellItemArray* itemArray,
                                                        DWORD* processId) = 0;
};
__CRT_UUID_DECL(IApplicationActivationManager, 0x2e941141, 0x7f97, 0x4756, 0xba, 0x1d, 0x9d,
                0xec, 0xde, 0x89, 0x4a, 0x3d)
#endif

// <winerror.h>: ERROR_DISK_RESOURCES_EXHAUSTED is absent from MinGW's copy.
#ifndef ERROR_DISK_RESOURCES_EXHAUSTED
#define ERROR_DISK_RESOURCES_EXHAUSTED 314L
#endif

// <msxml2.h> (uuid.lib): CLSID_DOMDocument30, the MSXML 3.0 document, is
// declared but uuid.lib does not define it.
EXTERN_C __declspec(selectany) const CLSID CLSID_DOMDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

// <taskschd.h> (uuid.lib): ILogonTrigger, IBootTrigger and IRegistrationTrigger
// (Task Scheduler 2.0, Windows Vista) are absent from MinGW's copy, which
// has their ITrigger base and the TASK_TRIGGER_LOGON, TASK_TRIGGER_BOOT and
// TASK_TRIGGER_REGISTRATION values.
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0,
                0x2b, 0x1c)

MIDL_INTERFACE("2a9c35da-d357-41f4-bbc1-207ac1b1f3cb")
IBootTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IBootTrigger, 0x2a9c35da, 0xd357, 0x41f4, 0xbb, 0xc1, 0x20, 0x7a, 0xc1, 0xb1,
                0xf3, 0xcb)

MIDL_INTERFACE("4c8fec3a-c218-4e0c-b23d-629024db91a2")
IRegistrationTrigger : public ITrigger {
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IRegistrationTrigger, 0x4c8fec3a, 0xc218, 0x4e0c, 0xb2, 0x3d, 0x62, 0x90, 0x24,
                0xdb, 0x91, 0xa2)

// <taskschd.h> (uuid.lib): CLSID_TaskScheduler, the Task Scheduler 2.0
// service, is declared but no import library defines it.
EXTERN_C __declspec(selectany) const CLSID CLSID_TaskScheduler = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};

// <netfw.h> (uuid.lib): CLSID_NetFwPolicy2 and CLSID_NetFwRule, Windows
// Firewall with Advanced Security, are declared but no import library defines
// them.
EXTERN_C __declspec(selectany) const CLSID CLSID_NetFwPolicy2 = {
    0xe2b3c97f, 0x6ae1, 0x41ac, {0x81, 0x7a, 0xf6, 0xf9, 0x21, 0x66, 0xd7, 0xdd}};
EXTERN_C __declspec(selectany) const CLSID CLSID_NetFwRule = {
    0x2c5bc43e, 0x3369, 0x4c33, {0xab, 0x0c, 0xbe, 0x94, 0x69, 0x67, 0x7a, 0xf4}};

#endif  // BASE_WIN_MINGW_SDK_GAPS_H_
