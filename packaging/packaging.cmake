# What is installed beside the program, the Debian package (make package)
# and make uninstall. The version is the project's.
set(HILBERT3D_MAINTAINER "hilbert3d maintainers <maintainers@users.noreply.c-seed-d6166bc7.example>"
    CACHE STRING "the package's maintainer, \"name <address>\"")
find_program(GZIP_PROGRAM gzip REQUIRED)

# The manual page carries the version in its header; Debian wants it and the
# changelog compressed, without a time stamp.
set(manual_source ${PROJECT_SOURCE_DIR}/man/hilbert3d.1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manual_source})
file(READ ${manual_source} manual)
string(REGEX REPLACE "(\n?\\.TH HILBERT3D 1 [^ \n]+) hilbert3d " "\\1 \"hilbert3d ${PROJECT_VERSION}\" "
       versioned "${manual}")
if(versioned STREQUAL manual)
  message(FATAL_ERROR "man/hilbert3d.1: no '.TH HILBERT3D 1 <date> hilbert3d' header to put the version in")
endif()
# Written only when it changes, so that the compressed page is not made anew.
set(written "")
if(EXISTS ${CMAKE_BINARY_DIR}/hilbert3d.1)
  file(READ ${CMAKE_BINARY_DIR}/hilbert3d.1 written)
endif()
if(NOT written STREQUAL versioned)
  file(WRITE ${CMAKE_BINARY_DIR}/hilbert3d.1 "${versioned}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
foreach(compressed hilbert3d.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${compressed}.gz
                     COMMAND ${GZIP_PROGRAM} -9nkf ${CMAKE_BINARY_DIR}/${compressed}
                     DEPENDS ${CMAKE_BINARY_DIR}/${compressed})
endforeach()
add_custom_target(hilbert3d-docs ALL DEPENDS ${CMAKE_BINARY_DIR}/hilbert3d.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)
# So that building the program alone is enough for an install.
add_dependencies(hilbert3d hilbert3d-docs)

install(FILES ${CMAKE_BINARY_DIR}/hilbert3d.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/hilbert3d.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon: tools/icon draws it from a level picture. The files are kept in
# the tree so that an install needs no tool; the install test checks that
# they are what the tool makes now.
set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/hilbert3d.svg DESTINATION ${icons}/scalable/apps)
foreach(size 48 256)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/hilbert3d-${size}.png DESTINATION ${icons}/${size}x${size}/apps
          RENAME hilbert3d.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(uninstall
                  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
                          -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake
                  COMMENT "Removing what make install put in place")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hilbert3d)
set(CPACK_PACKAGE_VENDOR "the hilbert3d developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three-dimensional Hilbert curve, built level by level")
set(CPACK_PACKAGE_DESCRIPTION
    "A small X11 desktop program that builds a three-dimensional Hilbert
curve level by level, from a single point up to 32,768 points, animates
each new level segment by segment and shows it in perspective, nearer
segments passing in front of farther ones. The terminal it is started
from shows a key-help panel and takes the keys: the arrow keys turn the
view, Enter goes on to the next level, Esc quits.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HILBERT3D_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack's staging install would leave its own install_manifest.txt in the
# build folder, and make uninstall would then remove the packaged files
# from /usr; the manifest of the last make install is kept instead.
set(CPACK_HILBERT3D_MANIFEST ${CMAKE_BINARY_DIR}/install_manifest.txt)
set(CPACK_INSTALL_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/keepmanifest.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/keepmanifest.cmake)
include(CPack)
