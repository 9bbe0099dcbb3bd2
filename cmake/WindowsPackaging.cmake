# The Windows release, vardo-<version>-win64.zip, for players of WinBoard and Arena:
#
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-windows
#   cd build-windows && cpack -G ZIP
#
# One folder, vardo-<version>-win64, holding the engine (statically linked: it needs no DLL
# beyond Windows' own), its opening book, the licence, a README.txt for Windows players and the
# manual as plain text. The text files get Windows line ends, so that every editor shows them
# as lines.

# A text file copied with its line ends made "\r\n" (cmake/WindowsText.cmake).
function(vardo_windows_text SOURCE OUTPUT)
  include(${PROJECT_SOURCE_DIR}/cmake/WindowsText.cmake)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SOURCE})
endfunction()
vardo_windows_text(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt)
vardo_windows_text(${PROJECT_SOURCE_DIR}/install/windows/README.txt ${PROJECT_BINARY_DIR}/README.txt)

# The manual: the man page as plain text (no bold or underline), with Windows line ends.
find_program(VARDO_GROFF groff)
if(VARDO_GROFF)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/vardo-manual.txt
    COMMAND ${VARDO_GROFF} -man -Tascii -P -cbou ${PROJECT_SOURCE_DIR}/install/vardo.6
            > ${PROJECT_BINARY_DIR}/vardo-manual.unix.txt
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_BINARY_DIR}/vardo-manual.unix.txt
            -DOUTPUT=${PROJECT_BINARY_DIR}/vardo-manual.txt -P ${PROJECT_SOURCE_DIR}/cmake/WindowsText.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/install/vardo.6 ${PROJECT_SOURCE_DIR}/cmake/WindowsText.cmake
    COMMENT "Formatting the manual as plain text"
    VERBATIM)
  add_custom_target(vardo-manual ALL DEPENDS ${PROJECT_BINARY_DIR}/vardo-manual.txt)
  install(FILES ${PROJECT_BINARY_DIR}/vardo-manual.txt DESTINATION .)
else()
  message(WARNING "groff not found: the Windows zip is made without the manual (Debian: apt-get install groff-base)")
endif()

install(TARGETS vardo RUNTIME DESTINATION .)
install(FILES vardo.bk ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.txt
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vardo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME vardo-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/")
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
