# korva_version_resource(TARGET FILE_NAME DESCRIPTION): gives a Windows program or DLL a version
# resource (file and product version from the project's version, description, original file name).
function(korva_version_resource target file_name description)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "SHARED_LIBRARY")
    set(KORVA_RC_FILE_TYPE "0x2L")  # VFT_DLL
  else()
    set(KORVA_RC_FILE_TYPE "0x1L")  # VFT_APP
  endif()
  set(KORVA_RC_FILE_NAME ${file_name})
  set(KORVA_RC_DESCRIPTION ${description})
  get_filename_component(KORVA_RC_INTERNAL_NAME ${file_name} NAME_WE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
