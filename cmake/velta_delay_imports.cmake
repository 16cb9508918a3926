# Delay-loaded system libraries: velta_delay_import(<target> <library>
# FUNCTIONS <name>...) makes <target> load <library>.dll on the first call
# of one of the functions instead of at its start, so that a process that
# never calls them (a version query, the crash reporter) neither loads the
# library nor runs its start-up code.
#
# How: a source file generated into the build tree holds the library's
# delay-import table (the descriptor, an address slot and a name for each
# function) and a stub for each function. <target> compiles it, so its
# definitions of the functions' import slots (__imp_<function>) take the
# place of the toolchain's import library, whose members are then never
# linked. A slot first points at the function's stub, which hands the slot
# to MinGW-w64's __delayLoadHelper2: that loads the library (once), looks
# the function up, writes its address into the slot and calls it; later
# calls go straight through the slot. The stubs keep every argument
# register (the floating-point ones of x64 included). The table is our own
# rather than dlltool's --output-delaylib, whose 32-bit slots the linker
# leaves null.
#
# FUNCTIONS must name every function of the library that <target> calls:
# one that is missing comes from the toolchain's import library, which puts
# the library back on the import table (ImportTableTest in e2e/ fails). A
# name that the toolchain's import library does not have on this
# architecture (the *LongPtr* functions of user32 are macros on x86) is left
# out. On x86 the symbols take their stdcall decoration (function@bytes)
# from the toolchain's import library.
#
# The library is looked up by its plain name, like an import: from the
# system folder or, for the common controls, the side-by-side version the
# executable's manifest names. A library or function that cannot be found
# raises an exception at the call, which the crash handler reports. Only
# libraries and functions that every supported Windows (7 and later) has are
# listed: until they were delay-loaded, a missing one stopped every start.
# A function that newer Windows versions add is looked up with
# BASE_WIN_GET_FUNCTION instead (base/win/get_function.h).

set(VELTA_DELAY_IMPORTS_DIR ${CMAKE_BINARY_DIR}/delay_imports)

