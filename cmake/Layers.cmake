# Every library of the program is a layer: it sees its own folders and those of the layers it
# links, nothing above. Each layer gets an include root of its own in the build tree that holds
# only links to its folders, so "#include "net/HttpClient.h"" names the layer a header lives in,
# and an include of a higher layer's header does not compile.
#
#   tessaly_layer(NAME SOURCE_ROOT FOLDERS folder...)
# makes ${CMAKE_BINARY_DIR}/include/NAME/<folder> a link to SOURCE_ROOT/<folder> for every
# folder and gives NAME that include root (PUBLIC).
function(tessaly_layer name)
  cmake_parse_arguments(L "" "SOURCE_ROOT" "FOLDERS" ${ARGN})
  set(root "${CMAKE_BINARY_DIR}/include/${name}")
  file(MAKE_DIRECTORY "${root}")
  foreach(folder IN LISTS L_FOLDERS)
    get_filename_component(leaf "${folder}" NAME)
    if(NOT EXISTS "${root}/${leaf}")
      file(CREATE_LINK "${L_SOURCE_ROOT}/${folder}" "${root}/${leaf}" SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${name} PUBLIC "${root}")
endfunction()
