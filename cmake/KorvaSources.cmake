# korva_glob(OUT DIR...): the C++ sources directly in each folder. Folders hold one concept a file,
# so new files join their target without touching the build files.
function(korva_glob out)
  set(result "")
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