function(velta_delay_import target library)
  cmake_parse_arguments(ARG "" "" "FUNCTIONS" ${ARGN})
  if(NOT ARG_FUNCTIONS)
    message(FATAL_ERROR "velta_delay_import(${target} ${library}): FUNCTIONS is empty")
  endif()
  execute_process(
    COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${library}.a
    OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${import_library}" OR NOT EXISTS "${import_library}")
    message(FATAL_ERROR "velta_delay_import: the toolchain has no lib${library}.a")
  endif()
  execute_process(
    COMMAND ${CMAKE_NM} --defined-only ${import_library}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
  if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "velta_delay_import: ${CMAKE_NM} cannot read ${import_library}")
  endif()

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(underscore "")
    set(pointer ".quad")
    set(pointer_align 3)
  else()
    set(underscore "_")
    set(pointer ".long")
    set(pointer_align 2)
  endif()
  set(tail "velta_delay_tail_${library}")

  # Each function: its slot in the address table, its entry in the name
  # table, its name, its stub, and the plain function for a call that does
  # not go through the slot.
  set(slots "")
  set(entries "")
  set(names "")
  set(stubs "")
  foreach(function IN LISTS ARG_FUNCTIONS)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      if(NOT symbols MATCHES " __imp_${function}\n")
        continue()
      endif()
      set(symbol "${function}")
    else()
      string(REGEX MATCH " __imp__${function}(@[0-9]+)?\n" match "${symbols}")
      if(NOT match)
        continue()
      endif()
      set(symbol "_${function}${CMAKE_MATCH_1}")
    endif()
    string(APPEND slots
      "  .globl __imp_${symbol}\n"
      "__imp_${symbol}:\n"
      "  ${pointer} .Lstub_${function}\n")
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(APPEND entries "  .rva .Lname_${function}\n  .long 0\n")
      string(APPEND stubs
        ".Lstub_${function}:\n"
        "  leaq __imp_${symbol}(%rip), %rax\n"
        "  jmp ${tail}\n"
        "  .globl ${symbol}\n"
        "${symbol}:\n"
        "  jmp *__imp_${symbol}(%rip)\n")
    else()
      string(APPEND entries "  .rva .Lname_${function}\n")
      string(APPEND stubs
        ".Lstub_${function}:\n"
        "  movl $__imp_${symbol}, %eax\n"
        "  jmp ${tail}\n"
        "  .globl ${symbol}\n"
        "${symbol}:\n"
        "  jmp *__imp_${symbol}\n")
    endif()
    string(APPEND names
      "  .p2align 1\n"
      ".Lname_${function}:\n"
      "  .short 0\n"
      "  .asciz \"${function}\"\n")
  endforeach()

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The Windows x64 convention: the helper may change rcx, rdx, r8, r9 and
    # xmm0-xmm3, which hold the function's arguments; 0x88 bytes keep the
    # stack 16-byte aligned and leave the helper its 32-byte home area.
    set(tail_code
      "  .seh_proc ${tail}\n"
      "${tail}:\n"
      "  subq $0x88, %rsp\n"
      "  .seh_stackalloc 0x88\n"
      "  .seh_endprologue\n"
      "  movq %rcx, 0x20(%rsp)\n"
      "  movq %rdx, 0x28(%rsp)\n"
      "  movq %r8, 0x30(%rsp)\n"
      "  movq %r9, 0x38(%rsp)\n"
      "  movaps %xmm0, 0x40(%rsp)\n"
      "  movaps %xmm1, 0x50(%rsp)\n"
      "  movaps %xmm2, 0x60(%rsp)\n"
      "  movaps %xmm3, 0x70(%rsp)\n"
      "  movq %rax, %rdx\n"
      "  leaq .Ldescriptor(%rip), %rcx\n"
      "  call __delayLoadHelper2\n"
      "  movaps 0x70(%rsp), %xmm3\n"
      "  movaps 0x60(%rsp), %xmm2\n"
      "  movaps 0x50(%rsp), %xmm1\n"
      "  movaps 0x40(%rsp), %xmm0\n"
      "  movq 0x38(%rsp), %r9\n"
      "  movq 0x30(%rsp), %r8\n"
      "  movq 0x28(%rsp), %rdx\n"
      "  movq 0x20(%rsp), %rcx\n"
      "  addq $0x88, %rsp\n"
      "  jmp *%rax\n"
      "  .seh_endproc\n")
  else()
    # stdcall and cdecl: the arguments are on the stack; ecx and edx may
    # carry fastcall or this arguments and are kept too.
    set(tail_code
      "${tail}:\n"
      "  pushl %ecx\n"
      "  pushl %edx\n"
      "  pushl %eax\n"
      "  pushl $.Ldescriptor\n"
      "  call ___delayLoadHelper2@8\n"
      "  popl %edx\n"
      "  popl %ecx\n"
      "  jmp *%eax\n")
  endif()
  string(JOIN "" tail_code ${tail_code})

  set(assembly
    "  .section .rdata,\"dr\"\n"
    "  .p2align 2\n"
    ".Ldescriptor:\n"
    "  .long 1\n"  # the fields below are relative addresses
    "  .rva .Ldll_name\n"
    "  .rva .Lmodule\n"
    "  .rva .Lslots\n"
    "  .rva .Lentries\n"
    "  .long 0, 0, 0\n"
    "  .p2align ${pointer_align}\n"
    ".Lentries:\n"
    "${entries}"
    "  ${pointer} 0\n"
    "${names}"
    ".Ldll_name:\n"
    "  .asciz \"${library}.dll\"\n"
    "  .data\n"
    "  .p2align ${pointer_align}\n"
    ".Lmodule:\n"
    "  ${pointer} 0\n"
    ".Lslots:\n"
    "${slots}"
    "  ${pointer} 0\n"
    "  .text\n"
    "${stubs}"
    "${tail_code}")
  string(JOIN "" assembly ${assembly})
  string(REPLACE "\\" "\\\\" assembly "${assembly}")
  string(REPLACE "\"" "\\\"" assembly "${assembly}")
  string(REPLACE "\n" "\\n\"\n\"" assembly "${assembly}")

  set(source ${VELTA_DELAY_IMPORTS_DIR}/${target}_${library}.c)
  # Written only when it changes, so that configuring again rebuilds nothing.
  file(WRITE ${source}.new
    "/* Generated by cmake/velta_delay_imports.cmake: ${library}.dll, delay-loaded. */\n__asm__(\"${assembly}\");\n")
  configure_file(${source}.new ${source} COPYONLY)
  target_sources(${target} PRIVATE ${source})
  set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON
                                                   SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
