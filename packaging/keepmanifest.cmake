# Run by CPack before its staging install (put the last make install's
# manifest aside) and after it (put it back, or remove CPack's own when
# there was none).
set(kept "${CPACK_HILBERT3D_MANIFEST}.kept")
set(none "${CPACK_HILBERT3D_MANIFEST}.none")
if(NOT EXISTS "${kept}" AND NOT EXISTS "${none}")
  if(EXISTS "${CPACK_HILBERT3D_MANIFEST}")
    file(RENAME "${CPACK_HILBERT3D_MANIFEST}" "${kept}")
  else()
    file(TOUCH "${none}")
  endif()
elseif(EXISTS "${kept}")
  file(RENAME "${kept}" "${CPACK_HILBERT3D_MANIFEST}")
else()
  file(REMOVE "${CPACK_HILBERT3D_MANIFEST}" "${none}")
endif()
