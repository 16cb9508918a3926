# Symbols kept apart from the shipped binaries: after each link the binary's
# symbol table and debug information go to
# <build>/symbols/browser-symbols/<file name>.debug (the "symbols-package" that
# crash reports name), the binary is stripped and gets a debug link (file name
# and CRC-32) to the kept file, so a dump can still be read against it while
# the shipped file stays small.

set(VELTA_SYMBOLS_DIR ${CMAKE_BINARY_DIR}/symbols/browser-symbols)

# The kept symbols of TARGET's binary.
function(velta_symbols_file target out_var)
  set(${out_var} ${VELTA_SYMBOLS_DIR}/$<TARGET_FILE_NAME:${target}>.debug PARENT_SCOPE)
endfunction()

# velta_keep_symbols_apart(TARGET)
function(velta_keep_symbols_apart target)
  velta_symbols_file(${target} symbols)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTA_SYMBOLS_DIR}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${symbols}
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${symbols} $<TARGET_FILE:${target}>
    COMMENT "Keeping the symbols of $<TARGET_FILE_NAME:${target}> apart"
    VERBATIM)
endfunction()
