# Run by cpack once it has made the packages (CPACK_POST_BUILD_SCRIPTS). The md5sums of CPack's
# debug-symbol package name its files by their path in CPack's staging folder rather than in the
# package, so dpkg --verify and debsums would find them all missing. The package is rebuilt with
# the sums of its files under their packaged paths, and with the debug files as plain data (0644),
# as Debian's own debug-symbol packages hold them.
find_program(DPKG_DEB dpkg-deb REQUIRED)
# Compressed as CPack compressed the package.
set(compression "")
if(CPACK_DEBIAN_COMPRESSION_TYPE MATCHES "^(gzip|xz|zstd|none)$")
  set(compression -Z${CPACK_DEBIAN_COMPRESSION_TYPE})
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${package} ${tree} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb --raw-extract ${package}: ${rc}")
  endif()
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/*)
  list(FILTER files EXCLUDE REGEX "^DEBIAN/")
  list(SORT files)
  set(sums "")
  foreach(f IN LISTS files)
    file(MD5 ${tree}/${f} sum)
    string(APPEND sums "${sum}  ${f}\n")
    file(CHMOD ${tree}/${f} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  file(WRITE ${tree}/DEBIAN/md5sums "${sums}")
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group ${compression} --build ${tree} ${package}
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  file(REMOVE_RECURSE ${tree})
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb --build ${package}: ${rc}")
  endif()
endforeach()
