# The Debian package, vardo_<version>-1_<arch>.deb, built by CPack from the games layout:
#
#   cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DVARDO_TESTS=OFF \
#         -DVARDO_GAMES_LAYOUT=ON -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build-deb
#   cd build-deb && cpack -G DEB
#
# The package holds what `cmake --install` puts under /usr, with three differences Debian asks
# for: the man page goes in gzipped (with -n, so that the file carries no time stamp and the
# same sources give the same package), Debian's copyright file and changelog go into
# /usr/share/doc/vardo/, and the engine is stripped. The gzipped man page, the two documents
# and the stripping belong to an install component of their own, "debian", which a plain
# `cmake --install` leaves out; the plain man page belongs to "manpage", which the package
# leaves out. scripts/package_test.sh builds the package, checks it with lintian, installs it,
# plays a game with it under xboard and removes it.

set(VARDO_DEB_RELEASE 1)

find_program(VARDO_GZIP gzip REQUIRED)

# Man pages and changelogs are gzipped at the highest level, without name or time stamp.
function(vardo_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${VARDO_GZIP} -9n -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
endfunction()
vardo_gzip(${PROJECT_SOURCE_DIR}/install/vardo.6 ${PROJECT_BINARY_DIR}/vardo.6.gz)
vardo_gzip(${PROJECT_SOURCE_DIR}/install/changelog.Debian ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_custom_target(vardo-debian-files ALL
  DEPENDS ${PROJECT_BINARY_DIR}/vardo.6.gz ${PROJECT_BINARY_DIR}/changelog.Debian.gz)

# The changelog's latest entry must name the version being packaged: a new version needs an
# entry of its own, not an old one relabelled. This is checked when the package is made, so
# that no other build or installation depends on the changelog.
install(CODE "set(vardo_deb_version ${PROJECT_VERSION}-${VARDO_DEB_RELEASE})
  set(vardo_changelog \"${PROJECT_SOURCE_DIR}/install/changelog.Debian\")"
  COMPONENT debian EXCLUDE_FROM_ALL)
install(CODE [[
  file(STRINGS "${vardo_changelog}" vardo_changelog_head LIMIT_COUNT 1)
  string(FIND "${vardo_changelog_head}" "vardo (${vardo_deb_version}) " vardo_changelog_at)
  if(NOT vardo_changelog_at EQUAL 0)
    message(FATAL_ERROR "${vardo_changelog} starts with \"${vardo_changelog_head}\", "
                        "not an entry for vardo ${vardo_deb_version}: add one")
  endif()]]
  COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_BINARY_DIR}/vardo.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES install/copyright ${PROJECT_BINARY_DIR}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vardo COMPONENT debian EXCLUDE_FROM_ALL)
# The engine is installed as a program under another name, not as a target, so CPack's
# stripping (which acts on installed targets) misses it; it is stripped here as dh_strip
# strips, when CPack asks for stripped files (CPACK_STRIP_FILES sets CMAKE_INSTALL_DO_STRIP).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VARDO_ENGINE_DIR}/vardo-engine\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()"
  COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
# Everything but the plain man page (component "manpage"), then the Debian-only files. The
# "debian" component comes second: its stripping acts on the engine the first one installed.
set(CPACK_INSTALL_CMAKE_PROJECTS
  "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/"
  "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_PACKAGE_NAME vardo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vardo developers <developers@vardo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chess engine for the console and for xboard")
# The extended description, below the summary that CPack puts first: lines of at most 80
# characters, an empty line between paragraphs (CPack writes the " ." Debian wants there).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Vardo is a small chess program. Run it in a terminal, type your moves, and it
replies with its own; or let xboard, or any other board window that talks the
xboard protocol, start it and play it there, against you or against another
engine.

Early in a game it answers from its opening book; after that it searches for
itself, for as long as its clock allows, on one thread or several. The vardo
command runs the engine in ~/.vardo, where it keeps its own copy of the book
and a log of every session.")

set(CPACK_DEBIAN_PACKAGE_NAME vardo)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VARDO_DEB_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: what dpkg-shlibdeps finds the engine linked against (libc6, libgcc-s1, libstdc++6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xboard)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# A source package, should anyone build one, leaves out the build folders and Git's.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build[^/]*/")
# The values above reach CPack as written (the description has several lines).
set(CPACK_VERBATIM_VARIABLES ON)

include(CPack)
