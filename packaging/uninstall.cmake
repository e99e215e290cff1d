# cmake -DMANIFEST=<build>/install_manifest.txt -P uninstall.cmake
# Removes every file the last install put in place, as the manifest lists
# them, staged under $ENV{DESTDIR} when that is set, and the program's own
# folders (named hilbert3d) once they are empty.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "nothing to uninstall: ${MANIFEST} is missing (it is written by make install)")
endif()
file(STRINGS "${MANIFEST}" files)
foreach(file IN LISTS files)
  set(path "$ENV{DESTDIR}${file}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  get_filename_component(name "${folder}" NAME)
  file(GLOB left "${folder}/*")
  if(name STREQUAL "hilbert3d" AND IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
